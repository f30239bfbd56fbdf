#include "customer_database.h"

#include "common/file_sync.h"
#include "data/data_control.h"
#include "data/sql_run.h"
#include "tables/table_text.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <atomic>
#include <cstdio>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Waits out the management software's short writes; the sync itself may wait.
constexpr int SyncBusyTimeoutMs = 5000;

enum class Run { Done, Late, Failed };

// Runs one statement for each row of values; Late once `held` passes
// `budgetMs` (never when the budget is negative).
Run runEach(const QSqlDatabase &db, const QString &sql, const QList<QVariantList> &rows,
            const QElapsedTimer &held, int budgetMs, QString *error)
{
    QSqlQuery query(db);
    if (!query.prepare(sql)) {
        setError(error, query.lastError().text());
        return Run::Failed;
    }
    for (const QVariantList &values : rows) {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values[i]);
        if (!query.exec()) {
            setError(error, query.lastError().text());
            return Run::Failed;
        }
        if (budgetMs >= 0 && held.elapsed() > budgetMs)
            return Run::Late;
    }
    return Run::Done;
}

// Rows are copied from the staging tables this many at a time, so a
// transaction that runs late is found out before it runs much later.
constexpr int ChunkRows = 500;

// First and last of each chunk of `count` rows numbered from 0.
QList<QVariantList> chunks(qsizetype count)
{
    QList<QVariantList> ranges;
    for (qsizetype from = 0; from < count; from += ChunkRows)
        ranges << QVariantList{from, std::min<qsizetype>(from + ChunkRows, count) - 1};
    return ranges;
}

QString staged(const char *what, const SyncTable &table)
{
    return QStringLiteral("temp.sync_%1_%2").arg(QLatin1String(what), table.name());
}

// A staging table made anew: `rows` numbered by `seq`, under `columns`.
bool fillStaged(const QSqlDatabase &db, const QString &name, const QStringList &columns,
                const QList<QVariantList> &rows, QString *error)
{
    QList<QVariantList> numbered;
    numbered.reserve(rows.size());
    for (qsizetype i = 0; i < rows.size(); ++i)
        numbered << QVariantList{i} + rows[i];
    QSqlQuery query(db);
    return runSql(query, QStringLiteral("drop table if exists %1").arg(name), {}, error) &&
           runSql(query,
                  QStringLiteral("create table %1 (seq integer primary key, %2)")
                      .arg(name, columns.join(QLatin1Char(','))),
                  {}, error) &&
           runEach(db,
                   QStringLiteral("insert into %1 values (?%2)")
                       .arg(name, QStringLiteral(",?").repeated(columns.size())),
                   numbered, {}, -1, error) == Run::Done;
}

// The new file is the management software's as much as the old one was.
void copyOwnership(const QString &from, const QString &to)
{
    QFile::setPermissions(to, QFile::permissions(from));
#ifndef Q_OS_WIN
    // Only root may give a file away: anyone else's copy stays their own.
    struct stat info {};
    if (::stat(QFile::encodeName(from).constData(), &info) != 0 ||
        ::chown(QFile::encodeName(to).constData(), info.st_uid, info.st_gid) != 0)
        return;
#endif
}

bool fillCopy(const QString &path, const QList<CustomerDatabase::Content> &content, QString *error)
{
    const QString connection = uniqueConnectionName(QStringLiteral("sync:copy"));
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        QSqlQuery query(db);
        // Nobody else sees this file before it is complete and synced by hand.
        ok = db.open() && runSql(query, QStringLiteral("PRAGMA journal_mode = OFF"), {}, error) &&
             runSql(query, QStringLiteral("PRAGMA synchronous = OFF"), {}, error) &&
             runSql(query, QStringLiteral("BEGIN"), {}, error);
        for (const CustomerDatabase::Content &part : content) {
            const TableSchema &schema = *part.table->schema;
            ok = ok &&
                 runSql(query, QStringLiteral("delete from %1").arg(schema.table), {}, error) &&
                 runEach(db, insertStatement(schema, schema.table), part.rows, {}, -1, error) ==
                     Run::Done;
        }
        ok = ok && runSql(query, QStringLiteral("COMMIT"), {}, error);
    }
    QSqlDatabase::removeDatabase(connection);
    QFile file(path);
    if (ok && !(file.open(QIODevice::ReadWrite) && syncToDisk(file))) {
        setError(error, QStringLiteral("cannot sync %1 to disk").arg(path));
        ok = false;
    }
    return ok;
}

} // namespace

