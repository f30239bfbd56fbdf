#pragma once

#include "settings/station_settings.h"

#include <QDate>
#include <QStringList>

// The printed log: company lines, phone, date range, filter, a rule of 59
// hyphens, then every line of the log list as shown.
QStringList logReportLines(const StationSettings &settings, const QDate &start, const QDate &end,
                           const QString &filter, const QStringList &listLines);

// Dates as the report and the purge question write them: month/day/four-digit year.
QString shortDate(const QDate &date);
