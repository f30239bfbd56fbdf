#pragma once

#include "log_line.h"
#include "result_filter.h"

#include <QDate>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>
#include <limits>
#include <optional>

// Which gate-log rows the open log view holds: the whole table (after start-up),
// a date range (after a log query) or one customer (after a look-up); gatectl
// can also ask for one customer's rows of a date range.
struct LogSelection {
    enum class Kind { Everything, DateRange, Customer, CustomerDateRange };
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
    static LogSelection customerDateRange(qint64 custId, const QDate &first, const QDate &last)
    {
        return {Kind::CustomerDateRange, first, last, custId};
    }
    bool byDate() const { return kind == Kind::DateRange || kind == Kind::CustomerDateRange; }
    bool ofCustomer() const { return kind == Kind::Customer || kind == Kind::CustomerDateRange; }

    bool operator==(const LogSelection &) const = default;
};

// The rows a read or a purge takes: those of a selection that pass a result
// filter, stamped before a time and written up to a row, where those are given.
struct LogRows {
    LogSelection selection;
    QString filter = Filters::All;
    QString stampedBefore = {}; // in the stored form; empty for any time
    qint64 lastRowid = std::numeric_limits<qint64>::max();
};

// Rows as SQL: a condition on tblGateLog with a ? for each value.
struct LogSql {
    QString where;
    QVariantList values;
};
LogSql logSql(const LogRows &rows, const QString &resultColumn = SqliteResultColumn);

bool selectionHasRows(const QSqlDatabase &gateDb, const LogSelection &selection, bool &any,
                      QString *error);

// The name the customer's newest row carries; empty when none does.
bool customerName(const QSqlDatabase &gateDb, qint64 custId, QString &name, QString *error);

// The columns of a LogRow, in the order logRowAt reads them from its first column on.
inline constexpr char LogRowColumns[] =
    "fldDateTime, fldZone, fldCode, fldReult, fldUnitNumber, fldCustomer, fldCustID";
LogRow logRowAt(const QSqlQuery &q, int first = 0);

// Pins `rows` to the log as it is now (rows written later have higher rowids)
// and counts them.
bool pinAndCount(const QSqlDatabase &gateDb, LogRows &rows, qint64 &count, QString *error);

// Makes the date and customer indexes that a gate log made by another tool may
// lack, where the file takes writes; lists and purges work without them, slowly.
void addMissingLogIndexes(const QSqlDatabase &gateDb);

// A row's place in the list's order.
struct LogKey {
    QString dateTime;
    qint64 rowid = 0;
};

// Consecutive rows of a listing, with the places of the first and the last.
struct LogPage {
    QList<LogRow> rows;
    LogKey first;
    LogKey last;
};

// A log list as it stood when opened: the rows of a selection that pass a
// result filter, by time for a range and as stored otherwise; rows written
// later are not in it. Its lines are read a page at a time, from either end or
// next to a row already read, so no read walks far.
class LogListing {
public:
    enum class Direction { Forward, Backward };

    // Counts the rows; false, with the reason, when the log cannot be read.
    bool open(const QSqlDatabase &gateDb, const LogSelection &selection, const QString &filter,
              QString *error);
    qint64 rowCount() const { return m_count; }

    // Up to `take` lines, in list order. Forward: the rows after `key` (from the
    // first when none), past the `skip` next to it; backward: the rows before
    // `key` (up to the last when none), short of the `skip` next to it.
    bool read(const QSqlDatabase &gateDb, Direction direction, const std::optional<LogKey> &key,
              qint64 skip, int take, LogPage &page, QString *error) const;

private:
    LogRows m_rows;
    qint64 m_count = 0;
};

// Reads a listing from its first line to its last, a page at a time, each page
// going on from the last row read, so no read walks over the rows before it.
// An empty page ends it.
class LogPager {
public:
    LogPager(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows);
    bool next(LogPage &page, QString *error);

private:
    QSqlDatabase m_gateDb;
    LogListing m_listing;
    int m_pageRows;
    std::optional<LogKey> m_last;
};
