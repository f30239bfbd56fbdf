#include "sync_tables.h"

namespace {

int column(const TableSchema &schema, const char *name)
{
    const QStringList names = schema.columnNames();
    return name ? int(names.indexOf(QLatin1String(name))) : -1;
}

SyncTable describe(const TableSchema &schema, const char *what, const char *code, const char *zone,
                   const char *expiry, const char *status, const char *exclude, const char *id)
{
    return {&schema,
            QLatin1String(what),
            column(schema, code),
            column(schema, zone),
            column(schema, expiry),
            column(schema, status),
            column(schema, exclude),
            column(schema, id)};
}

} // namespace

namespace SyncTables {

const SyncTable &units()
{
    static const SyncTable table =
        describe(Tables::unitInfo(), "unit", "fldGateCode", "fldGateTimeZone", "fldGateExpireDate",
                 "fldStatus", "fldGateExclude", nullptr);
    return table;
}

const SyncTable &masters()
{
    static const SyncTable table =
        describe(Tables::masterCodes(), "master code", "fldPassCode", "fldTimeZone",
                 "fldExpireDate", nullptr, nullptr, "fldID");
    return table;
}

} // namespace SyncTables
