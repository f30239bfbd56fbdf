#pragma once

#include "log_line.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QVariantList>

// Which gate-log rows the open log view holds: the whole table (after start-up),
// a date range (after a log query) or one customer (after a look-up).
struct LogSelection {
    enum class Kind { Everything, DateRange, Customer };
    Kind kind = Kind::Everything;
    QDate first; // a date range: from midnight starting `first` through the whole of `last`
    QDate last;
    qint64 custId = 0;

    static LogSelection everything() { return {}; }
    static LogSelection dateRange(const QDate &first, const QDate &last)
    {
        return {Kind::DateRange, first, last, 0};
    }
    static LogSelection customer(qint64 custId) { return {Kind::Customer, {}, {}, custId}; }

    bool operator==(const LogSelection &) const = default;
};

// A selection as SQL: a condition with a ? for each value, and the list's order.
struct LogSql {
    QString where;
    QVariantList values;
    QString order; // by time for a range, as stored otherwise
};
LogSql logSql(const LogSelection &selection);

// The selected rows, oldest first.
bool queryLog(const QSqlDatabase &gateDb, const LogSelection &selection, QList<LogRow> &rows,
              QString *error);
