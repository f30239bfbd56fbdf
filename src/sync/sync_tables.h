#pragma once

#include "data/tables.h"

// What a sync knows of a table it writes: the code column that matches rows,
// and the columns its checks and its report name (indexes into the schema's
// columns; -1 where the table has none).
struct SyncTable {
    const TableSchema *schema;
    QString what; // "unit", "master code"
    int code;
    int zone;
    int expiry;
    int status;
    int exclude;
    int id; // the row's key: a whole number, once per table

    const QString &name() const { return schema->table; }
};

namespace SyncTables {

const SyncTable &units();
const SyncTable &masters();

} // namespace SyncTables
