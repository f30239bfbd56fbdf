// The fleet link's line in the status bar: gate-sync writes fleet.state, the
// window reads it on a timer of its own, never while deciding a code.
#include "gate_window.h"

#include <QLabel>

namespace {

constexpr int FleetPollMs = 2000;

} // namespace

void GateWindow::startFleetStatus()
{
    if (m_ini.fleetUrl.isEmpty())
        return;
    m_fleetStatus->show();
    m_fleetPoll.setInterval(FleetPollMs);
    connect(&m_fleetPoll, &QTimer::timeout, this, &GateWindow::showFleetStatus,
            Qt::UniqueConnection);
    m_fleetPoll.start();
    showFleetStatus();
}

void GateWindow::showFleetStatus()
{
    const auto link = StationMonitor::FleetLink::read(m_settings.StartFolder, Clock::now());
    m_fleetStatus->setText(link.line);
    m_monitor.setFleetLink(link);
}
