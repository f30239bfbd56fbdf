#include "latest_log.h"

#include "data/file_identity.h"
#include "data/sql_run.h"
#include "logview/log_query.h"

namespace {

constexpr int BusyTimeoutMs = 100;
const QString ConnectionName = QStringLiteral("latest-log");

bool readRows(QSqlDatabase db, const QDate &day, int limit, QList<LogRow> &rows, QString *error)
{
    if (!db.open()) {
        setError(error, db.lastError().text());
        return false;
    }
    // The date index serves both the range and the order.
    const LogSql range = logSql(LogRows{LogSelection::dateRange(day, day)});
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!runSql(q,
                QStringLiteral("select %1 from tblGateLog where %2 "
                               "order by fldDateTime desc, fldID desc limit ?")
                    .arg(QLatin1String(LogRowColumns), range.where),
                range.values + QVariantList{limit}, error))
        return false;
    rows.clear();
    while (q.next())
        rows << logRowAt(q);
    return true;
}

} // namespace

bool readLatestLogRows(const QString &gateDbPath, const QDate &day, int limit, QList<LogRow> &rows,
                       QString *error)
{
    if (const QString refusal = OpenFiles::refusal(gateDbPath); !refusal.isEmpty()) {
        setError(error, refusal);
        return false;
    }
    bool read = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), ConnectionName);
        db.setDatabaseName(gateDbPath);
        db.setConnectOptions(
            QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
        read = readRows(db, day, limit, rows, error);
    }
    QSqlDatabase::removeDatabase(ConnectionName);
    return read;
}
