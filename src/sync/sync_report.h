#pragma once

#include "customer_sync.h"
#include "sync_plan.h"

#include <optional>

// The steps every writer of units and master codes shares, with what its
// report says of them: a station folder's sync and the fleet's import.
namespace SyncReport {

using Report = CustomerSync::Report;

Report refused(const QString &why, const QStringList &details = {});

struct Checked {
    CheckedTable units;
    CheckedTable masters;
    QStringList notes; // the bad rows skipped and the warnings, as the report lists them
};

// The source's rows through the checks. A bad row refuses the whole source
// unless bad rows are to be skipped.
std::optional<Report> check(const SourceTables &source, const CheckRules &rules, bool skipBad,
                            Checked &checked);

// A table that would lose more than half of its codes refuses the change
// unless that is allowed; `hint` says how to allow it.
std::optional<Report> refuseShrink(const TablePlan &units, const TablePlan &masters,
                                   bool allowShrink, const QString &hint, const QStringList &notes);

// "units: 3 added, 1 removed; master codes: no change"
QString counts(const TablePlan &units, const TablePlan &masters);

// The notes, then the first changes.
QStringList details(const QStringList &notes, const TablePlan &units, const TablePlan &masters);

Report noChange(qsizetype unitRows, qsizetype masterRows, const QStringList &notes);
Report dryRun(const TablePlan &units, const TablePlan &masters, const QStringList &notes);

} // namespace SyncReport
