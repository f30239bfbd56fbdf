#include "keypad_entry.h"

#include <utility>

KeypadEntry::KeypadEntry(int idleMs, LockoutRules rules)
    : m_idleMs(idleMs)
    , m_lockout(rules)
{}

KeypadEntry::Step KeypadEntry::key(char character, int codeLength, qint64 nowMs)
{
    if (locked(nowMs))
        return {Step::Dropped, {}, false};
    forgetIfIdle(nowMs);
    const KeypadStep step = keypadStep(m_entry, character, codeLength);
    m_entry = step.entry;
    m_lastKeyMs = nowMs;
    if (!step.decide)
        return {Step::Typed, {}, step.endOfFile};
    return {Step::Decide, std::exchange(m_entry, {}), step.endOfFile};
}

std::optional<qint64> KeypadEntry::forgetAtMs() const
{
    if (m_entry.isEmpty())
        return std::nullopt;
    return m_lastKeyMs + m_idleMs;
}

bool KeypadEntry::forgetIfIdle(qint64 nowMs)
{
    const auto at = forgetAtMs();
    if (!at || nowMs < *at)
        return false;
    m_entry.clear();
    return true;
}

bool KeypadEntry::refused(qint64 nowMs)
{
    if (!m_lockout.refused(nowMs))
        return false;
    m_entry.clear();
    return true;
}
