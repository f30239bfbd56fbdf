#include "access_rules.h"

#include "data/yes_no.h"
#include "result_words.h"

#include <optional>

namespace {

using namespace ResultWords;

AccessVerdict refused(const QString &result)
{
    return {result, false, {}};
}

AccessVerdict failedWith(const QString &why)
{
    return {{}, false, why};
}

// Expiry rule: none, a refusal word, or a failure when six characters are no date.
std::optional<AccessVerdict> expiryRule(const QString &text, const QDate &today)
{
    switch (expiryKind(text, today)) {
    case ExpiryKind::None:
        return std::nullopt;
    case ExpiryKind::NotADate:
        return failedWith(QStringLiteral("expiry date %1 is not a date").arg(text));
    case ExpiryKind::Date:
        break;
    }
    const QDate expiry = *expiryDate(text, today);
    if (today > expiry)
        return refused(ExpiredPrefix + QStringLiteral("%1/%2/%3")
                                           .arg(expiry.month())
                                           .arg(expiry.day())
                                           .arg(expiry.year() % 100, 2, 10, QLatin1Char('0')));
    return std::nullopt;
}

std::optional<QTime> minuteOf(const QString &text)
{
    const QTime t = zoneTime(text);
    return t.isValid() ? std::optional<QTime>(QTime(t.hour(), t.minute())) : std::nullopt;
}

enum class Wrap { OverMidnight, None };

// Zone rule: none for zone 0 or inside the window, else the refusal, or a
// failure for a zone that is no number.
std::optional<AccessVerdict> zoneRule(const QString &zoneText, const QList<ZoneRow> &zones,
                                      const QDateTime &now, Wrap wrap)
{
    const auto number = zoneNumber(zoneText);
    if (!number)
        return failedWith(QStringLiteral("time zone \"%1\" is not a number").arg(zoneText));
    if (*number == 0)
        return std::nullopt;
    const auto it = std::find_if(zones.begin(), zones.end(),
                                 [&](const ZoneRow &z) { return z.zone == zoneText; });
    if (it == zones.end())
        return refused(TimeZonePrefix + zoneText);
    const auto start = minuteOf(it->start);
    const auto stop = minuteOf(it->stop);
    if (!start || !stop)
        return failedWith(
            QStringLiteral("time zone %1: start or stop is not a time of day").arg(zoneText));
    const QTime minute(now.time().hour(), now.time().minute());
    bool inside = false;
    if (wrap == Wrap::OverMidnight && *start >= *stop)
        inside = !(minute < *start && minute > *stop);
    else
        inside = minute >= *start && minute <= *stop;
    if (!inside)
        return refused(AfterHours);
    return std::nullopt;
}

} // namespace

bool isCodeEntry(const QString &entry)
{
    return !entry.isEmpty() && std::all_of(entry.begin(), entry.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
}

std::optional<QDate> expiryDate(const QString &mmddyy, const QDate &today)
{
    if (mmddyy.size() != 6 || !isCodeEntry(mmddyy))
        return std::nullopt;
    const int month = mmddyy.mid(0, 2).toInt();
    const int day = mmddyy.mid(2, 2).toInt();
    const int yy = mmddyy.mid(4, 2).toInt();
    int year = 2000 + yy;
    if (year > today.year() + 50)
        year -= 100;
    const QDate date(year, month, day);
    return date.isValid() ? std::optional<QDate>(date) : std::nullopt;
}

AccessVerdict decideUnit(const UnitRow &unit, const QList<ZoneRow> &zones, const QDateTime &now)
{
    const auto flag = yesNoValue(unit.exclude);
    if (!flag)
        return failedWith(QStringLiteral("unit %1: exclusion flag \"%2\" is not yes or no")
                              .arg(unit.unitName, unit.exclude));
    const bool excluded = *flag;
    if (!excluded) {
        if (auto verdict = expiryRule(unit.expireDate, now.date()))
            return *verdict;
    }
    if (auto verdict = zoneRule(unit.timeZone, zones, now, Wrap::OverMidnight))
        return *verdict;
    if (excluded)
        return {Exclude, true, {}};
    return statusOpensGate(unit.status) ? AccessVerdict{Valid, true, {}} : refused(LockedOut);
}

AccessVerdict decideMaster(const MasterRow &master, const QList<ZoneRow> &zones,
                           const QDateTime &now)
{
    if (auto verdict = expiryRule(master.expireDate, now.date()))
        return *verdict;
    if (auto verdict = zoneRule(master.timeZone, zones, now, Wrap::None))
        return *verdict;
    return {Valid, true, {}};
}

bool statusOpensGate(const QString &status)
{
    return status == QLatin1String("Rented") || status == QLatin1String("Rented-Cr");
}

ExpiryKind expiryKind(const QString &text, const QDate &today)
{
    if (text.size() != 6 || text == QLatin1String("000000"))
        return ExpiryKind::None;
    return expiryDate(text, today) ? ExpiryKind::Date : ExpiryKind::NotADate;
}
