#pragma once

#include "table_text.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// How tables are read from an Access file: mdbtools in the program, fakes in
// tests. Each is false with the reason when the file cannot be read.
struct AccessReader {
    // The names of the file's tables.
    std::function<bool(const QString &mdbFile, QStringList &tables, QString *error)> listTables;
    // One table as CSV text with a header row, and the row count the file itself reports.
    std::function<bool(const QString &mdbFile, const QString &table, QByteArray &csv,
                       qint64 &rowCount, QString *error)>
        exportTable;
};

// Reads with mdbtools (mdb-tables, mdb-export and mdb-count).
AccessReader mdbTools();

// The rows of the given tables of one Access file, each table's count checked
// against the file's own. A file lacking any of them is refused with every
// missing one named.
bool readAccessTables(const AccessReader &reader, const QString &mdbFile,
                      const QList<TableSchema> &tables, QList<QList<TextRow>> &rows,
                      QString *error);
