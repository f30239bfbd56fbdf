#pragma once

#include "log_query.h"
#include "settings/station_settings.h"

#include <QDate>
#include <QStringList>
#include <functional>

// A report's lines, handed out a batch at a time in order: an empty batch ends
// them; false, with the reason, when they cannot be read.
using ReportLines = std::function<bool(QStringList &batch, QString *error)>;

// The printed log: on the first page the company lines, phone, date range,
// filter and a rule of 59 hyphens; on every page the column headings over the
// lines; then every line of the listing, read a page at a time.
struct LogReport {
    QStringList firstPage;
    QString headings;
    ReportLines lines;
};
LogReport logReport(const StationSettings &settings, const QDate &start, const QDate &end,
                    const QString &filter, const QSqlDatabase &gateDb, const LogListing &listing,
                    int pageRows);

// Dates as the report and the purge question write them: month/day/four-digit year.
QString shortDate(const QDate &date);

// The name offered when the log is saved to a file: "gate-log-2026-12-07.pdf".
QString suggestedFileName(const QDate &day, const QString &suffix);
// The file name, with "." and the suffix added when it does not end so (in any case).
QString withSuffix(const QString &fileName, const QString &suffix);
