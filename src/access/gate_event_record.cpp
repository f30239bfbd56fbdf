#include "gate_event_record.h"

#include "result_words.h"

#include <algorithm>

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

GateEvent notCheckedEvent(const QString &code, const QString &location)
{
    return {code, location,           ResultWords::NotChecked, ResultWords::NotChecked,
            {},   QStringLiteral("0")};
}

GateEvent restartEvent()
{
    return {{},
            {},
            ResultWords::Restarted,
            QStringLiteral("Gate possibly open"),
            {},
            QStringLiteral("0")};
}

GateEvent keypadLockedEvent(const QString &location, int refusals)
{
    return {QStringLiteral("------"),
            location,
            ResultWords::PadLocked,
            QStringLiteral("%1 refused codes").arg(refusals),
            {},
            QStringLiteral("0")};
}

GateEvent manualRelayEvent(bool on)
{
    return {{},
            OfficeLocation,
            on ? ResultWords::ManualOpen : ResultWords::ManualClose,
            QStringLiteral("Operator"),
            {},
            QStringLiteral("0")};
}

QString whoOf(const GateEvent &event)
{
    // A unit row without names is logged as ", ": no one to name.
    const bool named = std::any_of(event.customer.begin(), event.customer.end(),
                                   [](QChar c) { return c.isLetterOrNumber(); });
    QStringList who;
    if (named && event.customer != event.result)
        who << event.customer;
    if (!event.unitNumber.isEmpty() && event.unitNumber != event.result)
        who << QStringLiteral("unit ") + event.unitNumber;
    return who.join(QStringLiteral(", "));
}
