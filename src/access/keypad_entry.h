#pragma once

#include "keypad_keys.h"
#include "keypad_lockout.h"

#include <QString>
#include <optional>

// One keypad's entry: the digits its customer has typed so far, forgotten
// after a pause, and the keypad's guard against guessing. Each keypad has its
// own, so two customers at once never mix their digits. Times are monotonic
// milliseconds passed in, so the entry never reads a clock.
class KeypadEntry {
public:
    static constexpr int DefaultIdleMs = 10000;

    explicit KeypadEntry(int idleMs = DefaultIdleMs, LockoutRules rules = {});

    struct Step {
        enum Kind {
            Typed,   // the entry took the key (or ignored it): nothing to decide yet
            Decide,  // `code` is complete; the entry is empty again
            Dropped, // the keypad is locked out: the key was read and dropped
        };
        Kind kind = Typed;
        QString code;
        bool endOfFile = false;
    };

    // One character from the keypad at `nowMs`. An entry left idle for the
    // idle time is forgotten first.
    Step key(char character, int codeLength, qint64 nowMs);

    // The digits so far.
    const QString &entry() const { return m_entry; }
    // When the entry will be forgotten; none while it is empty.
    std::optional<qint64> forgetAtMs() const;
    // Forgets an entry idle since the idle time; true when there was one.
    bool forgetIfIdle(qint64 nowMs);

    // A code of this keypad refused: true when that locks the keypad, which
    // forgets its entry.
    bool refused(qint64 nowMs);
    bool locked(qint64 nowMs) const { return m_lockout.isLocked(nowMs); }
    qint64 lockedUntilMs() const { return m_lockout.lockedUntilMs(); }
    void lift() { m_lockout.lift(); }

private:
    int m_idleMs;
    KeypadLockout m_lockout;
    QString m_entry;
    qint64 m_lastKeyMs = 0;
};
