#include "keypad_lockout.h"

#include <algorithm>

namespace {

constexpr qint64 HourMs = 3600 * 1000;

void dropBefore(QList<qint64> &times, qint64 oldestKept)
{
    times.removeIf([oldestKept](qint64 t) { return t < oldestKept; });
}

} // namespace

KeypadLockout::KeypadLockout(LockoutRules rules)
    : m_rules(rules)
{}

bool KeypadLockout::refused(qint64 nowMs)
{
    if (m_rules.after <= 0 || isLocked(nowMs))
        return false;
    dropBefore(m_refusals, nowMs - qint64(m_rules.windowSeconds) * 1000);
    m_refusals << nowMs;
    if (m_refusals.size() < m_rules.after)
        return false;
    m_refusals.clear();
    // A lockout within the hour after the last one ended continues the streak.
    m_streak = m_untilMs > 0 && nowMs - m_untilMs < HourMs ? m_streak + 1 : 0;
    const qint64 firstMs = qint64(m_rules.lockSeconds) * 1000;
    const qint64 doubled = firstMs << std::min(m_streak, 16);
    m_untilMs = nowMs + std::max(firstMs, std::min(HourMs, doubled));
    return true;
}

void KeypadLockout::lift()
{
    m_untilMs = 0;
    m_refusals.clear();
}
