#pragma once

#include "relay_board.h"
#include "settings/station_settings.h"
#include "station_port.h"

#include <QObject>
#include <QStringList>
#include <QTimer>

// The gate's hardware: the relay board's port, the two keypad ports and the
// one-shot relay pause timer. Operations that the operator must hear about
// return the messages to show; the window shows them.
class GateDevices : public QObject {
    Q_OBJECT

public:
    // How long the status query waits for the board before giving up.
    static constexpr int StatusWaitMs = 2000;

    explicit GateDevices(QObject *parent = nullptr);

    // Device preparation: keypad receive thresholds, then the pause interval.
    // Fails for a hold time whose interval does not fit, leaving the timer as it was.
    bool prepare(quint8 relayCloseSeconds, QString *error);
    bool setRelayPause(quint8 relayCloseSeconds);
    // Starts (or restarts) the pause after a grant; a hold time of 0 never releases.
    void armRelayPause();

    // "Load Comm" and "Scanner": open the ports the settings name.
    QStringList openRelayPort(const StationSettings &settings);
    QStringList openKeypadPorts(const StationSettings &settings);

    // A relay left on by a crash or a power cut: relayOn() leaves this file on
    // disk until relayOff() succeeds. No file set, no marker.
    void setRelayMarkerFile(const QString &path);
    // The marker was there when it was set: the relay may still be on.
    bool relayWasLeftOn() const { return m_relayWasLeftOn; }

    bool relayOn();
    bool relayOff();
    RelayBoard::StatusReply relayStatus();
    bool relayPortOpen() const { return m_relayPort.isOpen(); }
    const StationPort &relayPort() const { return m_relayPort; }

    // The pause after a grant.
    void stopRelayPause() { TimerRelayPause.stop(); }
    bool relayPauseActive() const { return TimerRelayPause.isActive(); }
    int relayPauseInterval() const { return TimerRelayPause.interval(); }

    // Keypad `index` (0 or 1).
    const StationPort &keypad(int index) const { return index == 0 ? m_keypad1 : m_keypad2; }

    static bool keypadInUse(quint8 portNumber) { return portNumber != 0 && portNumber != 35; }

    // One line on every port, for the status line.
    QString stateText() const;

signals:
    void stateChanged();
    // Keypad `index` sent these characters, read as they arrived.
    void keysArrived(int index, const QByteArray &keys);
    void relayPauseElapsed();

private:
    bool OpenKeypadPort1(const StationSettings &settings);
    QStringList OpenKeypadPort2(const StationSettings &settings);
    void writeRelayMarker() const;

    StationPort m_relayPort{QStringLiteral("MSCommRelay")};
    StationPort m_keypad1{QStringLiteral("MSCommScanner(0)")};
    StationPort m_keypad2{QStringLiteral("MSCommScanner(1)")};
    QTimer TimerRelayPause;
    RelayBoard m_relay{m_relayPort.port()};
    int m_pauseMs = 0;
    QString m_relayMarker;
    bool m_relayWasLeftOn = false;
};
