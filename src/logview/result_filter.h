#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

// The entries of the result filter.
namespace Filters {

inline const QString All = QStringLiteral("ALL");
inline const QString AllowedAccess = QStringLiteral("Allowed Access");
inline const QString AfterHours = QStringLiteral("After Hours");
inline const QString LockedOut = QStringLiteral("Locked Out");
inline const QString ExpiredDate = QStringLiteral("Expired Date");
inline const QString TimeZone = QStringLiteral("Time Zone?");
inline const QString InvalidNumber = QStringLiteral("Invalid Number");
inline const QString ListSelection = QStringLiteral("List Selection");

} // namespace Filters

// The filter list, in list order.
inline const QStringList ResultFilters = {
    Filters::All,         Filters::AllowedAccess, Filters::AfterHours,    Filters::LockedOut,
    Filters::ExpiredDate, Filters::TimeZone,      Filters::InvalidNumber, Filters::ListSelection};

// A filter entry, or a whole result word (see result_words.h) or a word it
// replaced, which passes the rows of that result only: what gatectl log takes.
bool isFilter(const QString &filter);
// For a command line: why a text is neither.
QString notAFilter(const QString &text);

// Whether a filter lists every row (the list is then shown white, else light green).
bool listsEveryRow(const QString &filter);

// The result column compared case by case, whatever collation another tool
// gave it; the fleet's PostgreSQL compares plain "fldReult" so already.
inline const QString SqliteResultColumn = QStringLiteral("fldReult COLLATE BINARY");

// The rows a filter passes, as a condition on a gate log with a ? for each
// value; empty for a filter that lists every row. A whole result word passes
// its rows; any other text, or none chosen, passes nothing.
struct FilterSql {
    QString where;
    QVariantList values;
};
FilterSql filterSql(const QString &filter, const QString &resultColumn = SqliteResultColumn);
