// The road of a code: keys from a keypad (or the operator's check) to a
// decision, the relay and the log row, and the keypad's guard against guessing.
#include "gate_station.h"

#include "access/access_rules.h"
#include "access/gate_event_record.h"
#include "common/clock.h"
#include "common/station_log.h"

#include <QDir>
#include <QElapsedTimer>

// Every character of a read is handled at once, in order: keys that arrive
// together are never lost, and nothing on this path waits for a person.
void GateStation::MSCommScanner_OnComm(int keypad, const QByteArray &keys)
{
    for (char character : keys)
        keypadCharacter(keypad, character);
}

namespace {

// The operator's check waits in the slot after the keypads'.
int slotOf(int keypad)
{
    return keypad < 0 ? 2 : keypad;
}

// "10:30:05 Keypad 1: code 4444 Valid (Lovelace, Ada, unit A101)": who typed,
// the result word and whom the row names, stamped as the row is.
QString decisionLine(int keypad, const QString &code, const GateAttempt::Outcome &outcome,
                     const QDateTime &at)
{
    return QStringLiteral("%1 %2: code %3 %4%5")
        .arg(at.toString(QStringLiteral("HH:mm:ss")),
             keypad < 0 ? QStringLiteral("Check Code")
                        : QStringLiteral("Keypad %1").arg(keypad + 1),
             code, outcome.result,
             outcome.who.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(outcome.who));
}

} // namespace

// A keypad whose code waits for the customer database holds its next keys
// until that code is settled: they may be the next customer's.
void GateStation::keypadCharacter(int keypad, char character)
{
    if (m_waiting[keypad]) {
        m_heldKeys[keypad] += character;
        return;
    }
    const KeypadEntry::Step step =
        m_keypads[keypad].key(character, m_settings.CodeLength, Clock::monotonicMs());
    if (step.endOfFile)
        reportFault(QStringLiteral("End of file found on keypad %1: ignored").arg(keypad + 1));
    if (step.kind == KeypadEntry::Step::Decide) {
        if (isCodeEntry(step.code))
            begin(keypad, step.code);
        else
            emit decided(keypad, {});
    }
    showEntry(keypad);
}

GateAttempt::Outcome GateStation::checkCode(const QString &code)
{
    if (!isCodeEntry(code) || m_waiting[slotOf(-1)]) {
        emit decided(-1, {});
        return {};
    }
    return begin(-1, code);
}

QString GateStation::locationOf(int keypad) const
{
    if (keypad < 0)
        return OfficeLocation;
    return keypad == 0 ? m_settings.Keypad1Location : m_settings.Keypad2Location;
}

// A code completed now, at the keypad's location; the operator's own check is
// logged at the desk, not at a keypad.
GateAttempt::Outcome GateStation::begin(int keypad, const QString &code)
{
    m_waiting[slotOf(keypad)] = Waiting{code, Clock::now(), Clock::monotonicMs()};
    return tryWaiting(keypad);
}

// Never granted from data that could not be read: a code waits while the
// customer database is locked or replaced under it, without holding up the
// other keypad, and is refused unchecked, with a row, once it waited too long.
GateAttempt::Outcome GateStation::tryWaiting(int keypad)
{
    followGateFile();
    Waiting &waiting = *m_waiting[slotOf(keypad)];
    GateAttempt::Outcome outcome = runAttempt(waiting.code, waiting.at, keypad);
    if (outcome.status == GateAttempt::Outcome::Unread) {
        if (Clock::monotonicMs() - waiting.sinceMs < NotCheckedAfterMs) {
            if (!std::exchange(waiting.told, true)) {
                StationLog::fault(
                    QStringLiteral("code %1 at %2 waits for the customer database: %3")
                        .arg(StationLog::masked(waiting.code), locationOf(keypad), outcome.why));
                m_monitor.attempted(outcome, keypad, 0, waiting.at);
                emit codeWaiting(keypad, outcome.why);
            }
            m_waitingRetry.start();
            return outcome;
        }
        outcome = m_attempt.refuseUnchecked(waiting.code, locationOf(keypad), waiting.at,
                                            QStringLiteral("the customer database could not be "
                                                           "read for %1 s: %2")
                                                .arg(NotCheckedAfterMs / 1000)
                                                .arg(outcome.why));
        m_monitor.attempted(outcome, keypad, 0, waiting.at);
    }
    const Waiting settled = *std::exchange(m_waiting[slotOf(keypad)], std::nullopt);
    settle(keypad, settled.code, settled.at, outcome);
    if (keypad >= 0)
        MSCommScanner_OnComm(keypad, std::exchange(m_heldKeys[keypad], {}));
    return outcome;
}

