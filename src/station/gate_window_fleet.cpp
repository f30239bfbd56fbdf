// The fleet link's line in the status bar: gate-sync writes fleet.state, the
// window reads it on a timer of its own, never while deciding a code.
#include "gate_window.h"
#include "settings/fleet_state.h"

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
    FleetState state;
    QString why;
    m_fleetStatus->setText(FleetState::read(m_settings.StartFolder, state, &why)
                               ? state.statusLine(Clock::now())
                               : QStringLiteral("fleet: ") + why);
}
