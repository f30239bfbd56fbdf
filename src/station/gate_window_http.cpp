#include "gate_window.h"

#include "common/station_log.h"

#include <QElapsedTimer>

// The window tells the monitor what happens; the status server answers from it.

void GateWindow::startStatusServer()
{
    m_monitor.setProbe([this] { return equipment(); });
    if (m_ini.httpListen.isEmpty())
        return;
    QString error;
    if (m_statusServer.listen(*listenAddress(m_ini.httpListen), &error))
        StationLog::line(QStringLiteral("status server: listening on %1, port %2")
                             .arg(m_ini.httpListen)
                             .arg(m_statusServer.port()));
    else
        StationLog::fault(
            QStringLiteral("status server: cannot listen on %1: %2").arg(m_ini.httpListen, error));
}

StationMonitor::Equipment GateWindow::equipment() const
{
    auto device = [](const StationPort &port, int portNumber, bool inUse) {
        return StationMonitor::Device{port.role(), portNumber, inUse, port.isOpen(),
                                      port.stateText()};
    };
    const StationSettings &s = m_settings;
    const StationData &d = m_data;
    return {
        {device(m_devices.relayPort(), s.RelayCommPort, true),
         device(m_devices.keypad(0), s.Keypad1CommPort,
                GateDevices::keypadInUse(s.Keypad1CommPort)),
         device(m_devices.keypad(1), s.Keypad2CommPort,
                GateDevices::keypadInUse(s.Keypad2CommPort))},
        {{QStringLiteral("customer"), d.AdoCustomerCodes.isConnected() && d.AdoMaster.isConnected(),
          0},
         {QStringLiteral("gate log"), d.AdoGateLog.isConnected() && d.AdoTimeZones.isConnected(),
          m_logWriter.spooledRows()}}};
}

GateAttempt::Outcome GateWindow::runAttempt(const QString &code, const QString &location,
                                            const QDateTime &now, int keypad)
{
    QElapsedTimer took;
    took.start();
    const GateAttempt::Outcome outcome = m_attempt.run(code, location, now);
    m_monitor.attempted(outcome, keypad, double(took.nsecsElapsed()) / 1e9, now);
    return outcome;
}
