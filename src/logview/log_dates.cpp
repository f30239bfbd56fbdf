#include "log_dates.h"

#include "settings/settings_rules.h"

std::optional<QDateTime> daysBefore(const QDateTime &now, qint16 days)
{
    if (!SettingsRules::usableDayCount(days))
        return std::nullopt;
    return now.addDays(-days);
}
