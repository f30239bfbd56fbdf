#include "site_import.h"

#include "data/sql_run.h"
#include "fleet_connection.h"
#include "sync/sync_report.h"

namespace {

using Report = CustomerSync::Report;
using SyncReport::refused;

// Bound values per statement stay far below PostgreSQL's limit of 65535.
constexpr int InsertBatchRows = 500;

struct FleetTable {
    const SyncTable &sync;
    QString name;  // in the fleet database
    QString order; // the column that keeps the source's order
};

const QList<FleetTable> &fleetTables()
{
    static const QList<FleetTable> tables{
        {SyncTables::units(), QStringLiteral("units"), QStringLiteral("id")},
        {SyncTables::masters(), QStringLiteral("master_codes"), QStringLiteral("fldID")}};
    return tables;
}

QString siteWhere(const QString &site)
{
    return site.isEmpty() ? QStringLiteral("site IS NULL") : QStringLiteral("site = ?");
}

// The columns the fleet keeps of a table: all but the station's own row key.
QStringList keptColumns(const SyncTable &table)
{
    QStringList names = table.schema->columnNames();
    if (table.id >= 0)
        names.removeAt(table.id);
    return names;
}

QVariantList keptValues(const SyncTable &table, QVariantList values)
{
    if (table.id >= 0)
        values[table.id] = QVariant();
    return values;
}

QVariantList siteValue(const QString &site)
{
    return site.isEmpty() ? QVariantList{} : QVariantList{site};
}

bool readCurrent(QSqlDatabase &db, const FleetTable &table, const QString &site,
                 QList<CurrentRow> &rows, QString *error)
{
    const QStringList columns = table.sync.schema->columnNames();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!runSql(query,
                QStringLiteral("SELECT %1 FROM %2 WHERE %3 ORDER BY %4")
                    .arg(columns.join(QLatin1Char(',')), table.name, siteWhere(site), table.order),
                siteValue(site), error))
        return false;
    while (query.next()) {
        // Rows are replaced, never updated in place: the row number only orders them.
        CurrentRow row{rows.size() + 1, {}};
        for (int c = 0; c < columns.size(); ++c)
            row.values << (query.isNull(c) ? QVariant() : query.value(c));
        row.values = keptValues(table.sync, row.values);
        rows << row;
    }
    return true;
}

bool replaceRows(QSqlDatabase &db, const FleetTable &table, const QString &site,
                 const QList<CheckedRow> &rows, QString *error)
{
    QSqlQuery query(db);
    if (!runSql(query, QStringLiteral("DELETE FROM %1 WHERE %2").arg(table.name, siteWhere(site)),
                siteValue(site), error))
        return false;
    const QStringList columns = keptColumns(table.sync);
    const QString marks =
        QStringLiteral("(?,%1)").arg(QStringList(columns.size(), QStringLiteral("?")).join(','));
    for (qsizetype first = 0; first < rows.size(); first += InsertBatchRows) {
        const qsizetype count = std::min<qsizetype>(InsertBatchRows, rows.size() - first);
        QVariantList values;
        for (qsizetype i = first; i < first + count; ++i) {
            values << (site.isEmpty() ? QVariant() : QVariant(site));
            QVariantList row = rows[i].values;
            if (table.sync.id >= 0)
                row.removeAt(table.sync.id);
            values << row;
        }
        if (!runSql(query,
                    QStringLiteral("INSERT INTO %1 (site,%2) VALUES %3")
                        .arg(table.name, columns.join(','),
                             QStringList(count, marks).join(QLatin1Char(','))),
                    values, error))
            return false;
    }
    return true;
}

// Another import of the same site waits until this one is committed.
bool lockSite(QSqlDatabase &db, const QString &site, QString *error)
{
    QSqlQuery query(db);
    return runSql(query, QStringLiteral("SELECT pg_advisory_xact_lock(hashtext(?))"),
                  {QStringLiteral("fleet import ") + site}, error) &&
           (site.isEmpty() ||
            runSql(query,
                   QStringLiteral("INSERT INTO sites (site) VALUES (?) ON CONFLICT DO NOTHING"),
                   {site}, error));
}

QList<CheckedRow> keptRows(const SyncTable &table, QList<CheckedRow> rows)
{
    for (CheckedRow &row : rows)
        row.values = keptValues(table, row.values);
    return rows;
}

Report import(QSqlDatabase &db, const QString &site, const SyncReport::Checked &checked,
              const CustomerSync::Options &options)
{
    const QStringList &notes = checked.notes;
    const QList<FleetTable> &tables = fleetTables();
    QString error;
    QList<CurrentRow> current[2];
    if (!lockSite(db, site, &error) || !readCurrent(db, tables[0], site, current[0], &error) ||
        !readCurrent(db, tables[1], site, current[1], &error))
        return refused(error, notes);
    const TablePlan units = planTable(SyncTables::units(), current[0],
                                      keptRows(SyncTables::units(), checked.units.rows));
    const TablePlan masters = planTable(SyncTables::masters(), current[1],
                                        keptRows(SyncTables::masters(), checked.masters.rows));
    if (units.isEmpty() && masters.isEmpty())
        return SyncReport::noChange(current[0].size(), current[1].size(), notes);
    if (const auto refusal = SyncReport::refuseShrink(units, masters, options.allowShrink,
                                                      options.allowShrinkHint, notes))
        return *refusal;
    if (options.dryRun)
        return SyncReport::dryRun(units, masters, notes);
    const QStringList details = SyncReport::details(notes, units, masters);
    if (!replaceRows(db, tables[0], site, checked.units.rows, &error) ||
        !replaceRows(db, tables[1], site, checked.masters.rows, &error))
        return refused(error, details);
    return {Report::Outcome::Changed, SyncReport::counts(units, masters), details, -1};
}

} // namespace

namespace SiteImport {

Report run(QSqlDatabase db, const QString &site, const SourceTables &source,
           const CustomerSync::Options &options, const QDate &today)
{
    SyncReport::Checked checked;
    if (const auto refusal = SyncReport::check(source, {today, 0}, options.skipBad, checked))
        return *refusal;
    if (site.isEmpty() && !checked.units.rows.isEmpty())
        return refused(QStringLiteral("units belong to a site: name the site to import them"),
                       checked.notes);
    if (!db.transaction())
        return refused(FleetConnection::reason(db), checked.notes);
    Report report = import(db, site, checked, options);
    const bool keep = report.outcome == Report::Outcome::Changed; // a dry run wrote nothing
    if (keep ? !db.commit() : !db.rollback()) {
        db.rollback();
        return refused(FleetConnection::reason(db), report.details);
    }
    return report;
}

} // namespace SiteImport
