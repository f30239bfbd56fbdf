#include "log_purge.h"

#include "data/data_control.h"

#include "data/sql_run.h"

namespace LogPurge {

bool countRows(const QSqlDatabase &gateDb, const LogSelection &view, qint64 &rows, QString *error)
{
    const LogSql sql = logSql(view);
    QSqlQuery q(gateDb);
    if (!runSql(q, QStringLiteral("select count(*) from tblGateLog where %1").arg(sql.where),
                sql.values, error))
        return false;
    rows = q.next() ? q.value(0).toLongLong() : 0;
    return true;
}

bool deleteThrough(const QSqlDatabase &gateDb, const LogSelection &view, const QDate &lastDay,
                   qint64 &deleted, QString *error)
{
    // A row's day is on or before lastDay when its stamp is before the next midnight.
    const QString nextMidnight =
        lastDay.addDays(1).startOfDay().toString(QLatin1String(LogDateTimeFormat));
    const LogSql sql = logSql(view);
    QSqlQuery q(gateDb);
    // IMMEDIATE takes the write lock at once, so the busy timeout applies to it.
    if (!runSql(q, QStringLiteral("BEGIN IMMEDIATE"), {}, error))
        return false;
    if (!runSql(
            q,
            QStringLiteral("delete from tblGateLog where (%1) and fldDateTime < ?").arg(sql.where),
            sql.values + QVariantList{nextMidnight}, error)) {
        QSqlQuery(gateDb).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    deleted = q.numRowsAffected();
    if (!runSql(q, QStringLiteral("COMMIT"), {}, error)) {
        QSqlQuery(gateDb).exec(QStringLiteral("ROLLBACK"));
        return false;
    }
    return true;
}

} // namespace LogPurge
