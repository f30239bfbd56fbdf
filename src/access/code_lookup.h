#pragma once

#include "access_rules.h"
#include "data/code_index.h"

#include <QSqlDatabase>
#include <optional>

// Finds the rows a decision needs. The first row in table order wins, and codes
// are compared as exact texts, whatever the column's type or collation. Each
// returns false on a database failure, with `error` saying what failed.
namespace CodeLookup {

bool findUnit(const QSqlDatabase &customerDb, const CodeIndex &index, const QString &code,
              std::optional<UnitRow> &unit, QString *error);
bool findMaster(const QSqlDatabase &customerDb, const CodeIndex &index, const QString &code,
                std::optional<MasterRow> &master, QString *error);

} // namespace CodeLookup