CustomerDatabase::CustomerDatabase(const QString &path)
    : m_path(path)
    , m_connection(uniqueConnectionName(QStringLiteral("sync:") + path))
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
}

CustomerDatabase::~CustomerDatabase()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

bool CustomerDatabase::open(QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    db.setDatabaseName(connectionStringFor(m_path));
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(SyncBusyTimeoutMs));
    if (!db.open()) {
        setError(error, QStringLiteral("cannot open %1: %2").arg(m_path, db.lastError().text()));
        return false;
    }
    QSqlQuery query(db);
    // The whole change stays in memory until COMMIT: a spill to the file
    // would shut readers out while the transaction is still being written.
    if (!runSql(query, QStringLiteral("PRAGMA cache_size = -262144"), {}, error) ||
        !runSql(query, QStringLiteral("PRAGMA journal_mode"), {}, error) || !query.next())
        return false;
    m_journalMode = query.value(0).toString().toLower();
    return true;
}

bool CustomerDatabase::read(QList<CurrentRow> &units, QList<CurrentRow> &masters, QString *error)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    if (!runSql(query, QStringLiteral("BEGIN"), {}, error))
        return false;
    bool ok = true;
    for (const auto &[table, rows] :
         {std::pair{&SyncTables::units(), &units}, std::pair{&SyncTables::masters(), &masters}}) {
        const QStringList columns = table->schema->columnNames();
        QSqlQuery select(db);
        select.setForwardOnly(true);
        ok = ok && runSql(select,
                          QStringLiteral("select rowid, %1 from %2 order by rowid")
                              .arg(columns.join(QLatin1Char(',')), table->name()),
                          {}, error);
        rows->clear();
        while (ok && select.next()) {
            CurrentRow row{select.value(0).toLongLong(), {}};
            row.values.reserve(columns.size());
            for (int c = 1; c <= columns.size(); ++c)
                row.values << select.value(c);
            *rows << std::move(row);
        }
    }
    ok = ok && readDataVersion(m_dataVersion, error);
    query.exec(QStringLiteral("COMMIT"));
    return ok;
}

// The changes go to temporary tables first: those are this connection's own,
// so filling them takes no lock of the database, and the write lock is held
// only while SQLite copies rows from them.
bool CustomerDatabase::stage(const QList<Change> &changes, QString *error)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QSqlQuery query(db);
    bool ok = runSql(query, QStringLiteral("BEGIN"), {}, error);
    for (const Change &change : changes) {
        const QStringList columns = change.table->schema->columnNames();
        QList<QVariantList> updates, deletes;
        for (const CurrentRow &row : change.plan->updates)
            updates << QVariantList{row.rowid} + row.values;
        for (const qint64 rowid : change.plan->deletes)
            deletes << QVariantList{rowid};
        const QString id = QStringLiteral("id");
        ok = ok &&
             fillStaged(db, staged("update", *change.table), QStringList{id} + columns, updates,
                        error) &&
             fillStaged(db, staged("delete", *change.table), {id}, deletes, error) &&
             fillStaged(db, staged("insert", *change.table), columns, change.plan->inserts, error);
    }
    ok = ok && runSql(query, QStringLiteral("COMMIT"), {}, error);
    if (!ok)
        query.exec(QStringLiteral("ROLLBACK"));
    return ok;
}

