#include "access_import.h"

#include "common/error_text.h"

#include "data/sql_run.h"
#include "station_folder.h"

#include <QDir>
#include <QFile>
#include <QProcess>
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

bool runTool(const QString &program, const QStringList &arguments, QByteArray &output,
             QString *error)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted()) {
        setError(
            error,
            QStringLiteral("%1 cannot be run (install the Debian package mdbtools)").arg(program));
        return false;
    }
    process.waitForFinished(-1);
    output = process.readAllStandardOutput();
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        setError(error, QStringLiteral("%1 %2: %3")
                            .arg(program, arguments.join(QLatin1Char(' ')),
                                 QString::fromLocal8Bit(process.readAllStandardError()).trimmed()));
        return false;
    }
    return true;
}

} // namespace

namespace AccessImport {

AccessReader mdbTools()
{
    AccessReader reader;
    reader.listTables = [](const QString &mdbFile, QStringList &tables, QString *error) {
        QByteArray names;
        if (!runTool(QStringLiteral("mdb-tables"), {QStringLiteral("-1"), mdbFile}, names, error))
            return false;
        tables = QString::fromUtf8(names).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        return true;
    };
    reader.exportTable = [](const QString &mdbFile, const QString &table, QByteArray &csv,
                            qint64 &rowCount, QString *error) {
        QByteArray count;
        if (!runTool(QStringLiteral("mdb-export"),
                     {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"),
                      QStringLiteral("-b"), QStringLiteral("strip"), mdbFile, table},
                     csv, error) ||
            !runTool(QStringLiteral("mdb-count"), {mdbFile, table}, count, error))
            return false;
        bool ok = false;
        rowCount = count.trimmed().toLongLong(&ok);
        if (!ok)
            setError(error, QStringLiteral("mdb-count gave no count for %1").arg(table));
        return ok;
    };
    return reader;
}

bool readTables(const AccessReader &reader, const QString &mdbFile,
                const QList<TableSchema> &tables, QList<QList<TextRow>> &rows, QString *error)
{
    QStringList present;
    if (!reader.listTables(mdbFile, present, error))
        return false;
    QStringList missing;
    for (const Table &table : tables) {
        if (!present.contains(table.table, Qt::CaseInsensitive))
            missing << table.table;
    }
    if (!missing.isEmpty()) {
        setError(error, QStringLiteral("%1 has no table %2 (it holds: %3)")
                            .arg(mdbFile, missing.join(QStringLiteral(", ")),
                                 present.join(QStringLiteral(", "))));
        return false;
    }
    rows.clear();
    for (const Table &table : tables) {
        QByteArray csv;
        qint64 count = 0;
        QList<CsvRow> parsed;
        QString why;
        if (!reader.exportTable(mdbFile, table.table, csv, count, error))
            return false;
        if (!parseCsv(csv, parsed, &why)) {
            setError(error, QStringLiteral("%1 in %2: %3").arg(table.table, mdbFile, why));
            return false;
        }
        QList<TextRow> tableRowsRead;
        if (!tableRows(std::move(parsed), {}, table, mdbFile, tableRowsRead, error))
            return false;
        if (tableRowsRead.size() != count) {
            setError(error, QStringLiteral("%1 in %2: %3 rows read but the file holds %4")
                                .arg(table.table, mdbFile)
                                .arg(tableRowsRead.size())
                                .arg(count));
            return false;
        }
        rows << tableRowsRead;
    }
    return true;
}

bool run(const AccessReader &reader, const QString &dataMdb, const QString &gateMdb,
         const QString &folder, QStringList *report, QString *error)
{
    QList<QPair<Table, Rows>> all;
    for (const bool gateFile : {false, true}) {
        QList<Table> tables;
        for (const Table &table : Tables::all()) {
            if (table.inGateDatabase == gateFile)
                tables << table;
        }
        const QString &file = gateFile ? gateMdb : dataMdb;
        QList<QList<TextRow>> textRows;
        if (!readTables(reader, file, tables, textRows, error))
            return false;
        for (int t = 0; t < tables.size(); ++t) {
            Rows rows;
            if (!convertTable(tables[t], textRows[t], rows, error))
                return false;
            all << qMakePair(tables[t], rows);
        }
    }
    const QDir dir(folder);
    if (!QDir().mkpath(dir.absolutePath())) {
        setError(error, QStringLiteral("cannot create the folder %1").arg(folder));
        return false;
    }
    const QString dataPath = dir.absoluteFilePath(QStringLiteral("Data.gsd"));
    const QString gatePath = dir.absoluteFilePath(QStringLiteral("Gate.gsd"));
    if ((!QFile::exists(dataPath) &&
         !StationFolder::createDatabase(dataPath, {QStringLiteral("customer.sql")}, error)) ||
        (!QFile::exists(gatePath) &&
         !StationFolder::createDatabase(gatePath, {QStringLiteral("gate.sql")}, error)))
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
