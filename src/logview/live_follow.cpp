#include "live_follow.h"

#include "common/number_text.h"

bool LiveFollow::attempted()
{
    if (!m_following)
        ++m_missed;
    return m_following;
}

void LiveFollow::review()
{
    m_following = false;
}

void LiveFollow::resume()
{
    m_following = true;
    m_missed = 0;
}

QString LiveFollow::missedText() const
{
    if (m_missed == 0)
        return {};
    return countText(m_missed, QStringLiteral("new attempt"), QStringLiteral("new attempts"));
}
