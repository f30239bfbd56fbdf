#include "log_push.h"

#include "data/sql_run.h"
#include "data/tables.h"
#include "fleet_connection.h"

#include <QSqlDriver>
#include <QSqlError>
#include <QSqlField>

namespace {

const QStringList &logColumns()
{
    static const QStringList columns = Tables::gateLog().columnNames();
    return columns;
}

QString literal(const QSqlDriver *driver, const QVariant &value)
{
    QSqlField field(QString(), value.metaType());
    field.setValue(value);
    return driver->formatValue(field);
}

} // namespace

bool LocalLog::rows(qint64 after, int limit, QList<QVariantList> &rows, QString *error)
{
    rows.clear();
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!runSql(query,
                QStringLiteral("SELECT %1 FROM tblGateLog WHERE fldID > ? ORDER BY fldID LIMIT ?")
                    .arg(logColumns().join(QLatin1Char(','))),
                {after, limit}, error))
        return false;
    const QList<Column> &columns = Tables::gateLog().columns;
    while (query.next()) {
        QVariantList row;
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant value = query.value(c);
            row << (value.isNull() && columns[c].kind != ColumnKind::Number
                        ? QVariant(QStringLiteral(""))
                        : value);
        }
        rows << row;
    }
    return true;
}

bool LocalLog::countAfter(qint64 after, qint64 &count, QString *error)
{
    QSqlQuery query(m_db);
    if (!runSql(query, QStringLiteral("SELECT count(*) FROM tblGateLog WHERE fldID > ?"), {after},
                error))
        return false;
    count = query.next() ? query.value(0).toLongLong() : 0;
    return true;
}

namespace CentralLog {

bool mark(QSqlDatabase db, const StationName &name, qint64 &mark, QString *error)
{
    QSqlQuery query(db);
    if (!runSql(query,
                QStringLiteral("SELECT coalesce(max(local_id), 0) FROM gate_log "
                               "WHERE site = ? AND station = ?"),
                {name.site, name.station}, error) ||
        !query.next())
        return false;
    mark = query.value(0).toLongLong();
    return true;
}

bool insert(QSqlDatabase db, const StationName &name, const QList<QVariantList> &rows,
            qint64 waitingAfter, QString *error)
{
    QStringList columns = logColumns();
    columns[0] = QStringLiteral("local_id");
    // Values written out by the driver's own quoting: one round trip per batch,
    // where a prepared statement of thousands of parameters takes three.
    const QSqlDriver *driver = db.driver();
    const QString site = literal(driver, name.site);
    const QString station = literal(driver, name.station);
    QString values;
    for (const QVariantList &row : rows) {
        values += (values.isEmpty() ? "(" : ",(") + site + ',' + station;
        for (const QVariant &value : row)
            values += ',' + literal(driver, value);
        values += ')';
    }
    // One statement: one round trip and one commit, for the rows and the
    // station's report together.
    QSqlQuery query(db);
    if (query.exec(QStringLiteral("WITH sent AS (INSERT INTO gate_log (site,station,%1) VALUES %2 "
                                  "ON CONFLICT DO NOTHING) UPDATE stations SET last_contact = "
                                  "now(), rows_waiting = %3 WHERE site = %4 AND station = %5")
                       .arg(columns.join(','), values, QString::number(waitingAfter), site,
                            station))) // one pass: no value is read as a place marker
        return true;
    // The server's words for a refused statement are on the query; a lost
    // connection leaves them on the connection.
    setError(error, query.lastError().databaseText().isEmpty() ? FleetConnection::reason(db)
                                                               : FleetConnection::failure(query));
    return false;
}

} // namespace CentralLog
