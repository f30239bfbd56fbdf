#include "sync_report.h"

namespace SyncReport {

namespace {

constexpr int MaxBadRowsListed = 100;

QStringList firstOf(const QStringList &lines, int max, const QString &rest)
{
    QStringList shown = lines.mid(0, max);
    if (lines.size() > max)
        shown << QStringLiteral("... and %1 more %2").arg(lines.size() - max).arg(rest);
    return shown;
}

} // namespace

Report refused(const QString &why, const QStringList &details)
{
    return {Report::Outcome::Refused, QStringLiteral("refused, nothing written: ") + why, details,
            -1};
}

std::optional<Report> check(const SourceTables &source, const CheckRules &rules, bool skipBad,
                            Checked &checked)
{
    CheckRules sourceRules = rules;
    sourceRules.quotesMarkText = source.quotesMarkText;
    checked.units = checkRows(SyncTables::units(), source.units, sourceRules);
    checked.masters = checkRows(SyncTables::masters(), source.masters, sourceRules);
    const QStringList bad = checked.units.bad + checked.masters.bad;
    const QStringList warnings = firstOf(checked.units.warnings + checked.masters.warnings,
                                         MaxExamples, QStringLiteral("warnings"));
    checked.notes.clear();
    if (!bad.isEmpty()) {
        const QStringList listed = firstOf(bad, MaxBadRowsListed, QStringLiteral("bad rows"));
        if (!skipBad)
            return refused(QStringLiteral("%1 bad rows, the first %2 (--skip-bad writes the good "
                                          "rows)")
                               .arg(bad.size())
                               .arg(bad.first()),
                           listed + warnings);
        for (const QString &line : listed)
            checked.notes << QStringLiteral("skipped ") + line;
    }
    checked.notes << warnings;
    return std::nullopt;
}

std::optional<Report> refuseShrink(const TablePlan &units, const TablePlan &masters,
                                   bool allowShrink, const QString &hint, const QStringList &notes)
{
    if (allowShrink)
        return std::nullopt;
    for (const auto &[table, plan] :
         {std::pair{&SyncTables::units(), &units}, std::pair{&SyncTables::masters(), &masters}}) {
        if (plan->shrinks())
            return refused(QStringLiteral("%1 would lose %2 of its %3 codes, more than half (a "
                                          "truncated export?); check the source, or %4")
                               .arg(table->name())
                               .arg(plan->codesRemoved)
                               .arg(plan->codesBefore)
                               .arg(hint),
                           notes);
    }
    return std::nullopt;
}

QString counts(const TablePlan &units, const TablePlan &masters)
{
    return QStringLiteral("units: %1; master codes: %2").arg(units.counts(), masters.counts());
}

QStringList details(const QStringList &notes, const TablePlan &units, const TablePlan &masters)
{
    QStringList lines = notes + (units.examples + masters.examples).mid(0, MaxExamples);
    const int more = units.codeChanges() + masters.codeChanges() - MaxExamples;
    if (more > 0)
        lines << QStringLiteral("... and %1 more changes").arg(more);
    return lines;
}

Report noChange(qsizetype unitRows, qsizetype masterRows, const QStringList &notes)
{
    return {Report::Outcome::NoChange,
            QStringLiteral("no change (unit rows: %1, master code rows: %2)")
                .arg(unitRows)
                .arg(masterRows),
            notes, -1};
}

Report dryRun(const TablePlan &units, const TablePlan &masters, const QStringList &notes)
{
    return {Report::Outcome::Changed,
            QStringLiteral("dry run, nothing written: ") + counts(units, masters),
            details(notes, units, masters), -1};
}

} // namespace SyncReport
