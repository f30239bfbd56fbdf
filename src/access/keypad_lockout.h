#pragma once

#include <QList>

// How many refused codes lock a keypad, and for how long.
struct LockoutRules {
    int after = 5; // refusals within the window; 0 turns the lockout off
    int windowSeconds = 120;
    int lockSeconds = 300; // the first lockout; each further one within the hour doubles
};

// One keypad's guard against guessing. Times are monotonic milliseconds, so a
// wall clock set back can never stretch a lockout; nothing is kept across a
// restart, so a power cut never locks tenants out.
class KeypadLockout {
public:
    explicit KeypadLockout(LockoutRules rules = {});

    bool isLocked(qint64 nowMs) const { return nowMs < m_untilMs; }
    qint64 lockedUntilMs() const { return m_untilMs; }

    // Counts a refused code; true when it locks the keypad.
    bool refused(qint64 nowMs);
    void lift();

private:
    LockoutRules m_rules;
    QList<qint64> m_refusals; // within the window
    int m_streak = 0;         // lockouts before this one, each within the hour of the last
    qint64 m_untilMs = 0;     // the end of the last lockout
};
