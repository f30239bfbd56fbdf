#include "access_import.h"

#include "common/error_text.h"

#include "csv_reader.h"
#include "data/data_control.h"
#include "data/tables.h"
#include "data/yes_no.h"
#include "station_folder.h"

#include "data/sql_run.h"
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>

#include <QSqlQuery>
#include <QVariant>

namespace {

using Kind = ColumnKind;
using Table = TableSchema;

const char *const ExportedDateTime = "yyyy-MM-dd HH:mm:ss";

// A field as the station stores it; an invalid QVariant with `why` set when it cannot be.
QVariant convert(const CsvField &field, Kind kind, QString &why)
{
    const QString text = field.text;
    // Only numbers and times keep NULL: text is stored as empty text, so a reader
    // that selects = '' sees what the station sees, and an empty flag is no.
    const bool takesNull = kind != Kind::Text && kind != Kind::YesNo;
    if (takesNull && text.isEmpty() && !field.quoted)
        return QVariant(QMetaType::fromType<QString>());
    switch (kind) {
    case Kind::Text:
        return text.isNull() ? QString(QLatin1String("")) : text;
    case Kind::Number: {
        bool ok = false;
        const qint64 whole = text.toLongLong(&ok);
        if (ok)
            return whole;
        const double real = text.toDouble(&ok);
        if (ok)
            return real;
        why = QStringLiteral("\"%1\" is not a number").arg(text);
        return {};
    }
    case Kind::YesNo: {
        const auto flag = yesNoValue(text);
        if (!flag)
            why = QStringLiteral("\"%1\" is not yes or no").arg(text);
        return flag ? QVariant(*flag ? -1 : 0) : QVariant();
    }
    case Kind::DateTime: {
        const QDateTime when = QDateTime::fromString(text, QLatin1String(ExportedDateTime));
        if (!when.isValid()) {
            why = QStringLiteral("\"%1\" is not a valid date and time").arg(text);
            return {};
        }
        return when.toString(QLatin1String(LogDateTimeFormat));
    }
    case Kind::TimeOfDay: {
        // Access keeps a time of day as a date/time on 1899-12-30.
        const QString timePart = text.section(QLatin1Char(' '), -1);
        const QTime time = QTime::fromString(timePart, QStringLiteral("HH:mm:ss"));
        if (!time.isValid()) {
            why = QStringLiteral("\"%1\" is not a valid time of day").arg(text);
            return {};
        }
        return time.toString(QStringLiteral("HH:mm:ss"));
    }
    }
    return {};
}

using Rows = QList<QVariantList>;

// Reads and converts one table; every row must convert.
bool readTable(const AccessImport::TableExport &source, const QString &mdbFile, const Table &table,
               Rows &rows, QString *error)
{
    QByteArray csv;
    qint64 count = 0;
    if (!source(mdbFile, table.table, csv, count, error))
        return false;
    QList<CsvRow> parsed;
    QString why;
    if (!parseCsv(csv, parsed, &why)) {
        setError(error, QStringLiteral("%1 in %2: %3").arg(table.table, mdbFile, why));
        return false;
    }
    if (parsed.isEmpty()) {
        setError(error, QStringLiteral("%1 in %2 has no header row").arg(table.table, mdbFile));
        return false;
    }
    const CsvRow header = parsed.takeFirst();
    if (parsed.size() != count) {
        setError(error, QStringLiteral("%1 in %2: %3 rows read but the file holds %4")
                            .arg(table.table, mdbFile)
                            .arg(parsed.size())
                            .arg(count));
        return false;
    }
    QList<int> positions;
    for (const Column &column : table.columns) {
        const auto it = std::find_if(header.begin(), header.end(), [&](const CsvField &f) {
            return f.text.compare(column.name, Qt::CaseInsensitive) == 0;
        });
        if (it == header.end()) {
            setError(
                error,
                QStringLiteral("%1 in %2 has no column %3").arg(table.table, mdbFile, column.name));
            return false;
        }
        positions << int(it - header.begin());
    }
    rows.clear();
    for (int r = 0; r < parsed.size(); ++r) {
        QVariantList values;
        for (int c = 0; c < table.columns.size(); ++c) {
            const CsvField field = parsed[r].value(positions[c]);
            const QVariant value = convert(field, table.columns[c].kind, why);
            if (!value.isValid()) {
                setError(error, QStringLiteral("%1 row %2, %3: %4")
                                    .arg(table.table)
                                    .arg(r + 1)
                                    .arg(table.columns[c].name, why));
                return false;
            }
            values << value;
        }
        rows << values;
    }
    return true;
}

// Writes every table in one transaction over both files (the gate database
// attached to the customer one), so an import lands whole or not at all, and
// never mixes with rows already there.
bool writeTables(const QString &dataPath, const QString &gatePath,
                 const QList<QPair<const Table *, Rows>> &tablesRows, QString *error)
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
                (table->inGateDatabase ? QStringLiteral("gate.") : QStringLiteral("main.")) +
                table->table;
            ok = ok &&
                 runSql(query, QStringLiteral("select count(*) from %1").arg(name), {}, error) &&
                 query.next();
            if (ok && query.value(0).toLongLong() > 0) {
                setError(error,
                         QStringLiteral("%1 in %2 already holds rows; import into an "
                                        "empty station folder")
                             .arg(table->table, table->inGateDatabase ? gatePath : dataPath));
                ok = false;
            }
            const QStringList columns = table->columnNames();
            const QString insert =
                QStringLiteral("insert into %1 (%2) values (%3)")
                    .arg(name, columns.join(QLatin1Char(',')),
                         QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(',')));
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

TableExport mdbTools()
{
    return [](const QString &mdbFile, const QString &table, QByteArray &csv, qint64 &rowCount,
              QString *error) {
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
}

bool run(const TableExport &source, const QString &dataMdb, const QString &gateMdb,
         const QString &folder, QStringList *report, QString *error)
{
    QList<QPair<const Table *, Rows>> all;
    for (const Table &table : Tables::all()) {
        Rows rows;
        if (!readTable(source, table.inGateDatabase ? gateMdb : dataMdb, table, rows, error))
            return false;
        all << qMakePair(&table, rows);
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
            *report << QStringLiteral("%1: %2 rows").arg(table->table).arg(rows.size());
    }
    return true;
}

} // namespace AccessImport
