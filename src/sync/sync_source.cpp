#include "sync_source.h"

#include "common/error_text.h"
#include "sync_tables.h"

#include <QFile>

bool readCsvFile(const QString &path, const TableSchema &table, QList<TextRow> &rows,
                 QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        setError(error, QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
        return false;
    }
    QList<CsvRow> parsed;
    QList<int> lines;
    QString why;
    if (!parseCsvFile(file.readAll(), parsed, &why, &lines)) {
        setError(error, QStringLiteral("%1: %2").arg(path, why));
        return false;
    }
    return tableRows(std::move(parsed), lines, table, path, rows, error);
}

QStringList SyncSource::files() const
{
    if (!accessFile.isEmpty())
        return {accessFile};
    return unitsCsv.isEmpty() ? QStringList{} : QStringList{unitsCsv, mastersCsv};
}

bool readSource(const SyncSource &source, const AccessReader &reader, SourceTables &tables,
                QString *error)
{
    if (source.accessFile.isEmpty() && source.unitsCsv.isEmpty()) {
        tables = source.rows;
        return true;
    }
    if (source.accessFile.isEmpty())
        return readCsvFile(source.unitsCsv, *SyncTables::units().schema, tables.units, error) &&
               readCsvFile(source.mastersCsv, *SyncTables::masters().schema, tables.masters, error);
    QList<QList<TextRow>> rows;
    if (!readAccessTables(reader, source.accessFile,
                          {*SyncTables::units().schema, *SyncTables::masters().schema}, rows,
                          error))
        return false;
    tables = {rows[0], rows[1], true};
    return true;
}
