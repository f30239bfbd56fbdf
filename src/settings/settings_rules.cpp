#include "settings_rules.h"

namespace SettingsRules {

namespace {

using S = StationSettings;

QString quoteFault(const QString &text)
{
    return text.contains(QLatin1Char('"')) ? QStringLiteral("holds a double quote") : QString();
}

} // namespace

bool usableDayCount(qint16 days)
{
    return days != std::numeric_limits<qint16>::min();
}

std::pair<qint64, qint64> storableRange(const SettingsField &field)
{
    if (std::holds_alternative<qint16 S::*>(field))
        return {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
    return {0, std::numeric_limits<quint8>::max()};
}

QString unusable(const StationSettings &s, const SettingsField &field)
{
    if (const auto *m = std::get_if<QString S::*>(&field))
        return quoteFault(s.**m);
    if (const auto *m = std::get_if<QChar S::*>(&field))
        return quoteFault(QString(s.**m));
    if (const auto *m = std::get_if<quint8 S::*>(&field)) {
        if (*m == &S::RelayCloseSeconds && s.RelayCloseSeconds > MaxRelayCloseSeconds)
            return QStringLiteral("%1 seconds is more than %2")
                .arg(s.RelayCloseSeconds)
                .arg(MaxRelayCloseSeconds);
        return {};
    }
    if (const auto *m = std::get_if<qint16 S::*>(&field)) {
        const bool dayCount = *m == &S::LogViewDays || *m == &S::LogDaysToKeep;
        if (dayCount && !usableDayCount(s.**m))
            return QStringLiteral("%1 days cannot be counted back").arg(s.**m);
    }
    return {};
}

QString allowed(const SettingsField &field)
{
    if (std::holds_alternative<QString S::*>(field))
        return QStringLiteral("any text without a double quote");
    if (std::holds_alternative<QChar S::*>(field))
        return QStringLiteral("one character, not a double quote");
    auto [min, max] = storableRange(field);
    if (field == SettingsField(&S::RelayCloseSeconds))
        max = MaxRelayCloseSeconds;
    if (field == SettingsField(&S::LogViewDays) || field == SettingsField(&S::LogDaysToKeep))
        ++min;
    return QStringLiteral("a whole number from %1 to %2").arg(min).arg(max);
}

} // namespace SettingsRules
