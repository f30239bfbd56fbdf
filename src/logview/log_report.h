#pragma once

#include "log_query.h"
#include "settings/station_settings.h"

#include <QDate>
#include <QStringList>
#include <functional>

// A report's lines, handed out a batch at a time in order: an empty batch ends
// them; false, with the reason, when they cannot be read.
using ReportLines = std::function<bool(QStringList &batch, QString *error)>;

// The printed log: company lines, phone, date range, filter, a rule of 59
// hyphens, then every line of the listing, read a page at a time.
ReportLines logReport(const StationSettings &settings, const QDate &start, const QDate &end,
                      const QString &filter, const QSqlDatabase &gateDb, const LogListing &listing,
                      int pageRows);

// Dates as the report and the purge question write them: month/day/four-digit year.
QString shortDate(const QDate &date);
