#pragma once

#include "sync_source.h"

#include <QDate>

// Brings the units and master codes of a station folder's customer database
// to exactly what a source holds, while the station runs. Time zones and the
// gate log are never touched.
namespace CustomerSync {

struct Options {
    bool dryRun = false;      // report what would change, write nothing
    bool skipBad = false;     // write the good rows of a source that has bad ones
    bool allowShrink = false; // let a table lose more than half of its codes
    // How the person who runs the sync allows a shrink, for the refusal.
    QString allowShrinkHint = QStringLiteral("sync with --allow-shrink");
};

struct Report {
    enum class Outcome { Changed, NoChange, Refused };
    Outcome outcome = Outcome::Refused;
    QString summary;     // one line: the counts, or why nothing was written
    QStringList details; // bad rows, warnings and the first changes, codes masked
    qint64 lockMs = -1;  // the longest the write lock was held at a time; -1 when not taken
};

// Statements may hold the write lock this long before the transaction is
// rolled back and the change written as a new file; COMMIT's own writes and
// disk syncs come on top, within the 200 ms the station and the management
// software may be kept waiting.
inline constexpr int InPlaceBudgetMs = 100;
// A change of more rows than this goes to a new file without trying.
inline constexpr int MaxInPlaceRows = 20000;

Report run(const SyncSource &source, const QString &folder, const Options &options,
           const AccessReader &reader, const QDate &today);

} // namespace CustomerSync
