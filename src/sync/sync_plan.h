#pragma once

#include "sync_check.h"

// A row of the customer database as it stands.
struct CurrentRow {
    qint64 rowid = 0;
    QVariantList values; // the table's columns, as SQLite gives them
};

// What a sync changes in one table. Rows are matched by code: a code whose
// rows (every column, in rowid order) are the source's rows in source order
// keeps them untouched. Another code's rows become the source's in source
// order, so the row the station takes first for a code is the one the source
// lists first: its rows are rewritten in place in rowid order, the ones too
// many deleted and the ones missing inserted after every other row. In a
// table whose rows carry their own key (master codes: fldID is the rowid) the
// code's rows are deleted and the source's inserted instead.
struct TablePlan {
    QList<CurrentRow> updates;   // rows rewritten where they are
    QList<qint64> deletes;       // rowids
    QList<QVariantList> inserts; // in the order they must be written
    int added = 0;               // codes, "no code" counting as one
    int removed = 0;
    int changed = 0;
    int codesBefore = 0;  // distinct codes, not empty, there now
    int codesRemoved = 0; // of them, those the source no longer has
    QStringList examples; // the first changes, codes masked

    bool isEmpty() const { return operations() == 0; }
    int codeChanges() const { return added + removed + changed; }
    qsizetype operations() const { return updates.size() + deletes.size() + inserts.size(); }
    // A truncated export, an empty file from a failed copy: more than half of
    // today's codes would go.
    bool shrinks() const { return codesRemoved * 2 > codesBefore; }
    // Codes: "3 added, 1 removed, 2 changed", or "no change".
    QString counts() const;
};

inline constexpr int MaxExamples = 20;

TablePlan planTable(const SyncTable &table, const QList<CurrentRow> &current,
                    const QList<CheckedRow> &source);
