#pragma once

#include "log_query.h"

#include <QDate>
#include <QSqlDatabase>

namespace LogPurge {

// How many rows the open log view holds.
bool countRows(const QSqlDatabase &gateDb, const LogSelection &view, qint64 &rows, QString *error);

// Deletes the rows of the view stamped on or before `lastDay`, all of them or,
// on a failure, none.
bool deleteThrough(const QSqlDatabase &gateDb, const LogSelection &view, const QDate &lastDay,
                   qint64 &deleted, QString *error);

} // namespace LogPurge
