#include "log_query.h"

#include "data/data_control.h"
#include "data/sql_run.h"

namespace {

using Direction = LogListing::Direction;

QString orderOf(const LogSelection &selection, Direction direction)
{
    if (direction == Direction::Forward)
        return selection.byDate() ? QStringLiteral("fldDateTime, rowid") : QStringLiteral("rowid");
    return selection.byDate() ? QStringLiteral("fldDateTime desc, rowid desc")
                              : QStringLiteral("rowid desc");
}

struct Where {
    QStringList terms;
    QVariantList values;

    void add(const QString &term, const QVariantList &termValues)
    {
        terms << term;
        values << termValues;
    }
};

// SQLite narrows an index range by one bound a side, so each side of a column
// gets one bound here: a key's bound, when given, is the tighter one and
// replaces the selection's own.
LogSql condition(const LogRows &rows, Direction direction, const std::optional<LogKey> &key,
                 const QString &resultColumn = SqliteResultColumn)
{
    const LogSelection &s = rows.selection;
    const bool after = key && direction == Direction::Forward;
    const bool before = key && direction == Direction::Backward;
    const bool upToRow = rows.lastRowid < std::numeric_limits<qint64>::max();
    // The stored text sorts as the time it names, so text bounds select by time;
    // a range ends at the next midnight, so the end day's last minute is in.
    QString end = s.byDate() ? storedDayStart(s.last.addDays(1)) : QString();
    if (!rows.stampedBefore.isEmpty() && (end.isEmpty() || rows.stampedBefore < end))
        end = rows.stampedBefore;
    Where w;
    if (s.ofCustomer())
        w.add(QStringLiteral("fldCustID = ?"), {s.custId});
    if (s.byDate()) {
        if (after)
            w.add(QStringLiteral("fldDateTime >= ? and (fldDateTime > ? or rowid > ?)"),
                  {key->dateTime, key->dateTime, key->rowid});
        else
            w.add(QStringLiteral("fldDateTime >= ?"), {storedDayStart(s.first)});
        if (before)
            w.add(QStringLiteral("fldDateTime <= ? and (fldDateTime < ? or rowid < ?)"),
                  {key->dateTime, key->dateTime, key->rowid});
        else
            w.add(QStringLiteral("fldDateTime < ?"), {end});
        if (upToRow)
            w.add(QStringLiteral("rowid <= ?"), {rows.lastRowid});
    } else {
        if (!end.isEmpty())
            w.add(QStringLiteral("fldDateTime < ?"), {end});
        if (after)
            w.add(QStringLiteral("rowid > ?"), {key->rowid});
        if (before)
            w.add(QStringLiteral("rowid < ?"), {key->rowid});
        else if (upToRow)
            w.add(QStringLiteral("rowid <= ?"), {rows.lastRowid});
    }
    const FilterSql filter = filterSql(rows.filter, resultColumn);
    if (!filter.where.isEmpty())
        w.add(filter.where, filter.values);
    return {w.terms.isEmpty() ? QStringLiteral("1 = 1") : w.terms.join(QStringLiteral(" and ")),
            w.values};
}

const QString RowColumns = QLatin1String(LogRowColumns) + QStringLiteral(", rowid");

QString textAt(const QSqlQuery &q, int column)
{
    const QVariant value = q.value(column);
    return value.isNull() ? QString() : value.toString();
}

// An index on the column, as its first, that serves every row.
bool hasIndexOn(const QSqlDatabase &gateDb, const QString &column)
{
    QSqlQuery q(gateDb);
    return runSql(q,
                  QStringLiteral("select 1 from pragma_index_list('tblGateLog') as l, "
                                 "pragma_index_info(l.name) as i "
                                 "where l.partial = 0 and i.seqno = 0 and i.name = ? limit 1"),
                  {column}, nullptr) &&
           q.next();
}

} // namespace

LogSql logSql(const LogRows &rows, const QString &resultColumn)
{
    return condition(rows, Direction::Forward, std::nullopt, resultColumn);
}

bool selectionHasRows(const QSqlDatabase &gateDb, const LogSelection &selection, bool &any,
                      QString *error)
{
    const LogSql sql = logSql({selection});
    QSqlQuery q(gateDb);
    if (!runSql(q, QStringLiteral("select 1 from tblGateLog where %1 limit 1").arg(sql.where),
                sql.values, error))
        return false;
    any = q.next();
    return true;
}

