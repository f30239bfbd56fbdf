#pragma once

#include "access/gate_attempt.h"
#include "access/gate_log_writer.h"
#include "settings/fleet_state.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// What the station is doing, for the status server: counters and the latest
// decision and relay state, fed by the window as they happen, and the devices
// and databases, read through a probe when someone asks. Times come in: the
// monitor never reads a clock.
class StationMonitor {
public:
    struct Device {
        QString name;      // "Relay board", "Keypad 1", "Keypad 2"
        int port = 0;      // the settings' port number
        bool inUse = true; // a keypad set to no port need not be open
        bool open = false;
        QString state; // the device line's text
        bool well() const { return open || !inUse; }
    };
    struct Database {
        QString name; // "customer", "gate log"
        bool connected = false;
        int spooledRows = 0;
        bool well() const { return connected && spooledRows == 0; }
    };
    struct Equipment {
        QList<Device> devices;
        QList<Database> databases;
    };
    using Probe = std::function<Equipment()>;

    struct Decision {
        QDateTime when;
        QString result; // the result word
        QString source; // "keypad 1", "keypad 2", "operator"
        bool granted = false;
    };

    struct Lockout {
        int keypad = 1; // as the operator counts them: 1 or 2
        QDateTime until;
    };
    // The fleet link as gate-sync last wrote it to fleet.state, read at one moment.
    struct FleetLink {
        // "in step", "offline", "fault"; "stopped": gate-sync said it stopped;
        // "silent": gate-sync stopped writing unsaid; "unknown": fleet.state
        // could not be read
        QString phase;
        QDateTime since;    // when the phase began
        QDateTime contact;  // the fleet database's last answer; invalid: none yet
        qint64 waiting = 0; // log rows not yet in the central log
        QString line;       // the status line's "fleet: ..." text

        bool up() const { return phase == QLatin1String("in step"); }
    };

    // The station as one reading, for a page or a health answer.
    struct Status {
        Equipment equipment;
        std::optional<Decision> lastDecision;
        bool relayOn = false;
        QDateTime started;
        // Every device in use open, every database connected, nothing spooled.
        bool healthy = false;
        QList<Lockout> lockouts;        // keypads locked now
        std::optional<FleetLink> fleet; // none: the station has no fleet link
    };

    explicit StationMonitor(const QDateTime &started);
    ~StationMonitor();

    void setProbe(Probe probe) { m_probe = std::move(probe); }

    // One attempt and how long it took; `keypad` 0 or 1, or -1 for the operator's check.
    void attempted(const GateAttempt::Outcome &outcome, int keypad, double seconds,
                   const QDateTime &when);
    // A row of the station's own (restart, keypad lockout).
    void stationRowWritten(GateLogWriter::Result result);
    // A relay command that reached the board.
    void relaySwitched(bool on, qint64 monotonicMs);
    // A keypad (0 or 1) locked after refused codes until `until`; an invalid
    // `until` when its lockout ends or is lifted.
    void keypadLocked(int keypad, const QDateTime &until);
    // fleet.state as the station last read it, or why it could not; the
    // link is not part of `healthy`: the gate decides without it.
    void fleetLinkRead(const FleetState &state, const QDateTime &now);
    void fleetLinkUnread(const QString &why);
    // This run took the folder over from a station that died without
    // stopping: killed by the watchdog, or crashed.
    void previousRunDied();

    Status status() const;
    // Every metric, in Prometheus's text format.
    QByteArray metricsText();

private:
    struct Metrics;

    void rowWritten(GateLogWriter::Result result);
    void setFleetLink(const FleetLink &link);

    Probe m_probe;
    std::unique_ptr<Metrics> m_metrics;
    std::optional<Decision> m_lastDecision;
    QDateTime m_lockedUntil[2];
    std::optional<FleetLink> m_fleet;
    bool m_relayOn = false;
    qint64 m_relayOnSinceMs = 0;
    QDateTime m_started;
};
