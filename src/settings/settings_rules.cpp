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
    return days >= usableRange(&S::LogViewDays).first;
}

std::pair<qint64, qint64> storableRange(const SettingsField &field)
{
    if (std::holds_alternative<qint16 S::*>(field))
        return {std::numeric_limits<qint16>::min(), std::numeric_limits<qint16>::max()};
    return {0, std::numeric_limits<quint8>::max()};
}

std::pair<qint64, qint64> usableRange(const SettingsField &field)
{
    auto [min, max] = storableRange(field);
    if (field == SettingsField(&S::RelayCloseSeconds))
        max = MaxRelayCloseSeconds;
    if (field == SettingsField(&S::LogViewDays) || field == SettingsField(&S::LogDaysToKeep))
        ++min; // counted back, and the lowest has no negative
    return {min, max};
}

QString unusable(const StationSettings &s, const SettingsField &field)
{
    if (const auto *m = std::get_if<QString S::*>(&field))
        return quoteFault(s.**m);
    if (const auto *m = std::get_if<QChar S::*>(&field))
        return quoteFault(QString(s.**m));
    qint64 value = 0;
    if (const auto *m = std::get_if<quint8 S::*>(&field))
        value = s.**m;
    else if (const auto *n = std::get_if<qint16 S::*>(&field))
        value = s.**n;
    else
        return {}; // a flag takes either value
    const auto [min, max] = usableRange(field);
    if (value > max) // only the hold time has a limit below its type's
        return QStringLiteral("%1 seconds is more than %2").arg(value).arg(max);
    if (value < min) // only day counts have one above
        return QStringLiteral("%1 days cannot be counted back").arg(value);
    return {};
}

QString allowed(const SettingsField &field)
{
    if (std::holds_alternative<QString S::*>(field))
        return QStringLiteral("any text without a double quote");
    if (std::holds_alternative<QChar S::*>(field))
        return QStringLiteral("one character, not a double quote");
    const auto [min, max] = usableRange(field);
    return QStringLiteral("a whole number from %1 to %2").arg(min).arg(max);
}

} // namespace SettingsRules
