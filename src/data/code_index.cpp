#include "code_index.h"

#include "sql_run.h"

namespace {

// The code a value holds as it reads back; none for NULL.
std::optional<QString> codeOf(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    return value.toString();
}

QVariant asNumber(const QString &code)
{
    bool ok = false;
    const qint64 number = code.toLongLong(&ok);
    return ok && QString::number(number) == code ? QVariant(number) : QVariant(code);
}

// A column of INTEGER or TEXT affinity (by SQLite's rule, a declared type
// naming INT, CHAR, CLOB or TEXT) turns a number and its text into each other,
// so the text alone finds every candidate. Others, above all a column of no
// type, may hold the number 123 beside the text '123', and 123 reads back as
// "123" too.
bool keepsNumbersApart(const QString &declaredType)
{
    const QString type = declaredType.toUpper();
    return !type.contains(QLatin1String("INT")) && !type.contains(QLatin1String("CHAR")) &&
           !type.contains(QLatin1String("CLOB")) && !type.contains(QLatin1String("TEXT"));
}

} // namespace

CodeIndex::CodeIndex(QString table, QString column, QString indexName)
    : m_table(std::move(table))
    , m_column(std::move(column))
    , m_indexName(std::move(indexName))
{}

bool CodeIndex::attach(const QSqlDatabase &db, QString *error)
{
    m_rows.clear();
    m_dataVersion = -1;
    bool serves = false;
    if (!readColumnType(db, error) || !fileIndexServes(db, serves, error))
        return false;
    m_way = Way::FileIndex;
    if (serves)
        return true;
    // A file that is read-only, or locked for long, keeps no index of ours.
    QSqlQuery make(db);
    if (make.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (%3)")
                      .arg(m_indexName, m_table, m_column)) &&
        fileIndexServes(db, serves, error) && serves) {
        m_way = Way::MadeIndex;
        return true;
    }
    m_way = Way::OwnMap;
    return follow(db, error);
}

bool CodeIndex::follow(const QSqlDatabase &db, QString *error)
{
    if (m_way != Way::OwnMap)
        return true;
    qint64 version = 0;
    if (!readDataVersion(db, version, error))
        return false;
    if (version == m_dataVersion)
        return true;
    if (!buildMap(db, error))
        return false;
    m_dataVersion = version;
    return true;
}

bool CodeIndex::seek(QSqlQuery &query, const QString &code, bool &found, QString *error) const
{
    found = false;
    const auto rows = candidates(code);
    if (!rows)
        return true;
    query.setForwardOnly(true);
    if (!runSql(query, rows->sql, rows->values, error))
        return false;
    // Checked on the map's row too: another program may have changed it since.
    while (!found && query.next())
        found = codeOf(query.value(m_column)) == code;
    return true;
}

CodeIndex::Query CodeIndex::probe(const QString &code) const
{
    const QString sql =
        QStringLiteral("select * from %1 where %2 %3 order by rowid")
            .arg(m_table, m_column,
                 m_numbersApart ? QStringLiteral("in (?, ?)") : QStringLiteral("= ?"));
    return m_numbersApart ? Query{sql, {code, asNumber(code)}} : Query{sql, {code}};
}

std::optional<CodeIndex::Query> CodeIndex::candidates(const QString &code) const
{
    if (m_way != Way::OwnMap)
        return probe(code);
    const auto it = m_rows.constFind(code);
    if (it == m_rows.constEnd())
        return std::nullopt;
    return Query{QStringLiteral("select * from %1 where rowid = ?").arg(m_table), {*it}};
}

// Asks SQLite's planner, so an index it would not use (another collation, a
// different first column) does not count.
bool CodeIndex::fileIndexServes(const QSqlDatabase &db, bool &serves, QString *error) const
{
    QSqlQuery plan(db);
    const Query probed = probe(QString());
    if (!runSql(plan, QStringLiteral("EXPLAIN QUERY PLAN ") + probed.sql, probed.values, error))
        return false;
    serves = false;
    while (plan.next())
        serves = serves || plan.value(3).toString().contains(QLatin1String(" INDEX "));
    return true;
}

bool CodeIndex::readColumnType(const QSqlDatabase &db, QString *error)
{
    QSqlQuery info(db);
    if (!runSql(
            info,
            QStringLiteral("select type from pragma_table_info(?) where name = ? collate nocase"),
            {m_table, m_column}, error))
        return false;
    m_numbersApart = !info.next() || keepsNumbersApart(info.value(0).toString());
    return true;
}

bool CodeIndex::readDataVersion(const QSqlDatabase &db, qint64 &version, QString *error) const
{
    QSqlQuery pragma(db);
    if (!runSql(pragma, QStringLiteral("PRAGMA data_version"), {}, error))
        return false;
    if (!pragma.next()) {
        setError(error, QStringLiteral("%1: no data version").arg(m_table));
        return false;
    }
    version = pragma.value(0).toLongLong();
    return true;
}

bool CodeIndex::buildMap(const QSqlDatabase &db, QString *error)
{
    QSqlQuery rows(db);
    rows.setForwardOnly(true);
    if (!runSql(rows,
                QStringLiteral("select rowid, %1 from %2 order by rowid").arg(m_column, m_table),
                {}, error))
        return false;
    m_rows.clear();
    while (rows.next()) {
        const auto code = codeOf(rows.value(1));
        if (code && !m_rows.contains(*code)) // the first row wins
            m_rows.insert(*code, rows.value(0).toLongLong());
    }
    return true;
}
