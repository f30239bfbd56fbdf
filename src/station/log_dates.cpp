#include "log_dates.h"

#include <limits>

std::optional<QDateTime> daysBefore(const QDateTime &now, qint16 days)
{
    if (days == std::numeric_limits<qint16>::min())
        return std::nullopt;
    return now.addDays(-days);
}
