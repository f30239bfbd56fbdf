#include "access_reader.h"

#include "common/error_text.h"

#include <QProcess>

namespace {

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

bool readAccessTables(const AccessReader &reader, const QString &mdbFile,
                      const QList<TableSchema> &tables, QList<QList<TextRow>> &rows, QString *error)
{
    QStringList present;
    if (!reader.listTables(mdbFile, present, error))
        return false;
    QStringList missing;
    for (const TableSchema &table : tables) {
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
    for (const TableSchema &table : tables) {
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
