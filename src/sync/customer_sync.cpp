#include "customer_sync.h"

#include "common/error_text.h"
#include "customer_database.h"
#include "data/file_identity.h"
#include "settings/settings_file.h"
#include "settings/station_folder.h"
#include "sync_report.h"

#include <QDir>

namespace {

using Report = CustomerSync::Report;
using Outcome = Report::Outcome;
using SyncReport::refused;

// Commits by another program between reading and writing are rare; a few
// fresh starts ride them out.
constexpr int Attempts = 3;

// Why a large change cannot go to a new file; empty when it can.
QString whyNoNewFile(const QString &dataPath, const QString &gatePath)
{
    const auto data = fileIdentity(dataPath);
    if (data && data == fileIdentity(gatePath))
        return QStringLiteral("%1 also holds the gate log, which the station writes").arg(dataPath);
    return {};
}

struct Written {
    CustomerDatabase::Write result = CustomerDatabase::Write::Failed;
    QString how;
    qint64 lockMs = -1;
};

// In place when readers do not wait for it or the change is small enough;
// else as a new file, where one may replace the database.
Written write(CustomerDatabase &db, const TablePlan &unitPlan, const TablePlan &masterPlan,
              const SyncReport::Checked &checked, const QString &dataPath, const QString &gatePath,
              QString *error)
{
    using Write = CustomerDatabase::Write;
    Written written{Write::TooSlow, QStringLiteral("in one transaction"), -1};
    const bool keepShort = db.readersWaitForWrites();
    if (!keepShort ||
        unitPlan.operations() + masterPlan.operations() <= CustomerSync::MaxInPlaceRows)
        written.result = db.applyInPlace(
            {{&SyncTables::units(), &unitPlan}, {&SyncTables::masters(), &masterPlan}},
            keepShort ? CustomerSync::InPlaceBudgetMs : -1, written.lockMs, error);
    if (written.result != Write::TooSlow)
        return written;
    const QString whyNot = whyNoNewFile(dataPath, gatePath);
    if (!whyNot.isEmpty()) {
        setError(error, QStringLiteral("the change is too large for one short transaction, and "
                                       "a new file may not replace the database: %1")
                            .arg(whyNot));
        return {Write::Failed, {}, -1};
    }
    QList<CustomerDatabase::Content> content;
    for (const auto &[table, rows] : {std::pair{&SyncTables::units(), &checked.units},
                                      std::pair{&SyncTables::masters(), &checked.masters}}) {
        CustomerDatabase::Content part{table, {}};
        for (const CheckedRow &row : rows->rows)
            part.rows << row.values;
        content << part;
    }
    const qint64 triedMs = written.lockMs;
    written.result = db.replaceFile(content, written.lockMs, error);
    written.lockMs = std::max(written.lockMs, triedMs);
    written.how = QStringLiteral("as a new file renamed over %1").arg(dataPath);
    return written;
}

} // namespace

namespace CustomerSync {

Report run(const SyncSource &source, const QString &folder, const Options &options,
           const AccessReader &reader, const QDate &today)
{
    StationSettings settings;
    QString error;
    if (!StationFolder(folder).loadSettings(settings, &error))
        return refused(error);
    const QString dataPath = settings.DataDbPath;
    const QString gatePath = settings.GateDbPath;

    SyncReport::Checked checked;
    {
        SourceTables text;
        if (!readSource(source, reader, text, &error))
            return refused(error);
        if (const auto refusal =
                SyncReport::check(text, {today, settings.CodeLength}, options.skipBad, checked))
            return *refusal;
    }
    const QStringList &notes = checked.notes;

    CustomerDatabase db(dataPath);
    if (!db.open(&error))
        return refused(error, notes);
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        QList<CurrentRow> units, masters;
        if (!db.read(units, masters, &error))
            return refused(QStringLiteral("%1: %2").arg(dataPath, error), notes);
        const TablePlan unitPlan = planTable(SyncTables::units(), units, checked.units.rows);
        const TablePlan masterPlan =
            planTable(SyncTables::masters(), masters, checked.masters.rows);
        if (unitPlan.isEmpty() && masterPlan.isEmpty())
            return SyncReport::noChange(units.size(), masters.size(), notes);
        if (const auto refusal = SyncReport::refuseShrink(unitPlan, masterPlan, options.allowShrink,
                                                          options.allowShrinkHint, notes))
            return *refusal;
        if (options.dryRun)
            return SyncReport::dryRun(unitPlan, masterPlan, notes);
        const QStringList details = SyncReport::details(notes, unitPlan, masterPlan);
        const QString counts = SyncReport::counts(unitPlan, masterPlan);
        const Written written =
            write(db, unitPlan, masterPlan, checked, dataPath, gatePath, &error);
        if (written.result == CustomerDatabase::Write::Failed)
            return refused(QStringLiteral("%1: %2").arg(dataPath, error), details);
        if (written.result == CustomerDatabase::Write::Done)
            return {Outcome::Changed,
                    QStringLiteral("%1; written %2, write lock held at most %3 ms")
                        .arg(counts, written.how)
                        .arg(written.lockMs),
                    details, written.lockMs};
    }
    return refused(QStringLiteral("%1 changed while each of %2 syncs was being prepared")
                       .arg(dataPath)
                       .arg(Attempts),
                   notes);
}

} // namespace CustomerSync
