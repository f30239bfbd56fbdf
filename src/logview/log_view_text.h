#pragma once

#include "log_query.h"

// What the open log view shows, for the caption above the list:
// "3/1/2026 to 3/7/2026, filter ALL: 6 rows", "Customer 1006 Knuth, Donald: 6 rows".
QString viewCaption(const LogSelection &view, const QString &filter, const QString &customerName,
                    qint64 rows);

// Which rows of a view Clear Log deletes, for its question and its result. The
// result filter narrows the list, not the purge: a narrowed view says so.
QString purgeScope(const LogSelection &view, const QDate &lastDay, const QString &filter,
                   const QString &customerName);

// "1 row", "5 rows".
QString rowsText(qint64 rows);
