#pragma once

#include "log_line.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QVariantList>

// Which gate-log rows the open log view holds: the whole table (after start-up),
// a date range (after a log query) or one customer (after a look-up).
struct LogSelection {
    QString where; // SQL condition with ? for each value
    QVariantList values;
    QString order; // the list's order: by time for a range, as stored otherwise

    static LogSelection everything();
    // From midnight starting `first` through the whole of `last`.
    static LogSelection dateRange(const QDate &first, const QDate &last);
    static LogSelection customer(qint64 custId);
};

// The selected rows, oldest first.
bool queryLog(const QSqlDatabase &gateDb, const LogSelection &selection, QList<LogRow> &rows,
              QString *error);
