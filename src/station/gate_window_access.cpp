#include "gate_window.h"

#include "access/access_rules.h"
#include "access/keypad_keys.h"
#include "common/clock.h"
#include "widgets/prompts.h"

#include <QLineEdit>
#include <QPushButton>

// Decides the code in the entry box. False when the decision could not be made
// (a database that is missing or locked, rows that cannot be read): then
// nothing is logged and the status line says why.
bool GateWindow::ProcessCode()
{
    const QString code = txtCheckCode->text();
    if (!isCodeEntry(code))
        return true;
    const QDateTime now = Clock::now();
    cmdCheckCode->setEnabled(false);
    const GateAttempt::Outcome outcome = m_attempt.run(code, m_settings.CurrentKeypadLocation, now);
    switch (outcome.status) {
    case GateAttempt::Outcome::Skipped:
        return true;
    case GateAttempt::Outcome::NotDecided:
        showStatus(QStringLiteral("Code %1 not decided (%2)").arg(code, outcome.why));
        return false;
    case GateAttempt::Outcome::Logged:
        break;
    }
    showStatus(m_connectedText);
    txtCheckCode->clear();
    return true;
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
    for (char character : m_devices.readKeypad(index))
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
