#pragma once

#include "access/gate_attempt.h"
#include "access/keypad_entry.h"
#include "data/file_identity.h"
#include "data/station_data.h"
#include "http/station_monitor.h"
#include "http/status_server.h"
#include "serial/gate_devices.h"
#include "settings/station_folder.h"
#include "settings/station_ini.h"
#include "settings/station_settings.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>
#include <optional>

// The running station: its settings, databases, devices, log writer, each
// keypad's entry and lockout, the relay hold, the spool retry, the status
// server and the fleet link's line. It needs no window: the window is one face
// of it, `gate-station --headless` another. It tells what happens through
// signals and takes the operator's actions as calls; it never asks a person.
class GateStation : public QObject {
    Q_OBJECT

public:
    // A code the customer database cannot be read for is tried again this
    // often, and refused unchecked after this long.
    static constexpr int UnreadRetryMs = 25;
    static constexpr int NotCheckedAfterMs = 3000;

    struct Options {
        QString folder; // the start folder
        // Where the status server listens instead of station.ini's [http] Listen;
        // empty: not at all. Tests and benchmarks never take the real port.
        std::optional<QString> httpListen;
        // The folder's lock was left by a station that died (watchdog, crash).
        bool previousRunDied = false;
    };

    explicit GateStation(Options options, QObject *parent = nullptr);
    ~GateStation() override;

    // Start-up: settings, databases, zones, devices, status server. A step that
    // fails ends it, leaving the station running with what was done before;
    // nothing here waits for a person. The text is what the status line says.
    struct StartReport {
        bool configured = false;
        QString status;
    };
    StartReport start();
    bool hasStarted() const { return m_started; }

    // Exit: relay off with no operator's row, and nothing decided from here on.
    void exitRelease();
    // A stop asked by the system (`why`: the signal): an Exit, with the spool
    // written out and the databases closed at once.
    void stop(const QString &why);

    const StationFolder &folder() const { return m_folder; }
    const StationSettings &settings() const { return m_settings; }
    const StationIni &ini() const { return m_ini; }
    StationData &data() { return m_data; }
    GateDevices &devices() { return m_devices; }
    const GateLogWriter &logWriter() const { return m_logWriter; }
    const StationMonitor &monitor() const { return m_monitor; }
    // The status server's port; 0 when it does not listen.
    quint16 statusPort() const;

    // The status line as the station would show it now, and what start-up connected.
    const QString &statusText() const { return m_status; }
    const QString &connectedText() const { return m_connectedText; }
    // "Keypad 1: ••", or until when it is locked.
    QString entryText(int keypad) const;
    bool anyKeypadLocked() const;
    // What gate-sync says of the fleet link; empty without one.
    const QString &fleetLine() const { return m_fleetLine; }

    // The operator's check of a code, logged at the desk: Skipped for a text
    // that is no code; Unread while it waits for the customer database (the
    // outcome comes with `decided` then).
    GateAttempt::Outcome checkCode(const QString &code);
    // The relay by hand: false when the board's port did not take the command.
    bool relayOnByHand();
    bool relayOffByHand();
    // The board's answer to the status query, which lets events run while it
    // waits; none for a second query asked meanwhile.
    std::optional<RelayBoard::StatusReply> relayStatus();
    // Keypads locked now, numbered from 1; lifting ends every lockout.
    QList<int> lockedKeypads() const;
    void liftLockouts();
    // A gate database replaced or restored under the station is taken up:
    // every connection to the old file closes, then all open the new one and
    // the spool goes into it; a removed one is waited for (never made anew).
    // Runs every second, before each decision and before each read of the list;
    // a file there that would not open is tried again only every second.
    void followGateFile(bool retryUnopened = false);

