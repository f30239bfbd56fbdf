#include "fleet_report.h"

#include "data/sql_run.h"

namespace FleetReport {

namespace {

bool readStations(QSqlDatabase &db, QList<Site> &sites, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runSql(query,
                QStringLiteral("SELECT st.site, st.station, st.last_contact, st.rows_waiting, "
                               "st.pulled_change IS NOT DISTINCT FROM s.change_count, st.status "
                               "FROM stations st JOIN sites s USING (site) "
                               "ORDER BY st.site, st.station"),
                {}, error))
        return false;
    while (query.next()) {
        const auto site = std::find_if(sites.begin(), sites.end(), [&](const Site &s) {
            return s.name == query.value(0).toString();
        });
        if (site != sites.end())
            site->stations << Station{query.value(1).toString(), query.value(2).toDateTime(),
                                      query.value(3).toLongLong(), query.value(4).toBool(),
                                      query.value(5).toString()};
    }
    return true;
}

QString contactText(const QDateTime &when)
{
    return when.isValid() ? when.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))
                          : QStringLiteral("never");
}

} // namespace

bool sites(QSqlDatabase db, QList<Site> &sites, QString *error)
{
    sites.clear();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runSql(query,
                QStringLiteral("SELECT s.site, "
                               "(SELECT count(*) FROM units u WHERE u.site = s.site), "
                               "(SELECT count(*) FROM master_codes m WHERE m.site = s.site), "
                               "(SELECT count(*) FROM time_zones z WHERE z.site = s.site) "
                               "FROM sites s ORDER BY s.site"),
                {}, error))
        return false;
    while (query.next())
        sites << Site{query.value(0).toString(),
                      query.value(1).toLongLong(),
                      query.value(2).toLongLong(),
                      query.value(3).toLongLong(),
                      {}};
    return readStations(db, sites, error);
}

QStringList sitesText(const QList<Site> &sites)
{
    QStringList lines;
    for (const Site &site : sites) {
        lines << QStringLiteral("%1: %2 units, %3 master codes, %4 time zones")
                     .arg(site.name)
                     .arg(site.units)
                     .arg(site.masterCodes)
                     .arg(site.timeZones);
        for (const Station &station : site.stations)
            lines << QStringLiteral("  %1: last contact %2, %3 rows waiting, data %4%5")
                         .arg(station.name, contactText(station.lastContact))
                         .arg(station.rowsWaiting)
                         .arg(station.dataCurrent ? QStringLiteral("current")
                                                  : QStringLiteral("not yet pulled"))
                         .arg(station.status.isEmpty() ? QString()
                                                       : QStringLiteral(", ") + station.status);
    }
    return lines;
}

bool log(QSqlDatabase db, const LogFilter &filter,
         const std::function<bool(const LogEntry &)> &each, QString *error)
{
    const LogSql rows = logSql(filter.rows, QStringLiteral("fldReult"));
    QStringList where{rows.where};
    QVariantList values = rows.values;
    const auto add = [&](const char *condition, const QString &value) {
        where << QLatin1String(condition);
        values << value;
    };
    if (!filter.site.isEmpty())
        add("site = ?", filter.site);
    if (!filter.station.isEmpty())
        add("station = ?", filter.station);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runSql(query,
                QStringLiteral("SELECT site, station, %1 FROM gate_log WHERE %2 "
                               "ORDER BY fldDateTime, site, station, local_id")
                    .arg(QLatin1String(LogRowColumns), where.join(QStringLiteral(" AND "))),
                values, error))
        return false;
    while (query.next()) {
        const LogEntry entry{query.value(0).toString(), query.value(1).toString(),
                             logRowAt(query, 2)};
        if (!each(entry))
            return false;
    }
    return true;
}

} // namespace FleetReport
