#include "gate_window.h"

#include "prompts.h"

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

void GateWindow::ReleaseRelay()
{
    if (m_devices.relayOff())
        markRelayButton(cmdRelayOff);
}

void GateWindow::cmdRelayOn_Click()
{
    if (!m_devices.relayOn()) {
        Prompts::message(this, QStringLiteral("Relay On Port Not Open?"));
        return;
    }
    markRelayButton(cmdRelayOn);
}

void GateWindow::cmdRelayOff_Click()
{
    ReleaseRelay();
}

// The wait lets other events run, so a second press could start a query inside
// the first one's wait: that press is ignored.
void GateWindow::cmdRelayStatus_Click()
{
    if (m_statusQueryRunning)
        return;
    if (!m_devices.MSCommRelay.isOpen()) {
        Prompts::message(this, QStringLiteral("Relay Status Port Closed"));
        return;
    }
    m_statusQueryRunning = true;
    const auto status = m_devices.relayStatus();
    m_statusQueryRunning = false;
    if (!status) {
        Prompts::message(this, QStringLiteral("The relay board did not answer within %1 seconds")
                                   .arg(GateDevices::StatusWaitMs / 1000));
        return;
    }
    Label1->setText(QString::number(*status));
    txtCheckCode->setFocus();
}

void GateWindow::TimerRelayPause_Timer()
{
    if (!m_settings.ExitRequested)
        ReleaseRelay();
    m_devices.TimerRelayPause.stop();
}