    // Saved settings take effect: the hold time at once, ports and paths at
    // the next start (the returned names say which).
    QStringList applySettings(const StationSettings &next);

public slots:
    // Keys from keypad 0 or 1, each handled in order as it came.
    void MSCommScanner_OnComm(int keypad, const QByteArray &keys);
    void ReleaseRelay();
    void TimerRelayPause_Timer();

signals:
    // Start-up has run, whatever it reached.
    void started();
    void statusChanged(const QString &text);
    void devicesChanged(const QString &text);
    void fleetLineChanged(const QString &line);
    void entryChanged(int keypad, const QString &text);
    void lockoutsChanged(bool anyLocked);
    void relaySwitched(bool on);
    // An entry ended, from keypad 0 or 1 or (-1) the operator: its outcome,
    // Skipped when it held no code.
    void decided(int keypad, const GateAttempt::Outcome &outcome);
    // A code waits for the customer database; it is decided or refused
    // unchecked within NotCheckedAfterMs.
    void codeWaiting(int keypad, const QString &why);
    // A row of the station's own (a manual relay command, a lockout, a restart).
    void stationRowWritten();
    // The gate database at its path is another file now, or gone: whatever
    // holds rows or connections of the old one lets go of them at once.
    void gateDatabaseChanging();
    // ... and the new one is open.
    void gateDatabaseOpened();

private:
    QString gatePath() const;
    QString configure();
    QString zoneWarnings(QString *error);
    void deviceStart();
    void startStatusServer();
    void startFleetLine();
    void readFleetLine();
    void setStatus(const QString &text);
    void reportFault(const QString &text);

    void keypadCharacter(int keypad, char character);
    GateAttempt::Outcome begin(int keypad, const QString &code);
    GateAttempt::Outcome tryWaiting(int keypad);
    void retryWaiting();
    void settle(int keypad, const QString &code, const QDateTime &at,
                const GateAttempt::Outcome &outcome);
    GateAttempt::Outcome runAttempt(const QString &code, const QDateTime &at, int keypad);
    QString locationOf(int keypad) const;
    bool switchRelayOn();
    void countRefusal(int keypad);
    void showEntry(int keypad);
    void lockoutEnded(int keypad);
    void logRestartIfRelayWasLeftOn();
    void writeStationRow(const GateEvent &event);
    void rowWritten(GateLogWriter::Result result);
    void checkpoint();
    void shutDown();
    bool flushSpoolAtStart();
    void flushSpool();
    QString spoolNote() const;
    StationMonitor::Equipment equipment() const;

    StationFolder m_folder;
    std::optional<QString> m_httpListen;
    StationSettings m_settings;
    StationIni m_ini;
    StationData m_data;
    GateDevices m_devices;
    GateLogWriter m_logWriter;
    GateAttempt m_attempt;
    QTimer m_checkpointIdle; // the write-ahead log into the file once rows stop coming
    QTimer m_checkpointDue;  // ... or once rows have been coming for a long while
    bool m_shutDown = false;
    QTimer m_spoolRetry;           // moves spooled rows into the log once it takes them
    bool m_releasePending = false; // a release the relay board has not been sent yet
    bool m_statusQueryRunning = false;
    bool m_configured = false; // start-up ran every step
    bool m_started = false;
    QString m_connectedText;
    QString m_status;
    // A code whose customer database could not be read yet, by keypad (the
    // operator's last), and the keys its keypad sent meanwhile.
    struct Waiting {
        QString code;
        QDateTime at; // when it was typed: decided as of then
        qint64 sinceMs = 0;
        bool told = false; // the journal and the monitor know it waits
    };
    std::optional<Waiting> m_waiting[3];
    QByteArray m_heldKeys[2];
    QTimer m_waitingRetry;
    KeypadEntry m_keypads[2];
    QTimer m_entryIdle[2];      // shows a forgotten entry gone
    QTimer m_lockoutEnd[2];     // shows the keypad open again when its lockout ends
    QDateTime m_lockedUntil[2]; // wall-clock end of each lockout, for the operator
    StationMonitor m_monitor;
    StatusServer m_statusServer;
    QTimer m_fleetPoll;
    QTimer m_gateWatch;
    std::optional<FileIdentity> m_gateFile; // the gate database the station has open
    QString m_fleetLine;
};
