#include "gate_window.h"

#include "access/access_decision.h"
#include "access/keypad_keys.h"
#include "prompts.h"

#include <QLineEdit>
#include <QPushButton>

// Decides the code in the entry box. False when the decision could not be made
// (a database that is missing or locked, rows that cannot be read): then the
// gate stays shut, nothing is logged and the status line says why.
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
    const QSqlDatabase gateLog = m_data.AdoGateLog.database();
    if (!beginGateEvent(gateLog, &error))
        return decisionFailed(code, error);

    if (decision.verdict.grant) {
        cmdRelayOn->click();
        m_devices.armRelayPause();
    }
    if (!commitGateEvent(gateLog, decision.event, QDateTime::currentDateTime(), &error)) {
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
// are never lost. A message box opened while a character is handled lets
// events run: characters arriving then wait in the queue for their turn, so a
// decision never starts inside another one.
void GateWindow::MSCommScanner_OnComm(int index, int eventCode)
{
    if (eventCode != StationPort::ReceiveEvent)
        return;
    for (char character : m_devices.MSCommScanner(index).port().readAll())
        m_keypadQueue.enqueue({index, character});
    if (m_keypadBusy)
        return;
    m_keypadBusy = true;
    while (!m_keypadQueue.isEmpty()) {
        const auto [keypad, character] = m_keypadQueue.dequeue();
        keypadCharacter(keypad, character);
    }
    m_keypadBusy = false;
}

void GateWindow::keypadCharacter(int index, char character)
{
    const KeypadStep step = keypadStep(txtCheckCode->text(), character, m_settings.CodeLength);
    txtCheckCode->setText(step.entry);
    if (step.endOfFile)
        Prompts::message(this, QStringLiteral("End of file found"));
    if (!step.decide)
        return;
    m_settings.CurrentKeypadLocation =
        index == 0 ? m_settings.Keypad1Location : m_settings.Keypad2Location;
    if (ProcessCode()) {
        resetLogViewToRecentDays();
        return;
    }
    // Nobody at the keypad can see the code that could not be decided: start
    // the next one afresh rather than behind it.
    txtCheckCode->clear();
}
