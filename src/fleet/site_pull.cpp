#include "site_pull.h"

#include "data/sql_run.h"
#include "fleet_connection.h"
#include "sync/sync_report.h"
#include "timezones/zone_row.h"

namespace {

// A database value as the customer sync reads a source field: NULL is an
// empty unquoted field, empty text a quoted one.
CsvField field(const QVariant &value)
{
    return value.isNull() ? CsvField{} : CsvField{value.toString(), true};
}

bool readRows(QSqlDatabase &db, const QString &sql, const QString &site, int columns,
              QList<QVariantList> &rows, QString *error)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runSql(query, sql, {site}, error))
        return false;
    while (query.next()) {
        QVariantList row;
        for (int c = 0; c < columns; ++c)
            row << query.value(c);
        rows << row;
    }
    return true;
}

bool readTable(QSqlDatabase &db, const TableSchema &table, const QString &from, const QString &site,
               QList<TextRow> &rows, QString *error)
{
    QList<QVariantList> values;
    if (!readRows(db, QStringLiteral("SELECT %1 FROM %2").arg(table.columnNames().join(','), from),
                  site, int(table.columns.size()), values, error))
        return false;
    for (const QVariantList &row : values) {
        TextRow text{int(rows.size()) + 1, 0, {}, {}};
        for (const QVariant &value : row)
            text.fields << field(value);
        rows << text;
    }
    return true;
}

bool readSnapshot(QSqlDatabase &db, const QString &site, SiteData &data, QString *error)
{
    return SitePull::changeCount(db, site, data.changeCount, error) &&
           readTable(db, Tables::unitInfo(), QStringLiteral("units WHERE site = ? ORDER BY id"),
                     site, data.customers.units, error) &&
           readTable(db, Tables::masterCodes(),
                     QStringLiteral("master_codes WHERE site = ? OR site IS NULL ORDER BY fldID"),
                     site, data.customers.masters, error) &&
           readRows(db,
                    QStringLiteral("SELECT %1 FROM time_zones WHERE site = ? ORDER BY id")
                        .arg(Tables::timeZones().columnNames().join(',')),
                    site, 3, data.zones, error);
}

// fldTimeZone as a number, the times as text: how both sides compare.
QVariantList zoneRow(const QVariant &zone, const QVariant &start, const QVariant &stop)
{
    return {zone.toLongLong(), start.toString(), stop.toString()};
}

// The station's zones become `wanted` in one transaction, unless they are that
// already; the outcome in words, empty when nothing could be written.
QString writeZones(const QList<QVariantList> &wanted, QSqlDatabase gateDb, QString *error)
{
    const QString columns = Tables::timeZones().columnNames().join(',');
    QList<QVariantList> current;
    {
        QSqlQuery query(gateDb);
        if (!runSql(query,
                    QStringLiteral("SELECT %1 FROM tblTimeZones ORDER BY rowid").arg(columns), {},
                    error))
            return {};
        while (query.next())
            current << zoneRow(query.value(0), query.value(1), query.value(2));
    }
    if (current == wanted)
        return QStringLiteral("time zones: no change");
    QSqlQuery query(gateDb);
    bool ok = runSql(query, QStringLiteral("BEGIN IMMEDIATE"), {}, error) &&
              runSql(query, QStringLiteral("DELETE FROM tblTimeZones"), {}, error);
    for (int i = 0; ok && i < wanted.size(); ++i)
        ok = runSql(query,
                    QStringLiteral("INSERT INTO tblTimeZones (%1) VALUES (?,?,?)").arg(columns),
                    wanted[i], error);
    if (ok && runSql(query, QStringLiteral("COMMIT"), {}, error))
        return QStringLiteral("time zones: %1 rows written").arg(wanted.size());
    query.exec(QStringLiteral("ROLLBACK"));
    return {};
}

} // namespace

namespace SitePull {

bool changeCount(QSqlDatabase db, const QString &site, qint64 &count, QString *error)
{
    QSqlQuery query(db);
    if (!runSql(query, QStringLiteral("SELECT change_count FROM sites WHERE site = ?"), {site},
                error))
        return false;
    count = query.next() ? query.value(0).toLongLong() : -1;
    return true;
}

bool read(QSqlDatabase db, const QString &site, SiteData &data, QString *error)
{
    data = {};
    QString why;
    if (db.transaction() &&
        QSqlQuery(db).exec(
            QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ READ ONLY")) &&
        readSnapshot(db, site, data, &why) && db.commit())
        return true;
    setError(error, why.isEmpty() ? FleetConnection::reason(db) : why);
    db.rollback();
    data = {};
    return false;
}

Applied apply(const SiteData &data, const QString &folder, const QSqlDatabase &gateDb,
              bool allowShrink, const QDate &today)
{
    QList<ZoneRow> zones;
    for (const QVariantList &zone : data.zones)
        zones << ZoneRow{zone[0].toString(), zone[1].toString(), zone[2].toString()};
    // A zone the station could not use refuses the whole pull, as a bad unit does.
    const QStringList zoneFaults =
        zoneRowsFaults(zones, [](int i) { return QStringLiteral("time zone row %1").arg(i + 1); });
    if (!zoneFaults.isEmpty())
        return {SyncReport::refused(zoneFaults.join(QStringLiteral("; "))),
                QStringLiteral("time zones not written"), false};
    CustomerSync::Options options;
    options.allowShrink = allowShrink;
    options.allowShrinkHint = QStringLiteral("set AllowShrink=true in station.ini [fleet]");
    Applied applied{
        CustomerSync::run(SyncSource::inMemory(data.customers), folder, options, mdbTools(), today),
        {},
        false};
    if (applied.customers.outcome == CustomerSync::Report::Outcome::Refused)
        return applied;
    if (data.zones.isEmpty()) {
        applied.zones = QStringLiteral("time zones: none for the site, the station's own kept");
        applied.zonesWritten = true;
        return applied;
    }
    QList<QVariantList> wanted;
    for (const QVariantList &zone : data.zones)
        wanted << zoneRow(zone[0], zone[1], zone[2]);
    QString error;
    applied.zones = writeZones(wanted, gateDb, &error);
    applied.zonesWritten = !applied.zones.isEmpty();
    if (!applied.zonesWritten)
        applied.zones = QStringLiteral("time zones not written: ") + error;
    return applied;
}

} // namespace SitePull
