#include "gate_window.h"

#include "access/access_decision.h"
#include "access/keypad_keys.h"
#include "prompts.h"

#include <QLineEdit>
#include <QPushButton>

// Decides the code in the entry box. False when the decision could not be made
// (a database failure or rows that cannot be read): then nothing is logged, the
// code stays in the box and the status line says why.
bool GateWindow::ProcessCode()
{
    const QString code = txtCheckCode->text();
    if (!isCodeEntry(code))
        return true;
    const QDateTime now = QDateTime::currentDateTime();
    cmdCheckCode->setEnabled(false);
    if (m_settings.ExitRequested)
        return true;

    QString error;
    if (!m_data.reconnectForDecision(m_settings, &error))
        return decisionFailed(code, error);
    Decision decision;
    const DecisionSources sources{m_data.AdoCustomerCodes.database(), m_data.AdoMaster.database(),
                                  m_data.AdoTimeZones.database()};
    if (!decideCode(sources, code, m_settings.CurrentKeypadLocation, now, decision, &error))
        return decisionFailed(code, error);
    if (decision.verdict.failed())
        return decisionFailed(code, decision.verdict.failure);

    if (decision.verdict.grant) {
        cmdRelayOn->click();
        m_devices.armRelayPause();
    }
    if (!recordGateEvent(m_data.AdoGateLog.database(), decision.event, QDateTime::currentDateTime(),
                         &error)) {
        const QString what = decision.verdict.grant ? QStringLiteral("gate opened, but not logged")
                                                    : QStringLiteral("not logged");
        return decisionFailed(code, QStringLiteral("%1: %2").arg(what, error));
    }
    showStatus(m_connectedText);
    txtCheckCode->clear();
    return true;
}

bool GateWindow::decisionFailed(const QString &code, const QString &why)
{
    showStatus(QStringLiteral("Code %1 not decided (%2)").arg(code, why));
    return false;
}

void GateWindow::cmdCheckCode_Click()
{
    const bool decided = ProcessCode();
    cmdCheckCode->setEnabled(true);
    if (decided)
        cmdGateLog->click();
}

// Every character of a read is taken in order, so keys that arrive together
// are never lost.
void GateWindow::MSCommScanner_OnComm(int index, int eventCode)
{
    if (eventCode != StationPort::ReceiveEvent)
        return;
    const QByteArray received = m_devices.MSCommScanner(index).port().readAll();
    for (char character : received)
        keypadCharacter(index, character);
}

void GateWindow::keypadCharacter(int index, char character)
{
    const KeypadKey key = keypadKey(character);
    switch (key.kind) {
    case KeypadKey::Clear:
        txtCheckCode->clear();
        return;
    case KeypadKey::EndOfFile:
        Prompts::message(this, QStringLiteral("End of file found"));
        return;
    case KeypadKey::Digit:
        txtCheckCode->setText(txtCheckCode->text() + key.digit);
        break;
    case KeypadKey::Other:
        break;
    }
    if (txtCheckCode->text().size() < m_settings.CodeLength)
        return;
    m_settings.CurrentKeypadLocation =
        index == 0 ? m_settings.Keypad1Location : m_settings.Keypad2Location;
    if (ProcessCode())
        resetLogViewToRecentDays();
}
