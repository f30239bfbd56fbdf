#include "code_lookup.h"

#include "data/data_control.h"

namespace CodeLookup {

bool findUnit(const QSqlDatabase &customerDb, const CodeIndex &index, const QString &code,
              std::optional<UnitRow> &unit, QString *error)
{
    QSqlQuery q(customerDb);
    bool found = false;
    if (!index.seek(q, code, found, error))
        return false;
    unit.reset();
    if (found)
        unit = UnitRow{columnText(q, QStringLiteral("fldGateCode")),
                       columnText(q, QStringLiteral("fldCustFirstName")),
                       columnText(q, QStringLiteral("fldCustLastName")),
                       columnText(q, QStringLiteral("fldStatus")),
                       columnText(q, QStringLiteral("fldUnitName")),
                       columnText(q, QStringLiteral("fldCustID")),
                       columnText(q, QStringLiteral("fldGateTimeZone")),
                       columnText(q, QStringLiteral("fldGateExpireDate")),
                       columnText(q, QStringLiteral("fldGateExclude"))};
    return true;
}

bool findMaster(const QSqlDatabase &customerDb, const CodeIndex &index, const QString &code,
                std::optional<MasterRow> &master, QString *error)
{
    QSqlQuery q(customerDb);
    bool found = false;
    if (!index.seek(q, code, found, error))
        return false;
    master.reset();
    if (found)
        master = MasterRow{columnText(q, QStringLiteral("fldID")),
                           columnText(q, QStringLiteral("fldPassCode")),
                           columnText(q, QStringLiteral("fldFirstName")),
                           columnText(q, QStringLiteral("fldLastName")),
                           columnText(q, QStringLiteral("fldUnitNumber")),
                           columnText(q, QStringLiteral("fldTimeZone")),
                           columnText(q, QStringLiteral("fldExpireDate"))};
    return true;
}

} // namespace CodeLookup
