#pragma once

#include "table_text.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Moving a site's data from its Access files into the station's databases.
namespace AccessImport {

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
bool readTables(const AccessReader &reader, const QString &mdbFile,
                const QList<TableSchema> &tables, QList<QList<TextRow>> &rows, QString *error);

// Reads the units and master codes from `dataMdb` and the gate log and time
// zones from `gateMdb`, checks and converts every row (dates to
// "YYYY-MM-DD HH:MM:SS", zone times to "HH:MM:SS", yes/no to -1/0), then writes
// them into the folder's Data.gsd and Gate.gsd (made when missing). Nothing is
// written unless every row converts and the four tables there are empty.
// `report` gets one line per table with its row count.
bool run(const AccessReader &reader, const QString &dataMdb, const QString &gateMdb,
         const QString &folder, QStringList *report, QString *error);

} // namespace AccessImport