void GateStation::retryWaiting()
{
    for (int keypad : {0, 1, -1}) {
        if (m_waiting[slotOf(keypad)])
            tryWaiting(keypad);
    }
}

// What a settled code leaves: the status line, the journal, a refusal counted
// against its keypad, and the news for whoever shows it.
void GateStation::settle(int keypad, const QString &code, const QDateTime &at,
                         const GateAttempt::Outcome &outcome)
{
    const QString location = locationOf(keypad);
    QString status = m_connectedText;
    switch (outcome.status) {
    case GateAttempt::Outcome::Skipped:
    case GateAttempt::Outcome::Unread:
        break;
    case GateAttempt::Outcome::NotDecided:
        status = QStringLiteral("Code %1 not decided (%2)").arg(code, outcome.why);
        StationLog::fault(QStringLiteral("code %1 at %2 not decided: %3")
                              .arg(StationLog::masked(code), location, outcome.why));
        break;
    case GateAttempt::Outcome::Logged:
        StationLog::line(QStringLiteral("decision: %1 at %2, code %3")
                             .arg(outcome.result, location, StationLog::masked(code)));
        rowWritten(GateLogWriter::Result::Logged);
        status = decisionLine(keypad, code, outcome, at) + QStringLiteral(". ") + m_connectedText;
        if (!outcome.notChecked.isEmpty()) {
            status = QStringLiteral("Code %1 not checked (%2)").arg(code, outcome.notChecked);
            StationLog::fault(QStringLiteral("code %1 at %2 not checked: %3")
                                  .arg(StationLog::masked(code), location, outcome.notChecked));
        } else if (m_logWriter.spooledRows() > 0) {
            status = spoolNote();
            m_spoolRetry.start();
        }
        if (outcome.granted && !outcome.opened) {
            status = QStringLiteral("Code %1 granted, but the relay board's port is not open: the "
                                    "gate did not open")
                         .arg(code);
            StationLog::fault(QString(status).replace(code, StationLog::masked(code)));
        }
        break;
    }
    setStatus(status);
    // A code refused unchecked is the station's fault, not a guess.
    if (keypad >= 0 && outcome.status == GateAttempt::Outcome::Logged && !outcome.granted &&
        outcome.notChecked.isEmpty())
        countRefusal(keypad);
    emit decided(keypad, outcome);
}

// The attempt, timed and told to the monitor; keypad -1 is the operator's check.
GateAttempt::Outcome GateStation::runAttempt(const QString &code, const QDateTime &at, int keypad)
{
    QElapsedTimer took;
    took.start();
    const GateAttempt::Outcome outcome = m_attempt.run(code, locationOf(keypad), at);
    if (outcome.status != GateAttempt::Outcome::Unread)
        m_monitor.attempted(outcome, keypad, double(took.nsecsElapsed()) / 1e9, at);
    return outcome;
}

// Guessing stops here: a keypad that refused too many codes in a short time
// decides nothing for a while. The timing is monotonic; the row's stamp and the
// time shown are the wall clock's.
void GateStation::countRefusal(int keypad)
{
    const qint64 nowMs = Clock::monotonicMs();
    if (!m_keypads[keypad].refused(nowMs))
        return;
    const qint64 lockMs = m_keypads[keypad].lockedUntilMs() - nowMs;
    m_lockedUntil[keypad] = Clock::now().addMSecs(lockMs);
    m_lockoutEnd[keypad].start(int(lockMs));
    m_monitor.keypadLocked(keypad, m_lockedUntil[keypad]);
    writeStationRow(keypadLockedEvent(locationOf(keypad), m_ini.lockoutAfter));
    reportFault(QStringLiteral("Keypad %1 locked until %2 after %3 refused codes")
                    .arg(keypad + 1)
                    .arg(m_lockedUntil[keypad].toString(QStringLiteral("HH:mm:ss")))
                    .arg(m_ini.lockoutAfter));
    emit lockoutsChanged(true);
}

void GateStation::lockoutEnded(int keypad)
{
    StationLog::line(QStringLiteral("keypad %1: lockout ended").arg(keypad + 1));
    m_monitor.keypadLocked(keypad, {});
    showEntry(keypad);
    emit lockoutsChanged(anyKeypadLocked());
}

