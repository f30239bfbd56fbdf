#include "site_zones.h"

#include "data/sql_run.h"
#include "site_import.h"
#include "sync/sync_report.h"
#include "timezones/zone_row.h"

namespace {

using Report = CustomerSync::Report;
using SyncReport::refused;

// The rows as the fleet stores them: the number, then both times as HH:MM:SS.
QList<QVariantList> storedZones(const QList<ZoneRow> &zones)
{
    QList<QVariantList> rows;
    for (const ZoneRow &zone : zones)
        rows << QVariantList{zone.zone.trimmed().toLongLong(), storedZoneTime(zoneTime(zone.start)),
                             storedZoneTime(zoneTime(zone.stop))};
    return rows;
}

Report replace(QSqlDatabase &db, const QString &site, const QList<QVariantList> &wanted)
{
    QString error;
    QList<QVariantList> current;
    QSqlQuery query(db);
    if (!runSql(query,
                QStringLiteral("SELECT fldTimeZone, fldStartTime, fldStopTime FROM time_zones "
                               "WHERE site = ? ORDER BY id"),
                {site}, &error))
        return refused(error);
    while (query.next())
        current << QVariantList{query.value(0).toLongLong(), query.value(1).toString(),
                                query.value(2).toString()};
    if (current == wanted)
        return {Report::Outcome::NoChange,
                QStringLiteral("time zones: no change (%1 rows)").arg(current.size()),
                {},
                -1};
    bool ok =
        runSql(query, QStringLiteral("DELETE FROM time_zones WHERE site = ?"), {site}, &error);
    for (qsizetype i = 0; ok && i < wanted.size(); ++i)
        ok = runSql(query,
                    QStringLiteral("INSERT INTO time_zones (site, fldTimeZone, fldStartTime, "
                                   "fldStopTime) VALUES (?, ?, ?, ?)"),
                    QVariantList{site} + wanted[i], &error);
    if (!ok)
        return refused(error);
    return {Report::Outcome::Changed,
            QStringLiteral("time zones: %1 rows written, %2 before")
                .arg(wanted.size())
                .arg(current.size()),
            {},
            -1};
}

} // namespace

namespace SiteZones {

Report run(QSqlDatabase db, const QString &site, const QList<TextRow> &rows)
{
    QStringList faults;
    QList<ZoneRow> zones;
    for (const TextRow &row : rows) {
        if (!row.fault.isEmpty())
            faults << row.where() + QStringLiteral(": ") + row.fault;
        zones << ZoneRow{row.fields.value(0).text, row.fields.value(1).text,
                         row.fields.value(2).text};
    }
    faults << zoneRowsFaults(zones, [&](int i) { return rows[i].where(); });
    if (!faults.isEmpty())
        return refused(QStringLiteral("%1 faults, the first %2").arg(faults.size()).arg(faults[0]),
                       faults);
    // The zone editor keeps the last zone too: an empty file is more likely a failed copy.
    if (zones.isEmpty())
        return refused(QStringLiteral("no time zones in the file; a site keeps at least one"));
    const QList<QVariantList> wanted = storedZones(zones);
    return SiteImport::inTransaction(db, site, {}, [&] { return replace(db, site, wanted); });
}

} // namespace SiteZones
