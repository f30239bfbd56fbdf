#include "result_filter.h"

bool listsEveryRow(const QString &filter)
{
    return filter == AllFilter || filter == ListSelectionFilter;
}

bool passesFilter(const QString &filter, const QString &result)
{
    if (listsEveryRow(filter))
        return true;
    if (filter == QLatin1String("Allowed Access"))
        return result == QLatin1String("Valid") || result == QLatin1String("Exclude");
    if (filter == QLatin1String("After Hours"))
        return result == QLatin1String("After Hours");
    if (filter == QLatin1String("Locked Out"))
        return result == QLatin1String("Locked Out");
    if (filter == QLatin1String("Expired Date"))
        return result.left(3) == QLatin1String("Exp");
    if (filter == QLatin1String("Time Zone?"))
        return result.left(3) == QLatin1String("Tim");
    if (filter == QLatin1String("Invalid Number"))
        return result == QLatin1String("Invalid");
    return false;
}
