#pragma once

#include "data/data_control.h"
#include "log_query.h"

#include <QDate>
#include <optional>

// Deletes the rows of a log view stamped on or before a day, oldest first, a
// batch at a time. A batch is one statement, so it is deleted whole or not at
// all, whatever stops the purge. The caller steps it and returns to its event
// loop between batches, so the log is never held for long and keypads are served.
class LogPurge {
public:
    enum class Step { Deleted, Locked, Done, Stopped };
    // A million rows on a busy two-core machine: about 12 ms a batch, under
    // 100 ms at worst; larger batches lengthen the keypads' wait more than
    // they shorten the purge.
    static constexpr int BatchRows = 500;
    // How many times in a row a batch may find the log locked before the purge stops.
    static constexpr int LockedTries = 20;

    LogPurge(const LogSelection &view, const QDate &lastDay, int batchRows = BatchRows);

    // Opens a connection of its own, which never waits for a lock, and counts
    // the rows to delete; rows written from now on are not among them.
    bool start(const QString &gateConnectionString, QString *error);

    // Deletes the next batch. Deleted: more may follow; Locked: the log was
    // locked, try again a little later; Done: none is left; Stopped: see stopReason.
    Step step();

    qint64 total() const { return m_total; }
    qint64 deleted() const { return m_deleted; }
    const QString &stopReason() const { return m_stopReason; }

private:
    Step stop(const QString &why);

    LogRows m_rows;
    int m_batchRows;
    DataControl m_log;
    QString m_file;
    qint64 m_total = 0;
    qint64 m_deleted = 0;
    int m_lockedTries = 0;
    QString m_stopReason;
};
