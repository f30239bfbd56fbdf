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
    QString name; // in the fleet database
    QString key;  // the fleet's own row key, which keeps the source's order
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

// Columns or values of a row as the fleet keeps it: all but the station's own row key.
template <class T> QList<T> kept(const SyncTable &table, QList<T> row)
{
    if (table.id >= 0)
        row.removeAt(table.id);
    return row;
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
                QStringLiteral("SELECT %1,%2 FROM %3 WHERE %4 ORDER BY %1")
                    .arg(table.key, columns.join(QLatin1Char(',')), table.name, siteWhere(site)),
                siteValue(site), error))
        return false;
    while (query.next()) {
        CurrentRow row{query.value(0).toLongLong(), {}};
        for (int c = 1; c <= columns.size(); ++c)
            row.values << (query.isNull(c) ? QVariant() : query.value(c));
        row.values = keptValues(table.sync, row.values);
        rows << row;
    }
    return true;
}

// The rows' keys, a batch at a time.
bool deleteRows(QSqlDatabase &db, const FleetTable &table, const QVariantList &keys, QString *error)
{
    QSqlQuery query(db);
    for (qsizetype first = 0; first < keys.size(); first += InsertBatchRows) {
        const QVariantList batch = keys.mid(first, InsertBatchRows);
        if (!runSql(query,
                    QStringLiteral("DELETE FROM %1 WHERE %2 IN (%3)")
                        .arg(table.name, table.key,
                             QStringList(batch.size(), QStringLiteral("?")).join(',')),
                    batch, error))
            return false;
    }
    return true;
}

// Each row: its key (NULL: a new one, after every other row), then the kept columns.
bool insertRows(QSqlDatabase &db, const FleetTable &table, const QString &site,
                const QList<QVariantList> &rows, QString *error)
{
    const QStringList columns = kept(table.sync, table.sync.schema->columnNames());
    const QString marks = QStringList(columns.size(), QStringLiteral("?")).join(',');
    QSqlQuery query(db);
    for (qsizetype first = 0; first < rows.size(); first += InsertBatchRows) {
        QStringList tuples;
        QVariantList values;
        for (const QVariantList &row : rows.mid(first, InsertBatchRows)) {
            const bool newKey = row[0].isNull();
            tuples << QStringLiteral("(%1?,%2)").arg(newKey ? "DEFAULT," : "?,", marks);
            if (!newKey)
                values << row[0];
            values << (site.isEmpty() ? QVariant() : QVariant(site)) << row.mid(1);
        }
        if (!runSql(query,
                    QStringLiteral("INSERT INTO %1 (%2,site,%3) VALUES %4")
                        .arg(table.name, table.key, columns.join(','), tuples.join(',')),
                    values, error))
            return false;
    }
    return true;
}

// A row rewritten keeps its key: a master code keeps its number, a unit its place.
bool applyPlan(QSqlDatabase &db, const FleetTable &table, const QString &site,
               const TablePlan &plan, QString *error)
{
    QVariantList gone;
    QList<QVariantList> rows;
    for (const CurrentRow &row : plan.updates) {
        gone << row.rowid;
        rows << QVariantList{row.rowid} + kept(table.sync, row.values);
    }
    for (const qint64 key : plan.deletes)
        gone << key;
    for (const QVariantList &values : plan.inserts)
        rows << QVariantList{QVariant()} + kept(table.sync, values);
    return deleteRows(db, table, gone, error) && insertRows(db, table, site, rows, error);
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

// The source's keys are not kept, so every row is rewritten in place, as a
// unit's is.
TablePlan plan(const FleetTable &table, const QList<CurrentRow> &current,
               const QList<CheckedRow> &source)
{
    SyncTable inPlace = table.sync;
    inPlace.id = -1;
    return planTable(inPlace, current, keptRows(table.sync, source));
}

Report import(QSqlDatabase &db, const QString &site, const SyncReport::Checked &checked,
              const CustomerSync::Options &options)
{
    const QStringList &notes = checked.notes;
    const QList<FleetTable> &tables = fleetTables();
    QString error;
    QList<CurrentRow> current[2];
    if (!readCurrent(db, tables[0], site, current[0], &error) ||
        !readCurrent(db, tables[1], site, current[1], &error))
        return refused(error, notes);
    const TablePlan units = plan(tables[0], current[0], checked.units.rows);
    const TablePlan masters = plan(tables[1], current[1], checked.masters.rows);
    if (units.isEmpty() && masters.isEmpty())
        return SyncReport::noChange(current[0].size(), current[1].size(), notes);
    if (const auto refusal = SyncReport::refuseShrink(units, masters, options.allowShrink,
                                                      options.allowShrinkHint, notes))
        return *refusal;
    if (options.dryRun)
        return SyncReport::dryRun(units, masters, notes);
    const QStringList details = SyncReport::details(notes, units, masters);
    if (!applyPlan(db, tables[0], site, units, &error) ||
        !applyPlan(db, tables[1], site, masters, &error))
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
    return inTransaction(db, site, checked.notes,
                         [&] { return import(db, site, checked, options); });
}

Report inTransaction(QSqlDatabase db, const QString &site, const QStringList &notes,
                     const std::function<Report()> &work)
{
    QString error;
    if (!db.transaction())
        return refused(FleetConnection::reason(db), notes);
    const Report report = lockSite(db, site, &error) ? work() : refused(error, notes);
    const bool keep = report.outcome == Report::Outcome::Changed; // a dry run wrote nothing
    if (keep ? !db.commit() : !db.rollback()) {
        db.rollback();
        return refused(FleetConnection::reason(db), report.details);
    }
    return report;
}

} // namespace SiteImport
