#include "gate_window.h"

#include "access/gate_event_record.h"
#include "common/clock.h"
#include "common/station_log.h"
#include "widgets/prompts.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The relay button of the last command sent.
const QColor LightYellow(255, 255, 128);

} // namespace

void GateWindow::cmdLoad_Click()
{
    showMessages(m_devices.openRelayPort(m_settings));
}

void GateWindow::cmdScanner_Click()
{
    showMessages(m_devices.openKeypadPorts(m_settings));
}

void GateWindow::markRelayButton(QPushButton *lastCommand)
{
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (QPushButton *b : {cmdRelayOn, cmdRelayOff}) {
        QPalette palette = b->palette();
        palette.setColor(QPalette::Button, b == lastCommand ? LightYellow : buttonFace);
        b->setPalette(palette);
    }
    txtCheckCode->setFocus();
}

// A release that cannot be sent (the board's port is down) is sent as soon as
// the port is back, so the gate never stays open behind an outage.
void GateWindow::ReleaseRelay()
{
    m_releasePending = !m_devices.relayOff();
    StationLog::line(m_releasePending ? QStringLiteral("relay: off not sent, port not open")
                                      : QStringLiteral("relay: off"));
    if (!m_releasePending) {
        markRelayButton(cmdRelayOff);
        m_monitor.relaySwitched(false, Clock::monotonicMs());
    }
}

bool GateWindow::switchRelayOn()
{
    if (!m_devices.relayOn()) {
        StationLog::line(QStringLiteral("relay: on not sent, port not open"));
        return false;
    }
    StationLog::line(QStringLiteral("relay: on"));
    m_releasePending = false;
    markRelayButton(cmdRelayOn);
    m_monitor.relaySwitched(true, Clock::monotonicMs());
    return true;
}

// The gate held open by hand leaves a row, like every other opening.
void GateWindow::cmdRelayOn_Click()
{
    if (!switchRelayOn()) {
        Prompts::message(this, QStringLiteral("Relay On Port Not Open?"));
        return;
    }
    if (m_ini.manualRows)
        writeStationRow(manualRelayEvent(true));
}

void GateWindow::cmdRelayOff_Click()
{
    ReleaseRelay();
    if (m_ini.manualRows && !m_releasePending)
        writeStationRow(manualRelayEvent(false));
}

// The wait lets other events run, so a second press could start a query inside
// the first one's wait: that press is ignored.
void GateWindow::cmdRelayStatus_Click()
{
    if (m_statusQueryRunning)
        return;
    m_statusQueryRunning = true;
    const RelayBoard::StatusReply status = m_devices.relayStatus();
    m_statusQueryRunning = false;
    switch (status.outcome) {
    case RelayBoard::StatusReply::PortClosed:
        Prompts::message(this, QStringLiteral("Relay Status Port Closed"));
        return;
    case RelayBoard::StatusReply::NoAnswer:
        Prompts::message(this, QStringLiteral("The relay board did not answer within %1 seconds")
                                   .arg(GateDevices::StatusWaitMs / 1000));
        return;
    case RelayBoard::StatusReply::Answered:
        Label1->setText(QString::number(status.value));
        txtCheckCode->setFocus();
        return;
    }
}

void GateWindow::TimerRelayPause_Timer()
{
    if (!m_settings.ExitRequested)
        ReleaseRelay();
    m_devices.stopRelayPause();
}
