#include "gate_window.h"

#include "access/access_rules.h"
#include "access/gate_event_record.h"
#include "access/keypad_keys.h"
#include "common/clock.h"
#include "common/station_log.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

// Decides the operator's code in the entry box. False when the decision could
// not be made (the status line says why).
bool GateWindow::ProcessCode()
{
    const QString code = txtCheckCode->text();
    if (!isCodeEntry(code))
        return true;
    cmdCheckCode->setEnabled(false);
    const auto status = decide(code).status;
    if (status == GateAttempt::Outcome::Logged)
        txtCheckCode->clear();
    return status != GateAttempt::Outcome::NotDecided;
}

// One attempt at the location of the last keypad, at the time it was completed;
// the operator's own check is logged at the office, not at a keypad.
GateAttempt::Outcome GateWindow::decide(const QString &code, int keypad)
{
    const QDateTime now = Clock::now();
    const QString location = keypad < 0 ? OfficeLocation : m_settings.CurrentKeypadLocation;
    const GateAttempt::Outcome outcome = runAttempt(code, location, now, keypad);
    m_decisionStatus = m_connectedText;
    switch (outcome.status) {
    case GateAttempt::Outcome::Skipped:
        break;
    case GateAttempt::Outcome::NotDecided:
        m_decisionStatus = QStringLiteral("Code %1 not decided (%2)").arg(code, outcome.why);
        StationLog::fault(QStringLiteral("code %1 at %2 not decided: %3")
                              .arg(StationLog::masked(code), location, outcome.why));
        break;
    case GateAttempt::Outcome::Logged:
        StationLog::line(QStringLiteral("decision: %1 at %2, code %3")
                             .arg(outcome.result, location, StationLog::masked(code)));
        if (m_logWriter.spooledRows() > 0) {
            m_decisionStatus = spoolNote();
            m_spoolRetry.start();
        }
        if (outcome.granted && !outcome.opened) {
            m_decisionStatus = QStringLiteral("Code %1 granted, but the relay board's port is "
                                              "not open: the gate did not open")
                                   .arg(code);
            StationLog::fault(QString(m_decisionStatus).replace(code, StationLog::masked(code)));
        }
        break;
    }
    showStatus(m_decisionStatus);
    return outcome;
}

void GateWindow::cmdCheckCode_Click()
{
    const bool decided = ProcessCode();
    cmdCheckCode->setEnabled(true);
    if (decided) {
        cmdGateLog->click();
        showStatus(m_decisionStatus); // the refresh must not hide what the decision said
    }
}

// Every character of a read is handled at once, in order: keys that arrive
// together are never lost, and nothing on this path waits for a person.
void GateWindow::MSCommScanner_OnComm(int index, int eventCode)
{
    if (eventCode != StationPort::ReceiveEvent)
        return;
    for (char character : m_devices.readKeypad(index))
        keypadCharacter(index, character);
}

// Each keypad has an entry of its own, so two customers at once, or the
// operator typing, never mix their digits into one code.
void GateWindow::keypadCharacter(int index, char character)
{
    if (keypadLocked(index))
        return; // read and dropped: no decision, no relay, no row
    const KeypadStep step = keypadStep(m_keypadEntry[index], character, m_settings.CodeLength);
    m_keypadEntry[index] = step.entry;
    if (step.endOfFile)
        reportFault(QStringLiteral("End of file found on keypad %1: ignored").arg(index + 1));
    if (step.decide) {
        const QString code = std::exchange(m_keypadEntry[index], {});
        m_settings.CurrentKeypadLocation =
            index == 0 ? m_settings.Keypad1Location : m_settings.Keypad2Location;
        if (!isCodeEntry(code)) {
            resetLogViewToRecentDays();
        } else if (const auto outcome = decide(code, index);
                   outcome.status != GateAttempt::Outcome::NotDecided) {
            if (outcome.status == GateAttempt::Outcome::Logged && !outcome.granted)
                countRefusal(index);
            resetLogViewToRecentDays();
            showStatus(m_decisionStatus); // the refresh must not hide what the decision said
        }
    }
    showKeypadEntry(index);
}

void GateWindow::showKeypadEntry(int index)
{
    const QString &entry = m_keypadEntry[index];
    lblKeypadEntry[index]->setText(
        QStringLiteral("Keypad %1: %2")
            .arg(index + 1)
            .arg(keypadLocked(index) ? QStringLiteral("locked until ") +
                                           m_lockedUntil[index].toString(QStringLiteral("HH:mm:ss"))
                                     : QString(entry.size(), QChar(0x2022))));
    if (entry.isEmpty())
        m_entryIdle[index].stop();
    else
        m_entryIdle[index].start();
}

void GateWindow::reportFault(const QString &text)
{
    showStatus(text);
    StationLog::fault(text);
}

QString GateWindow::spoolNote() const
{
    return QStringLiteral("%1 log rows wait in the spool %2 until the gate database takes them")
        .arg(m_logWriter.spooledRows())
        .arg(QDir::toNativeSeparators(m_logWriter.spoolPath()));
}

// Rows that waited go into the log in order as soon as it takes writes again;
// a gate database replaced or repaired meanwhile is opened afresh.
void GateWindow::flushSpool()
{
    QString why;
    if (!m_logWriter.flushSpool(&why) &&
        !(m_logWriter.open(m_settings.GateDbPath, &why) && m_logWriter.flushSpool(&why))) {
        showStatus(spoolNote());
        return;
    }
    m_spoolRetry.stop();
    StationLog::line(QStringLiteral("gate log: spooled rows moved into the log"));
    showStatus(m_connectedText);
}

// After a crash or power cut with the relay on, start-up has just released it:
// the log says the gate may have stood open meanwhile.
void GateWindow::logRestartIfRelayWasLeftOn()
{
    if (!m_devices.relayWasLeftOn())
        return;
    StationLog::fault(QStringLiteral("restarted with the relay on: the gate may have been open"));
    writeStationRow(restartEvent());
}

// A row of the station's own (no decision behind it): spooled like any other
// when the log does not take it, and never a reason to stop.
void GateWindow::writeStationRow(const GateEvent &event)
{
    QString why;
    const auto written = m_logWriter.write(event, Clock::now(), &why);
    m_monitor.stationRowWritten(written);
    if (written == GateLogWriter::Result::Lost)
        StationLog::fault(QStringLiteral("%1 row not logged: %2").arg(event.result, why));
    else if (written == GateLogWriter::Result::Spooled)
        m_spoolRetry.start();
}
