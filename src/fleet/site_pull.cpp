#include "site_pull.h"

#include "data/sql_run.h"
#include "sync/sync_report.h"
#include "timezones/zone_row.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// A row as JSON: each column as text, NULL kept.
QString jsonRow(const TableSchema &table, const QString &alias)
{
    QStringList values;
    for (const QString &column : table.columnNames())
        values << QStringLiteral("%1.%2::text").arg(alias, column);
    return QStringLiteral("json_build_array(%1)").arg(values.join(QLatin1Char(',')));
}

// The rows json_agg made, each as its text values; NULL (no row) is none.
QList<QVariantList> jsonRows(const QVariant &json)
{
    QList<QVariantList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(json.toByteArray()).array()) {
        QVariantList values;
        for (const QJsonValue &value : row.toArray())
            values << (value.isNull() ? QVariant() : QVariant(value.toString()));
        rows << values;
    }
    return rows;
}

// As the customer sync reads a source: NULL is an empty unquoted field, empty
// text a quoted one.
QList<TextRow> sourceRows(const QVariant &json)
{
    QList<TextRow> rows;
    for (const QVariantList &values : jsonRows(json)) {
        TextRow row{int(rows.size()) + 1, 0, {}, {}};
        for (const QVariant &value : values)
            row.fields << (value.isNull() ? CsvField{} : CsvField{value.toString(), true});
        rows << row;
    }
    return rows;
}

// One statement, so one snapshot and one round trip.
bool readSnapshot(QSqlDatabase &db, const QString &site, SiteData &data, QString *error)
{
    QSqlQuery query(db);
    if (!runSql(query,
                QStringLiteral(
                    "SELECT s.change_count, "
                    "(SELECT json_agg(%1 ORDER BY u.id) FROM units u WHERE u.site = s.site), "
                    "(SELECT json_agg(%2 ORDER BY m.fldID) FROM master_codes m "
                    "WHERE m.site = s.site OR m.site IS NULL), "
                    "(SELECT json_agg(%3 ORDER BY z.id) FROM time_zones z WHERE z.site = s.site) "
                    "FROM sites s WHERE s.site = ?")
                    .arg(jsonRow(Tables::unitInfo(), QStringLiteral("u")),
                         jsonRow(Tables::masterCodes(), QStringLiteral("m")),
                         jsonRow(Tables::timeZones(), QStringLiteral("z"))),
                {site}, error))
        return false;
    if (!query.next()) // no such site
        return true;
    data.changeCount = query.value(0).toLongLong();
    data.customers = {sourceRows(query.value(1)), sourceRows(query.value(2))};
    data.zones = jsonRows(query.value(3));
    return true;
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

bool read(QSqlDatabase db, const QString &site, SiteData &data, QString *error)
{
    data = {};
    if (readSnapshot(db, site, data, error))
        return true;
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