CustomerDatabase::Write CustomerDatabase::applyInPlace(const QList<Change> &changes, int budgetMs,
                                                       qint64 &lockMs, QString *error)
{
    if (!stage(changes, error))
        return Write::Failed;
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    QElapsedTimer held;
    const Write locked = lockUnchanged(held, error);
    if (locked != Write::Done)
        return locked;
    Run run = Run::Done;
    for (const Change &change : changes) {
        const QString table = change.table->name();
        const QStringList columns = change.table->schema->columnNames();
        const QString list = columns.join(QLatin1Char(','));
        const QList<QPair<QString, qsizetype>> statements{
            {QStringLiteral("update %1 set (%2) = (u.%3) from %4 as u where %1.rowid = u.id and "
                            "u.seq between ? and ?")
                 .arg(table, list, columns.join(QStringLiteral(",u.")),
                      staged("update", *change.table)),
             change.plan->updates.size()},
            {QStringLiteral("delete from %1 where rowid in (select id from %2 where seq between ? "
                            "and ?)")
                 .arg(table, staged("delete", *change.table)),
             change.plan->deletes.size()},
            {QStringLiteral("insert into %1 (%2) select %2 from %3 where seq between ? and ? "
                            "order by seq")
                 .arg(table, list, staged("insert", *change.table)),
             change.plan->inserts.size()}};
        for (const auto &[sql, rows] : statements) {
            if (run == Run::Done)
                run = runEach(db, sql, chunks(rows), held, budgetMs, error);
        }
    }
    QSqlQuery query(db);
    const bool committed = run == Run::Done && runSql(query, QStringLiteral("COMMIT"), {}, error);
    if (!committed)
        query.exec(QStringLiteral("ROLLBACK"));
    lockMs = held.elapsed();
    if (committed)
        return Write::Done;
    return run == Run::Late ? Write::TooSlow : Write::Failed;
}

CustomerDatabase::Write CustomerDatabase::replaceFile(const QList<Content> &content, qint64 &lockMs,
                                                      QString *error)
{
    const QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    // A link is left in place: the file it points to is the one replaced.
    const QString target = QFileInfo(m_path).canonicalFilePath();
    const QString copy = target + QStringLiteral(".sync-new");
    QFile::remove(copy); // left by a sync that stopped half-way
    QSqlQuery query(db);
    if (!runSql(query, QStringLiteral("VACUUM INTO ?"), {copy}, error) ||
        !fillCopy(copy, content, error)) {
        QFile::remove(copy);
        return Write::Failed;
    }
    copyOwnership(target, copy);
    QElapsedTimer held;
    const Write locked = lockUnchanged(held, error);
    if (locked != Write::Done) {
        QFile::remove(copy);
        return locked;
    }
    const bool renamed = std::rename(QFile::encodeName(copy).constData(),
                                     QFile::encodeName(target).constData()) == 0;
    if (renamed)
        syncFolderOf(target);
    else
        setError(error, QStringLiteral("cannot rename %1 over %2").arg(copy, target));
    query.exec(QStringLiteral("ROLLBACK"));
    lockMs = held.elapsed();
    if (!renamed)
        QFile::remove(copy);
    return renamed ? Write::Done : Write::Failed;
}

// Takes the write lock (`held` starts then), and keeps it only if nobody
// committed since `read`.
CustomerDatabase::Write CustomerDatabase::lockUnchanged(QElapsedTimer &held, QString *error)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    qint64 version = -1;
    if (!runSql(query, QStringLiteral("BEGIN IMMEDIATE"), {}, error))
        return Write::Failed;
    held.start();
    if (readDataVersion(version, error) && version == m_dataVersion)
        return Write::Done;
    query.exec(QStringLiteral("ROLLBACK"));
    return version < 0 ? Write::Failed : Write::ChangedMeanwhile;
}

bool CustomerDatabase::readDataVersion(qint64 &version, QString *error)
{
    QSqlQuery pragma(QSqlDatabase::database(m_connection, false));
    if (!runSql(pragma, QStringLiteral("PRAGMA data_version"), {}, error) || !pragma.next())
        return false;
    version = pragma.value(0).toLongLong();
    return true;
}
