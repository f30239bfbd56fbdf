#pragma once

#include "logview/log_query.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <functional>

// What the office reads from the fleet database: its sites and stations, and
// the combined gate log.
namespace FleetReport {

struct Station {
    QString name;
    QDateTime lastContact; // invalid: never
    qint64 rowsWaiting = 0;
    bool dataCurrent = false; // holds the site's latest units, master codes and time zones
    QString status;
};

struct Site {
    QString name;
    qint64 units = 0;
    qint64 masterCodes = 0; // the site's own; those of every site come on top
    qint64 timeZones = 0;
    QList<Station> stations;
};

bool sites(QSqlDatabase db, QList<Site> &sites, QString *error);

// One line per site, an indented one per station.
QStringList sitesText(const QList<Site> &sites);

struct LogFilter {
    QString site;    // empty: every site
    QString station; // empty: every station
    LogRows rows;    // the selection and the result filter, as the station's log view takes them
};

struct LogEntry {
    QString site;
    QString station;
    LogRow row;
};

// The rows in time order, then by site, station and the station's own order;
// `each` returns false to stop (a write that failed).
bool log(QSqlDatabase db, const LogFilter &filter,
         const std::function<bool(const LogEntry &)> &each, QString *error);

} // namespace FleetReport
