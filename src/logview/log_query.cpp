#include "log_query.h"

#include "data/data_control.h"

#include "data/sql_run.h"

namespace {

QString dayStart(const QDate &day)
{
    return day.startOfDay().toString(QLatin1String(LogDateTimeFormat));
}

} // namespace

LogSql logSql(const LogSelection &selection)
{
    switch (selection.kind) {
    case LogSelection::Kind::DateRange:
        // The stored text sorts as the time it names, so text bounds select by
        // time; the upper bound is the next midnight, so the end day's last minute is in.
        return {QStringLiteral("fldDateTime >= ? and fldDateTime < ?"),
                {dayStart(selection.first), dayStart(selection.last.addDays(1))},
                QStringLiteral("fldDateTime, fldID")};
    case LogSelection::Kind::Customer:
        return {QStringLiteral("fldCustID = ?"), {selection.custId}, QStringLiteral("fldID")};
    case LogSelection::Kind::Everything:
        break;
    }
    return {QStringLiteral("1 = 1"), {}, QStringLiteral("fldID")};
}

bool queryLog(const QSqlDatabase &gateDb, const LogSelection &selection, QList<LogRow> &rows,
              QString *error)
{
    const LogSql sql = logSql(selection);
    QSqlQuery q(gateDb);
    q.setForwardOnly(true);
    if (!runSql(q,
                QStringLiteral("select fldDateTime, fldZone, fldCode, fldReult, fldUnitNumber, "
                               "fldCustomer, fldCustID from tblGateLog where %1 order by %2")
                    .arg(sql.where, sql.order),
                sql.values, error))
        return false;
    rows.clear();
    while (q.next())
        rows << LogRow{q.value(0).isNull() ? QString() : q.value(0).toString(),
                       columnText(q, QStringLiteral("fldZone")),
                       columnText(q, QStringLiteral("fldCode")),
                       columnText(q, QStringLiteral("fldReult")),
                       columnText(q, QStringLiteral("fldUnitNumber")),
                       columnText(q, QStringLiteral("fldCustomer")),
                       columnText(q, QStringLiteral("fldCustID"))};
    return true;
}
