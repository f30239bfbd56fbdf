#include "sync_plan.h"

#include "common/station_log.h"
#include "data/yes_no.h"

#include <QHash>

namespace {

// Values are the same when both are NULL, or neither is and they are equal as
// SQLite gives them back (a number column gives a number for number text).
bool sameValue(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() == b.isNull();
    if (a.typeId() == b.typeId())
        return a == b;
    return a.toString() == b.toString();
}

bool sameRow(const QVariantList &a, const QVariantList &b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), sameValue);
}

// Rows by code without a list for each code: the codes in order of first
// appearance with their first and last rows, and for every row the next with
// its code.
struct Groups {
    QStringList codes;
    QList<int> first;
    QList<int> last;
    QHash<QString, int> slot; // a code's place in the lists above
    QList<int> next;          // -1 after a code's last row

    int firstRow(const QString &code) const
    {
        const auto it = slot.constFind(code);
        return it == slot.constEnd() ? -1 : first[*it];
    }
};

template <class Row> Groups groupByCode(const SyncTable &table, const QList<Row> &rows)
{
    Groups groups;
    groups.next.fill(-1, rows.size());
    groups.slot.reserve(rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        const QString code = rows[i].values[table.code].toString();
        const qsizetype known = groups.slot.size();
        int &place = groups.slot[code];
        if (groups.slot.size() > known) {
            place = int(groups.codes.size());
            groups.codes << code;
            groups.first << i;
            groups.last << i;
        } else {
            groups.next[groups.last[place]] = i;
            groups.last[place] = i;
        }
    }
    return groups;
}

QString shownCode(const QString &code)
{
    return code.isEmpty() ? QStringLiteral("(no code)") : StationLog::masked(code);
}

QString flagText(const QVariant &value)
{
    const auto flag = yesNoValue(value.toString());
    return flag ? (*flag ? QStringLiteral("yes") : QStringLiteral("no")) : value.toString();
}

// What changed in the row the station reads first: the columns its decision
// uses with their values, other columns by name.
QString changes(const SyncTable &table, const QVariantList &before, const QVariantList &after)
{
    const QList<QPair<int, QString>> decisive{{table.status, QStringLiteral("status")},
                                              {table.zone, QStringLiteral("zone")},
                                              {table.expiry, QStringLiteral("expiry")},
                                              {table.exclude, QStringLiteral("exclusion")}};
    QStringList parts;
    for (int c = 0; c < before.size(); ++c) {
        if (sameValue(before[c], after[c]))
            continue;
        const auto it = std::find_if(decisive.begin(), decisive.end(),
                                     [c](const auto &d) { return d.first == c; });
        if (it == decisive.end()) {
            parts << table.schema->columns[c].name;
            continue;
        }
        const bool flag = c == table.exclude;
        parts << QStringLiteral("%1 \"%2\" -> \"%3\"")
                     .arg(it->second, flag ? flagText(before[c]) : before[c].toString(),
                          flag ? flagText(after[c]) : after[c].toString());
    }
    return parts.isEmpty() ? QStringLiteral("the rows after the first")
                           : parts.join(QStringLiteral(", "));
}

} // namespace

QString TablePlan::counts() const
{
    if (isEmpty())
        return QStringLiteral("no change");
    return QStringLiteral("%1 added, %2 removed, %3 changed").arg(added).arg(removed).arg(changed);
}

TablePlan planTable(const SyncTable &table, const QList<CurrentRow> &current,
                    const QList<CheckedRow> &source)
{
    TablePlan plan;
    const Groups now = groupByCode(table, current);
    const Groups wanted = groupByCode(table, source);
    auto example = [&](const QString &line) {
        if (plan.examples.size() < MaxExamples)
            plan.examples << line;
    };
    for (const QString &code : wanted.codes) {
        const int firstWanted = wanted.firstRow(code);
        const int firstNow = now.firstRow(code);
        int a = firstNow;
        int b = firstWanted;
        while (a >= 0 && b >= 0 && sameRow(current[a].values, source[b].values)) {
            a = now.next[a];
            b = wanted.next[b];
        }
        if (a < 0 && b < 0)
            continue;
        const CheckedRow &first = source[firstWanted];
        if (firstNow < 0) {
            ++plan.added;
            example(QStringLiteral("added %1 %2 from %3")
                        .arg(table.what, shownCode(code), first.where()));
        } else {
            ++plan.changed;
            example(QStringLiteral("changed %1 %2 from %3: %4")
                        .arg(table.what, shownCode(code), first.where(),
                             changes(table, current[firstNow].values, first.values)));
        }
        // A key rewritten in place could meet a row not yet rewritten: keyed
        // rows are deleted and inserted.
        for (; table.id < 0 && a >= 0 && b >= 0; a = now.next[a], b = wanted.next[b]) {
            if (!sameRow(current[a].values, source[b].values))
                plan.updates << CurrentRow{current[a].rowid, source[b].values};
        }
        for (; a >= 0; a = now.next[a])
            plan.deletes << current[a].rowid;
        for (; b >= 0; b = wanted.next[b])
            plan.inserts << source[b].values;
    }
    for (const QString &code : now.codes) {
        if (!code.isEmpty())
            ++plan.codesBefore;
        if (wanted.slot.contains(code))
            continue;
        ++plan.removed;
        plan.codesRemoved += !code.isEmpty();
        example(QStringLiteral("removed %1 %2").arg(table.what, shownCode(code)));
        for (int i = now.firstRow(code); i >= 0; i = now.next[i])
            plan.deletes << current[i].rowid;
    }
    return plan;
}
