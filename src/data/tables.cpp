#include "tables.h"

QStringList TableSchema::columnNames() const
{
    QStringList names;
    for (const Column &column : columns)
        names << column.name;
    return names;
}

namespace Tables {

const QList<TableSchema> &all()
{
    using K = ColumnKind;
    static const QList<TableSchema> tables = {
        {"tblUnitInfo",
         false,
         {{"fldGateCode", K::Code},
          {"fldCustFirstName", K::Text},
          {"fldStatus", K::Text},
          {"fldUnitName", K::Text},
          {"fldCustID", K::Number},
          {"fldCustLastName", K::Text},
          {"fldGateTimeZone", K::Number},
          {"fldGateExpireDate", K::Text},
          {"fldGateExclude", K::YesNo}}},
        {"tblVextraMasterCodes",
         false,
         {{"fldID", K::Number},
          {"fldPassCode", K::Code},
          {"fldFirstName", K::Text},
          {"fldLastName", K::Text},
          {"fldUnitNumber", K::Text},
          {"fldKeyPad", K::Text},
          {"fldTimeZone", K::Number},
          {"fldExpireDate", K::Text}}},
        {"tblGateLog",
         true,
         {{"fldID", K::Number},
          {"fldDateTime", K::DateTime},
          {"fldCode", K::Text},
          {"fldReult", K::Text},
          {"fldCustomer", K::Text},
          {"fldUnitNumber", K::Text},
          {"fldCustID", K::Number},
          {"fldZone", K::Text}}},
        {"tblTimeZones",
         true,
         {{"fldTimeZone", K::Number},
          {"fldStartTime", K::TimeOfDay},
          {"fldStopTime", K::TimeOfDay}}},
    };
    return tables;
}

const TableSchema &unitInfo()
{
    return all()[0];
}

const TableSchema &masterCodes()
{
    return all()[1];
}

const TableSchema &gateLog()
{
    return all()[2];
}

const TableSchema &timeZones()
{
    return all()[3];
}

} // namespace Tables
