#pragma once

// The large site the benchmarks time the gate on: 100 000 units, 100 master
// codes and a million log rows, made as another tool makes them.
#include "relay_line.h"
#include "support/gate_site.h"

#include <QString>
#include <QStringList>

namespace BigSite {

constexpr int Units = 100000;
constexpr int Masters = 100;
constexpr int LogRows = 1000000;
constexpr int LogRowsPerDay = 500;

inline QString unitCode(int i)
{
    return QString::number(100000 + i);
}

// The units a sync of the benchmarks changes: every hundredth one.
constexpr int ChangedUnits = 1000;

// A unit as the management software exports it, in the customer table's
// column order; a changed one locked in the changed export.
inline QStringList exportedUnit(int i, bool changedExport)
{
    const bool locked = changedExport && i % (Units / ChangedUnits) == 0;
    return {unitCode(i),
            "First",
            locked ? "Locked" : "Rented",
            "U" + QString::number(i),
            QString::number(i),
            "Last",
            "0",
            "000000",
            "0"};
}

enum class LogIndexes { Kept, Dropped };

// The customer tables without indexes, units rented with no time zone; a gate
// log of five and a half years, its indexes kept or not.
inline void fill(const StartFolder &folder, LogIndexes logIndexes)
{
    folder.exec("Data.gsd", "DROP INDEX idxUnitInfoGateCode; DROP INDEX idxMasterCodesPassCode");
    folder.exec(
        "Data.gsd",
        QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, fldStatus, "
            "fldUnitName, fldCustID, fldGateTimeZone, fldGateExpireDate, fldGateExclude) "
            "SELECT 100000 + i, 'First', 'Last', 'Rented', 'U' || i, i, 0, '000000', 0 FROM n;"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %2) "
            "INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, fldFirstName, fldLastName, "
            "fldUnitNumber, fldTimeZone, fldExpireDate) "
            "SELECT i, 900000 + i, 'Staff', 'Member', 'OFFICE', 0, '000000' FROM n")
            .arg(Units - 1)
            .arg(Masters));
    if (logIndexes == LogIndexes::Dropped)
        folder.exec("Gate.gsd", "DROP INDEX idxGateLogDateTime; DROP INDEX idxGateLogCustID");
    folder.exec("Gate.gsd",
                QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < %1) INSERT INTO tblGateLog (fldDateTime, fldCode, "
                               "fldReult, fldCustomer, fldUnitNumber, fldCustID, fldZone) "
                               "SELECT datetime('now', 'localtime', '-' || (i * 86400 / %2) || "
                               "' seconds'), 100000 + i % %3, 'Valid', 'Last, First', 'U1', "
                               "i % %3, 'In' FROM n")
                    .arg(LogRows - 1)
                    .arg(LogRowsPerDay)
                    .arg(Units));
}

// The large site on pseudo-terminals, 6-digit codes, the relay held on; its
// relay line timed from a thread of its own.
struct Gate {
    GateSite site;
    RelayLine relay;

    explicit Gate(LogIndexes logIndexes)
    {
        site.mapPorts(site.keypad1.devicePath(), relay.path(), site.keypad2.devicePath());
        site.settings.CodeLength = 6;
        site.settings.RelayCloseSeconds = 0;
        fill(site.folder, logIndexes);
    }
};

} // namespace BigSite
