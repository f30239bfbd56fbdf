#include "log_purge.h"

#include "data/sql_run.h"

#include <QFileInfo>

namespace {

bool isLocked(const QSqlError &error)
{
    constexpr int Busy = 5;   // SQLITE_BUSY
    constexpr int Locked = 6; // SQLITE_LOCKED
    const int code = error.nativeErrorCode().toInt() & 0xff;
    return code == Busy || code == Locked;
}

} // namespace

LogPurge::LogPurge(const LogSelection &view, const QDate &lastDay, int batchRows)
    // A row's day is on or before lastDay when its stamp is before the next midnight.
    : m_rows{view, Filters::All, storedDayStart(lastDay.addDays(1))}
    , m_batchRows(batchRows)
    , m_log(QStringLiteral("LogPurge"), Tables::gateLog(), DataControl::Writes::Durable)
{
    m_log.setBusyTimeout(0);
}

bool LogPurge::start(const QString &gateConnectionString, QString *error)
{
    m_file = databaseFileOf(gateConnectionString);
    m_log.setConnectionString(gateConnectionString);
    if (!m_log.refresh(error))
        return false;
    addMissingLogIndexes(m_log.database());
    return pinAndCount(m_log.database(), m_rows, m_total, error);
}

LogPurge::Step LogPurge::step()
{
    if (!m_log.isCurrent())
        return stop(QStringLiteral("%1 is gone or was replaced").arg(m_file));
    if (!QFileInfo(m_file).isWritable())
        return stop(QStringLiteral("%1 became read-only").arg(m_file));
    // Oldest first, in an order an index gives without sorting: by time, or
    // for one customer as written.
    const QString order = m_rows.selection.kind == LogSelection::Kind::Customer
                              ? QStringLiteral("rowid")
                              : QStringLiteral("fldDateTime, rowid");
    const LogSql sql = logSql(m_rows);
    QSqlQuery q(m_log.database());
    QString error;
    if (!runSql(q,
                QStringLiteral("delete from tblGateLog where rowid in (select rowid from "
                               "tblGateLog where %1 order by %2 limit ?)")
                    .arg(sql.where, order),
                sql.values + QVariantList{m_batchRows}, &error)) {
        if (!isLocked(q.lastError()))
            return stop(error);
        if (++m_lockedTries < LockedTries)
            return Step::Locked;
        return stop(QStringLiteral("the gate log stayed locked (%1)").arg(error));
    }
    m_lockedTries = 0;
    const int batch = q.numRowsAffected();
    m_deleted += batch;
    return batch < m_batchRows ? Step::Done : Step::Deleted;
}

LogPurge::Step LogPurge::stop(const QString &why)
{
    m_stopReason = why;
    m_log.close(); // a replaced file is let go at once, so the station can take the new one
    return Step::Stopped;
}
