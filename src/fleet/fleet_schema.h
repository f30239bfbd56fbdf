#pragma once

#include <QSqlDatabase>
#include <QStringList>

// The fleet database's tables, made and brought up to date by numbered
// migrations (schema/fleet/NNN_*.sql, built into every program). The version
// table says which of them a database holds.
namespace FleetSchema {

// The newest migration this program has.
int knownVersion();

// The version a database holds; 0 when it has no fleet schema.
bool version(QSqlDatabase db, int &version, QString *error);

// Why a program cannot work on this database, in words; empty when it can.
QString whyUnusable(QSqlDatabase db);

// Applies the migrations the database lacks, all in one transaction; refuses a
// database newer than this program. `applied` names each migration applied.
bool migrate(QSqlDatabase db, QStringList *applied, QString *error);

} // namespace FleetSchema
