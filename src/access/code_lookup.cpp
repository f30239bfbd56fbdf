#include "code_lookup.h"

#include "data/data_control.h"

#include "data/sql_run.h"

namespace {

// Finds at most one row by code; an index on the code column finds it without
// walking the table, and rowid order keeps "first row wins".
bool firstRowByCode(QSqlQuery &query, const QString &sql, const QString &code, bool &found,
                    QString *error)
{
    query.setForwardOnly(true);
    if (!runSql(query, sql, {code}, error))
        return false;
    found = query.next();
    return true;
}

} // namespace

namespace CodeLookup {

bool findUnit(const QSqlDatabase &customerDb, const QString &code, std::optional<UnitRow> &unit,
              QString *error)
{
    QSqlQuery q(customerDb);
    bool found = false;
    if (!firstRowByCode(q,
                        QStringLiteral("select * from tblUnitInfo where fldGateCode = ? "
                                       "order by rowid limit 1"),
                        code, found, error))
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

bool findMaster(const QSqlDatabase &customerDb, const QString &code,
                std::optional<MasterRow> &master, QString *error)
{
    QSqlQuery q(customerDb);
    bool found = false;
    if (!firstRowByCode(q,
                        QStringLiteral("select * from tblVextraMasterCodes where fldPassCode = ? "
                                       "order by rowid limit 1"),
                        code, found, error))
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
