#include "access_import.h"

#include "common/error_text.h"

#include "data/sql_run.h"
#include "folder_setup.h"
#include "settings/station_folder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace {

using Table = TableSchema;

using Rows = QList<QVariantList>;

// Converts one table's rows; every row must convert.
bool convertTable(const Table &table, const QList<TextRow> &textRows, Rows &rows, QString *error)
{
    rows.clear();
    for (const TextRow &row : textRows) {
        QStringList faults;
        const QVariantList values = storedValues(table, row, faults);
        if (!faults.isEmpty()) {
            setError(error,
                     QStringLiteral("%1 %2, %3").arg(table.table, row.where(), faults.first()));
            return false;
        }
        rows << values;
    }
    return true;
}

// Writes every table in one transaction over both files (the gate database
// attached to the customer one), so an import lands whole or not at all, and
// never mixes with rows already there.
bool writeTables(const QString &dataPath, const QString &gatePath,
                 const QList<QPair<Table, Rows>> &tablesRows, QString *error)
{
    const QString connection = QStringLiteral("import:") + dataPath;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(dataPath);
        QSqlQuery query(db);
        ok = db.open() &&
             runSql(query, QStringLiteral("ATTACH DATABASE ? AS gate"), {gatePath}, error) &&
             runSql(query, QStringLiteral("BEGIN IMMEDIATE"), {}, error);
        for (const auto &[table, rows] : tablesRows) {
            const QString name =
                (table.inGateDatabase ? QStringLiteral("gate.") : QStringLiteral("main.")) +
                table.table;
            ok = ok &&
                 runSql(query, QStringLiteral("select count(*) from %1").arg(name), {}, error) &&
                 query.next();
            if (ok && query.value(0).toLongLong() > 0) {
                setError(error, QStringLiteral("%1 in %2 already holds rows; import into an "
                                               "empty station folder")
                                    .arg(table.table, table.inGateDatabase ? gatePath : dataPath));
                ok = false;
            }
            const QString insert = insertStatement(table, name);
            for (const QVariantList &row : rows)
                ok = ok && runSql(query, insert, row, error);
        }
        ok = ok && runSql(query, QStringLiteral("COMMIT"), {}, error);
        if (!ok)
            query.exec(QStringLiteral("ROLLBACK"));
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace

namespace AccessImport {

bool run(const AccessReader &reader, const QString &dataMdb, const QString &gateMdb,
         const QString &folder, QStringList *report, QStringList *warnings, QString *error)
{
    // A folder made by init has the keypads' code length; a bare one tells none.
    StationSettings settings;
    const int codeLength =
        StationFolder(folder).loadSettings(settings, nullptr) ? settings.CodeLength : 0;
    QList<QPair<Table, Rows>> all;
    for (const bool gateFile : {false, true}) {
        QList<Table> tables;
        for (const Table &table : Tables::all()) {
            if (table.inGateDatabase == gateFile)
                tables << table;
        }
        const QString &file = gateFile ? gateMdb : dataMdb;
        QList<QList<TextRow>> textRows;
        if (!readAccessTables(reader, file, tables, textRows, error))
            return false;
        for (int t = 0; t < tables.size(); ++t) {
            Rows rows;
            if (!convertTable(tables[t], textRows[t], rows, error))
                return false;
            all << qMakePair(tables[t], rows);
            if (warnings)
                *warnings << lostZeroWarnings(tables[t], textRows[t], true, codeLength);
        }
    }
    const QDir dir(folder);
    if (!QDir().mkpath(dir.absolutePath())) {
        setError(error, QStringLiteral("cannot create the folder %1").arg(folder));
        return false;
    }
    const QString dataPath = dir.absoluteFilePath(StationFolder::DataName);
    const QString gatePath = dir.absoluteFilePath(StationFolder::GateName);
    if ((!QFile::exists(dataPath) &&
         !FolderSetup::createDatabase(dataPath, {QStringLiteral("customer.sql")}, error)) ||
        (!QFile::exists(gatePath) &&
         !FolderSetup::createDatabase(gatePath, {QStringLiteral("gate.sql")}, error)))
        return false;
    if (!writeTables(dataPath, gatePath, all, error))
        return false;
    if (report) {
        for (const auto &[table, rows] : all)
            *report << QStringLiteral("%1: %2 rows").arg(table.table).arg(rows.size());
    }
    return true;
}

} // namespace AccessImport
