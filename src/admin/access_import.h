#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Moving a site's data from its Access files into the station's databases.
namespace AccessImport {

// One table of an Access file as CSV text with a header row, and the row count
// the file itself reports; false with the reason when it cannot be read.
using TableExport = std::function<bool(const QString &mdbFile, const QString &table,
                                       QByteArray &csv, qint64 &rowCount, QString *error)>;

// Reads tables with mdbtools (mdb-export and mdb-count).
TableExport mdbTools();

// Reads the units and master codes from `dataMdb` and the gate log and time
// zones from `gateMdb`, checks and converts every row (dates to
// "YYYY-MM-DD HH:MM:SS", zone times to "HH:MM:SS", yes/no to -1/0), then writes
// them into the folder's Data.gsd and Gate.gsd (made when missing). Nothing is
// written unless every row converts and the four tables there are empty.
// `report` gets one line per table with its row count.
bool run(const TableExport &source, const QString &dataMdb, const QString &gateMdb,
         const QString &folder, QStringList *report, QString *error);

} // namespace AccessImport
