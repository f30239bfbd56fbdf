#include "gate_event_record.h"

#include "data/data_control.h"
#include "data/sql_run.h"
#include "result_words.h"

namespace {

QString nameOf(const QString &last, const QString &first)
{
    return last + QStringLiteral(", ") + first;
}

} // namespace

GateEvent unitEvent(const QString &code, const QString &location, const UnitRow &unit,
                    const QString &result)
{
    return {code,          location,   result, nameOf(unit.lastName, unit.firstName),
            unit.unitName, unit.custId};
}

std::optional<GateEvent> masterEvent(const QString &code, const QString &location,
                                     const MasterRow &master, const QString &result)
{
    bool ok = false;
    const qint64 id = master.id.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return GateEvent{code,
                     location,
                     result,
                     nameOf(master.lastName, master.firstName),
                     master.unitNumber,
                     QString::number(MasterIdBase + id)};
}

GateEvent invalidEvent(const QString &code, const QString &location)
{
    return {code,
            location,
            ResultWords::Invalid,
            ResultWords::Invalid,
            ResultWords::Invalid,
            QStringLiteral("0")};
}

bool beginGateEvent(const QSqlDatabase &gateDb, QString *error)
{
    QSqlQuery q(gateDb);
    return runSql(q, QStringLiteral("BEGIN IMMEDIATE"), {}, error);
}

bool commitGateEvent(const QSqlDatabase &gateDb, const GateEvent &event, const QDateTime &when,
                     QString *error)
{
    QSqlQuery q(gateDb);
    if (runSql(q,
               QStringLiteral("insert into tblGateLog (fldDateTime, fldCode, fldReult, "
                              "fldCustomer, fldUnitNumber, fldCustID, fldZone) "
                              "values (?, ?, ?, ?, ?, ?, ?)"),
               {when.toString(QLatin1String(LogDateTimeFormat)), event.code, event.result,
                event.customer, event.unitNumber, event.custId, event.location},
               error) &&
        runSql(q, QStringLiteral("COMMIT"), {}, error))
        return true;
    q.exec(QStringLiteral("ROLLBACK"));
    return false;
}
