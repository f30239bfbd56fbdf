#include "gate_event_record.h"

#include <QSqlError>
#include <QSqlQuery>

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
    return {code, location, InvalidResult, InvalidResult, InvalidResult, QStringLiteral("0")};
}

bool recordGateEvent(const QSqlDatabase &gateDb, const GateEvent &event, const QDateTime &when,
                     QString *error)
{
    QSqlQuery q(gateDb);
    // A single auto-committed statement: durable when it returns.
    q.prepare(QStringLiteral("insert into tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, "
                             "fldUnitNumber, fldCustID, fldZone) values (?, ?, ?, ?, ?, ?, ?)"));
    q.addBindValue(when.toString(QLatin1String(LogDateTimeFormat)));
    q.addBindValue(event.code);
    q.addBindValue(event.result);
    q.addBindValue(event.customer);
    q.addBindValue(event.unitNumber);
    q.addBindValue(event.custId);
    q.addBindValue(event.zone);
    if (!q.exec()) {
        if (error)
            *error = q.lastError().text();
        return false;
    }
    return true;
}
