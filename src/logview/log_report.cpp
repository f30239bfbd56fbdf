#include "log_report.h"

QString shortDate(const QDate &date)
{
    return QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
}

ReportLines logReport(const StationSettings &settings, const QDate &start, const QDate &end,
                      const QString &filter, const QSqlDatabase &gateDb, const LogListing &listing,
                      int pageRows)
{
    QStringList header{
        settings.CompanyName,
        settings.CompanyAddress,
        settings.CompanyCityStateZip,
        QStringLiteral("Phone: ") + settings.CompanyPhone,
        QStringLiteral("Log for Dates From %1 to %2").arg(shortDate(start), shortDate(end)),
        QStringLiteral("Record Filter ") + filter,
        QString(59, QLatin1Char('-'))};
    // Each page goes on from the last line read, so no read walks over the lines before it.
    return [header, gateDb, listing, pageRows,
            last = std::optional<LogKey>()](QStringList &batch, QString *error) mutable {
        if (!header.isEmpty()) {
            batch = std::exchange(header, {});
            return true;
        }
        LogPage page;
        if (!listing.read(gateDb, LogListing::Direction::Forward, last, 0, pageRows, page, error))
            return false;
        batch = page.lines;
        last = page.last;
        return true;
    };
}
