#include "result_filter.h"

#include "access/result_words.h"

namespace {

// The expired and zone filters look at the first three letters only.
bool sameStart(const QString &result, const QString &word)
{
    return result.left(3) == word.left(3);
}

} // namespace

bool listsEveryRow(const QString &filter)
{
    return filter == Filters::All || filter == Filters::ListSelection;
}

bool passesFilter(const QString &filter, const QString &result)
{
    using namespace ResultWords;
    if (listsEveryRow(filter))
        return true;
    if (filter == Filters::AllowedAccess)
        return result == Valid || result == Exclude;
    if (filter == Filters::AfterHours)
        return result == AfterHours;
    if (filter == Filters::LockedOut)
        return result == LockedOut;
    if (filter == Filters::ExpiredDate)
        return sameStart(result, ExpiredPrefix);
    if (filter == Filters::TimeZone)
        return sameStart(result, TimeZonePrefix);
    if (filter == Filters::InvalidNumber)
        return result == Invalid;
    return false;
}