QList<int> GateStation::lockedKeypads() const
{
    QList<int> locked;
    for (int keypad : {0, 1}) {
        if (m_keypads[keypad].locked(Clock::monotonicMs()))
            locked << keypad + 1;
    }
    return locked;
}

bool GateStation::anyKeypadLocked() const
{
    return !lockedKeypads().isEmpty();
}

void GateStation::liftLockouts()
{
    for (int number : lockedKeypads()) {
        m_keypads[number - 1].lift();
        m_lockoutEnd[number - 1].stop();
        m_monitor.keypadLocked(number - 1, {});
        StationLog::line(QStringLiteral("keypad %1: lockout lifted by the operator").arg(number));
        showEntry(number - 1);
    }
    emit lockoutsChanged(false);
}

QString GateStation::entryText(int keypad) const
{
    const KeypadEntry &entry = m_keypads[keypad];
    return QStringLiteral("Keypad %1: %2")
        .arg(keypad + 1)
        .arg(entry.locked(Clock::monotonicMs())
                 ? QStringLiteral("locked until ") +
                       m_lockedUntil[keypad].toString(QStringLiteral("HH:mm:ss"))
                 : QString(entry.entry().size(), QChar(0x2022)));
}

// The entry is shown masked, and shown gone once its customer walked away.
void GateStation::showEntry(int keypad)
{
    const auto forgetAt = m_keypads[keypad].forgetAtMs();
    if (forgetAt)
        m_entryIdle[keypad].start(int(std::max<qint64>(0, *forgetAt - Clock::monotonicMs())));
    else
        m_entryIdle[keypad].stop();
    emit entryChanged(keypad, entryText(keypad));
}

QString GateStation::spoolNote() const
{
    return QStringLiteral("%1 log rows wait in the spool %2 until the gate database takes them")
        .arg(m_logWriter.spooledRows())
        .arg(QDir::toNativeSeparators(m_logWriter.spoolPath()));
}

// Rows that waited go into the log in order as soon as it takes writes again;
// a gate database replaced or repaired meanwhile is opened afresh.
void GateStation::flushSpool()
{
    QString why;
    if (!m_logWriter.flushSpool(&why) &&
        !(m_logWriter.open(gatePath(), &why) && m_logWriter.flushSpool(&why))) {
        setStatus(spoolNote());
        return;
    }
    m_spoolRetry.stop();
    StationLog::line(QStringLiteral("gate log: spooled rows moved into the log"));
    setStatus(m_connectedText);
}

// After a crash or power cut with the relay on, start-up has just released it:
// the log says the gate may have stood open meanwhile.
void GateStation::logRestartIfRelayWasLeftOn()
{
    if (!m_devices.relayWasLeftOn())
        return;
    StationLog::fault(QStringLiteral("restarted with the relay on: the gate may have been open"));
    writeStationRow(restartEvent());
}

// A row of the station's own (no decision behind it): spooled like any other
// when the log does not take it, and never a reason to stop.
void GateStation::writeStationRow(const GateEvent &event)
{
    QString why;
    const auto written = m_logWriter.write(event, Clock::now(), &why);
    m_monitor.stationRowWritten(written);
    if (written == GateLogWriter::Result::Lost)
        StationLog::fault(QStringLiteral("%1 row not logged: %2").arg(event.result, why));
    else if (written == GateLogWriter::Result::Spooled)
        m_spoolRetry.start();
    rowWritten(written);
    emit stationRowWritten();
}

void GateStation::rowWritten(GateLogWriter::Result result)
{
    if (result != GateLogWriter::Result::Logged)
        return;
    m_checkpointIdle.start();
    if (!m_checkpointDue.isActive())
        m_checkpointDue.start();
}

void GateStation::checkpoint()
{
    m_checkpointIdle.stop();
    m_checkpointDue.stop();
    m_logWriter.checkpoint();
}

bool GateStation::flushSpoolAtStart()
{
    if (m_logWriter.spooledRows() == 0)
        return true;
    QString why;
    if (m_logWriter.flushSpool(&why)) {
        StationLog::line(
            QStringLiteral("gate log: rows spooled before the start moved into the log"));
        return true;
    }
    StationLog::fault(QStringLiteral("gate log: ") + why);
    m_spoolRetry.start();
    return false;
}
