#pragma once

#include "tables/access_reader.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>

// Moving a site's data from its Access files into the station's databases.
namespace AccessImport {

// Reads the units and master codes from `dataMdb` and the gate log and time
// zones from `gateMdb`, checks and converts every row (dates to
// "YYYY-MM-DD HH:MM:SS", zone times to "HH:MM:SS", yes/no to -1/0), then writes
// them into the folder's Data.gsd and Gate.gsd (made when missing). Nothing is
// written unless every row converts and the four tables there are empty.
// `report` gets one line per table with its row count, `warnings` a line for a
// code column that drops leading zeros.
bool run(const AccessReader &reader, const QString &dataMdb, const QString &gateMdb,
         const QString &folder, QStringList *report, QStringList *warnings, QString *error);

} // namespace AccessImport
