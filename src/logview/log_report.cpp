#include "log_report.h"

QString shortDate(const QDate &date)
{
    return QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
}

QString suggestedFileName(const QDate &day, const QString &suffix)
{
    return QStringLiteral("gate-log-%1.%2").arg(day.toString(Qt::ISODate), suffix);
}

QString withSuffix(const QString &fileName, const QString &suffix)
{
    const QString ending = QLatin1Char('.') + suffix;
    return fileName.endsWith(ending, Qt::CaseInsensitive) ? fileName : fileName + ending;
}

LogReport logReport(const StationSettings &settings, const QDate &start, const QDate &end,
                    const QString &filter, const QSqlDatabase &gateDb, const LogListing &listing,
                    int pageRows)
{
    return {
        {settings.CompanyName, settings.CompanyAddress, settings.CompanyCityStateZip,
         QStringLiteral("Phone: ") + settings.CompanyPhone,
         QStringLiteral("Log for Dates From %1 to %2").arg(shortDate(start), shortDate(end)),
         QStringLiteral("Record Filter ") + filter, QString(59, QLatin1Char('-'))},
        logHeadings(),
        [pager = LogPager(gateDb, listing, pageRows)](QStringList &batch, QString *error) mutable {
            LogPage page;
            if (!pager.next(page, error))
                return false;
            batch.clear();
            for (const LogRow &row : page.rows)
                batch << logLine(row);
            return true;
        }};
}
