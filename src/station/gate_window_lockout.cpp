#include "gate_window.h"

#include "access/gate_event_record.h"
#include "common/clock.h"
#include "common/station_log.h"
#include "widgets/prompts.h"

#include <QLabel>
#include <QPushButton>

// Guessing stops here: a keypad that refused too many codes in a short time
// decides nothing for a while. The timing is monotonic; the row's stamp and the
// time shown are the wall clock's.

void GateWindow::applyLockoutRules()
{
    const LockoutRules rules{m_ini.lockoutAfter, m_ini.lockoutWindowSeconds, m_ini.lockoutSeconds};
    for (KeypadLockout &lockout : m_lockout)
        lockout = KeypadLockout(rules);
}

void GateWindow::lockoutEnded(int index)
{
    StationLog::line(QStringLiteral("keypad %1: lockout ended").arg(index + 1));
    showLockouts(index);
}

bool GateWindow::keypadLocked(int index) const
{
    return m_lockout[index].isLocked(Clock::monotonicMs());
}

void GateWindow::countRefusal(int index)
{
    const qint64 nowMs = Clock::monotonicMs();
    if (!m_lockout[index].refused(nowMs))
        return;
    const qint64 lockMs = m_lockout[index].lockedUntilMs() - nowMs;
    m_lockedUntil[index] = Clock::now().addMSecs(lockMs);
    m_lockoutEnd[index].start(int(lockMs));
    m_keypadEntry[index].clear();
    writeStationRow(keypadLockedEvent(m_settings.CurrentKeypadLocation, m_ini.lockoutAfter));
    m_decisionStatus = QStringLiteral("Keypad %1 locked until %2 after %3 refused codes")
                           .arg(index + 1)
                           .arg(m_lockedUntil[index].toString(QStringLiteral("HH:mm:ss")))
                           .arg(m_ini.lockoutAfter);
    StationLog::fault(m_decisionStatus);
    showLockouts(index);
}

void GateWindow::cmdLiftLockout_Click()
{
    QStringList locked;
    for (int index : {0, 1}) {
        if (keypadLocked(index))
            locked << QString::number(index + 1);
    }
    if (locked.isEmpty() || !Prompts::question(this,
                                               QStringLiteral("Lift the lockout of keypad %1 now?")
                                                   .arg(locked.join(QStringLiteral(" and "))),
                                               QStringLiteral("Lift Keypad Lockout")))
        return;
    for (int index : {0, 1}) {
        if (!keypadLocked(index))
            continue;
        m_lockout[index].lift();
        m_lockoutEnd[index].stop();
        StationLog::line(
            QStringLiteral("keypad %1: lockout lifted by the operator").arg(index + 1));
        showLockouts(index);
    }
}

void GateWindow::showLockouts(int index)
{
    showKeypadEntry(index);
    cmdLiftLockout->setEnabled(keypadLocked(0) || keypadLocked(1));
}