bool customerName(const QSqlDatabase &gateDb, qint64 custId, QString &name, QString *error)
{
    QSqlQuery q(gateDb);
    if (!runSql(q,
                QStringLiteral("select fldCustomer from tblGateLog where fldCustID = ? "
                               "order by rowid desc limit 1"),
                {custId}, error))
        return false;
    name = q.next() ? textAt(q, 0) : QString();
    return true;
}

bool pinAndCount(const QSqlDatabase &gateDb, LogRows &rows, qint64 &count, QString *error)
{
    QSqlQuery q(gateDb);
    if (!runSql(q, QStringLiteral("select coalesce(max(rowid), 0) from tblGateLog"), {}, error))
        return false;
    rows.lastRowid = q.next() ? q.value(0).toLongLong() : 0;
    const LogSql sql = logSql(rows);
    if (!runSql(q, QStringLiteral("select count(*) from tblGateLog where %1").arg(sql.where),
                sql.values, error))
        return false;
    count = q.next() ? q.value(0).toLongLong() : 0;
    return true;
}

void addMissingLogIndexes(const QSqlDatabase &gateDb)
{
    // The names are those of schema/gate.sql; a file that takes no writes keeps none.
    const QList<std::pair<QString, QString>> indexes = {
        {QStringLiteral("idxGateLogDateTime"), QStringLiteral("fldDateTime")},
        {QStringLiteral("idxGateLogCustID"), QStringLiteral("fldCustID")}};
    QSqlQuery q(gateDb);
    for (const auto &[name, column] : indexes) {
        if (hasIndexOn(gateDb, column))
            continue;
        // A locked log is not waited for: another listing can make the index.
        if (!q.exec(QStringLiteral("PRAGMA busy_timeout")) || !q.next())
            return;
        const int busyTimeout = q.value(0).toInt();
        q.exec(QStringLiteral("PRAGMA busy_timeout = 0"));
        q.exec(
            QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON tblGateLog (%2)").arg(name, column));
        q.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(busyTimeout));
    }
}

bool LogListing::open(const QSqlDatabase &gateDb, const LogSelection &selection,
                      const QString &filter, QString *error)
{
    m_count = 0;
    m_rows = {selection, filter};
    return pinAndCount(gateDb, m_rows, m_count, error);
}

bool LogListing::read(const QSqlDatabase &gateDb, Direction direction,
                      const std::optional<LogKey> &key, qint64 skip, int take, LogPage &page,
                      QString *error) const
{
    const LogSql sql = condition(m_rows, direction, key);
    QSqlQuery q(gateDb);
    q.setForwardOnly(true);
    if (!runSql(q,
                QStringLiteral("select %1 from tblGateLog where %2 order by %3 limit ? offset ?")
                    .arg(RowColumns, sql.where, orderOf(m_rows.selection, direction)),
                sql.values + QVariantList{take, skip}, error))
        return false;
    page = {};
    while (q.next()) {
        const LogKey place{textAt(q, 0), q.value(7).toLongLong()};
        if (page.rows.isEmpty())
            page.first = place;
        page.last = place;
        page.rows << logRowAt(q);
    }
    if (direction == Direction::Backward) {
        std::reverse(page.rows.begin(), page.rows.end());
        std::swap(page.first, page.last);
    }
    return true;
}

LogPager::LogPager(const QSqlDatabase &gateDb, const LogListing &listing, int pageRows)
    : m_gateDb(gateDb)
    , m_listing(listing)
    , m_pageRows(pageRows)
{}

bool LogPager::next(LogPage &page, QString *error)
{
    if (!m_listing.read(m_gateDb, LogListing::Direction::Forward, m_last, 0, m_pageRows, page,
                        error))
        return false;
    if (!page.rows.isEmpty())
        m_last = page.last;
    return true;
}

LogRow logRowAt(const QSqlQuery &q, int first)
{
    return {textAt(q, first),     textAt(q, first + 1), textAt(q, first + 2), textAt(q, first + 3),
            textAt(q, first + 4), textAt(q, first + 5), textAt(q, first + 6)};
}
