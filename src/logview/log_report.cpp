#include "log_report.h"

QString shortDate(const QDate &date)
{
    return QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
}

QStringList logReportLines(const StationSettings &settings, const QDate &start, const QDate &end,
                           const QString &filter, const QStringList &listLines)
{
    QStringList lines{
        settings.CompanyName,
        settings.CompanyAddress,
        settings.CompanyCityStateZip,
        QStringLiteral("Phone: ") + settings.CompanyPhone,
        QStringLiteral("Log for Dates From %1 to %2").arg(shortDate(start), shortDate(end)),
        QStringLiteral("Record Filter ") + filter,
        QString(59, QLatin1Char('-'))};
    return lines + listLines;
}
