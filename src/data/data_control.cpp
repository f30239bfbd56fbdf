#include "data_control.h"

#include "common/clock.h"
#include "common/error_text.h"
#include "common/station_log.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStorageInfo>
#include <QUrl>
#include <QUrlQuery>
#include <atomic>

namespace {

// Long enough to ride out the management software's short write locks, short
// enough that a keypad decision never hangs on a stuck lock.
constexpr int BusyTimeoutMs = 2000;

} // namespace

QString uniqueConnectionName(const QString &name)
{
    static std::atomic<int> serial{0};
    return QStringLiteral("%1#%2").arg(name).arg(++serial);
}

namespace {

// Each file's journal mode before this process first switched it to WAL, so
// the last connection can give it back.
QHash<QString, QString> &journalBefore()
{
    static QHash<QString, QString> modes;
    return modes;
}

const QStringList RestorableJournals = {QStringLiteral("delete"), QStringLiteral("truncate"),
                                        QStringLiteral("persist")};

// One pragma and the first column of its answer; empty when it failed.
QString pragma(QSqlDatabase db, const QString &statement)
{
    QSqlQuery q(db);
    return q.exec(statement) && q.next() ? q.value(0).toString() : QString();
}

// The side files of a file replaced under the station go, for the name is the
// new file's now; a write-ahead log still holding rows of the old file (another
// program's reader kept the checkpoint from taking them) is kept aside instead.
void leaveSideFiles(const QList<std::pair<QString, std::optional<FileIdentity>>> &sides,
                    bool checkpointed)
{
    for (const auto &[side, identity] : sides) {
        if (!identity || fileIdentity(side) != identity)
            continue;
        if (checkpointed || !side.endsWith(QLatin1String("-wal"))) {
            QFile::remove(side);
            continue;
        }
        const QString kept =
            side + Clock::now().toString(QStringLiteral("'.replaced-'yyyy-MM-dd-HHmmss"));
        StationLog::fault(QFile::rename(side, kept)
                              ? QStringLiteral("rows of the replaced file stay in %1").arg(kept)
                              : QStringLiteral("cannot keep %1 aside").arg(side));
    }
}

} // namespace

DataControl::DataControl(const QString &name, TableSchema schema, Writes writes)
    : m_name(name)
    , m_connectionName(uniqueConnectionName(name))
    , m_schema(std::move(schema))
    , m_writes(writes)
    , m_busyTimeoutMs(BusyTimeoutMs)
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connectionName);
}

DataControl::~DataControl()
{
    close();
    QSqlDatabase::removeDatabase(m_connectionName);
}

void DataControl::setConnectionString(const QString &connectionString)
{
    m_connectionString = connectionString;
}

void DataControl::setRecordSource(const QString &sql)
{
    m_recordSource = sql;
}

QSqlDatabase DataControl::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool DataControl::refresh(QString *error)
{
    m_connected = false;
    if (!open(error) || !checkColumns(error) || !runRecordSource(error)) {
        close();
        return false;
    }
    m_connected = true;
    return true;
}

void DataControl::close()
{
    QSqlDatabase db = database();
    const bool moved = db.isOpen() && m_openedFile && !m_sideFiles.isEmpty() &&
                       fileIdentity(databaseFileOf(m_connectionString)) != m_openedFile;
    bool checkpointed = false;
    if (moved) {
        pragma(db, QStringLiteral("PRAGMA busy_timeout = 0"));
        checkpointed =
            pragma(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) == QLatin1String("0");
    }
    db.close();
    OpenFiles::closed(this);
    m_connected = false;
    // Only the last connection to the old file sees its whole write-ahead log.
    if (moved && !OpenFiles::held(*m_openedFile))
        leaveSideFiles(m_sideFiles, checkpointed);
    m_sideFiles.clear();
}

bool DataControl::checkpoint()
{
    if (!m_connected || m_writes != Writes::Durable || !m_journalNote.isEmpty())
        return true;
    return pragma(database(), QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")) ==
           QLatin1String("0");
}

QString DataControl::closeForOthers()
{
    QString why;
    if (m_connected && m_writes != Writes::Plain && m_journalNote.isEmpty() &&
        !(m_openedFile && OpenFiles::held(*m_openedFile, this))) {
        QSqlDatabase db = database();
        // A file found in WAL mode was most likely left so by a station that
        // crashed: it goes back to SQLite's own default.
        QString before = journalBefore().value(m_fileSystemOf);
        if (!RestorableJournals.contains(before))
            before = RestorableJournals.first();
        if (pragma(db, QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)")) != QLatin1String("0"))
            why = QStringLiteral("%1: rows stay in %2-wal (another program reads the file)")
                      .arg(m_name, m_fileSystemOf);
        else if (pragma(db, QStringLiteral("PRAGMA journal_mode = %1").arg(before)) != before)
            why = QStringLiteral("%1: %2 stays in WAL mode (another program has it open)")
                      .arg(m_name, m_fileSystemOf);
    }
    close();
    return why;
}

bool DataControl::isCurrent() const
{
    return m_connected && m_openedFile &&
           fileIdentity(databaseFileOf(m_connectionString)) == m_openedFile;
}

bool DataControl::open(QString *error)
{
    close();
    QSqlDatabase db = database();
    if (m_connectionString.isEmpty()) {
        setError(error, QStringLiteral("%1: no database file named").arg(m_name));
        return false;
    }
    const QString file = databaseFileOf(m_connectionString);
    if (const QString refusal = OpenFiles::refusal(file); !refusal.isEmpty()) {
        setError(error, QStringLiteral("%1: %2").arg(m_name, refusal));
        return false;
    }
    // Taken before the open: a file replaced in between is then seen as replaced.
    m_openedFile = fileIdentity(file);
    db.setDatabaseName(m_connectionString);
    db.setConnectOptions(
        QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeoutMs));
    if (!db.open()) {
        setError(error,
                 QStringLiteral("%1: cannot open %2 (%3)")
                     .arg(m_name, databaseFileOf(m_connectionString), db.lastError().driverText()));
        return false;
    }
    if (m_openedFile)
        OpenFiles::opened(this, file, *m_openedFile);
    if (m_writes == Writes::Durable) {
        QSqlQuery pragma(db);
        if (!pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"))) {
            setError(error, QStringLiteral("%1: %2").arg(m_name, pragma.lastError().text()));
            return false;
        }
    }
    if (m_writes != Writes::Plain)
        chooseJournal(db);
    return true;
}

// WAL lets a writer go on while others read; it needs every user on this
// host and a folder where SQLite can make its side files. Without it the
// rollback journal still works.
void DataControl::chooseJournal(QSqlDatabase &db)
{
    const QString which =
        m_schema.inGateDatabase ? QStringLiteral("gate database") : QStringLiteral("database");
    const QFileInfo file(databaseFileOf(m_connectionString));
    // Reading the mount table on every reopen would slow each decision.
    if (m_fileSystemOf != file.absoluteFilePath()) {
        m_fileSystemOf = file.absoluteFilePath();
        m_fileSystemType = QStorageInfo(m_fileSystemOf).fileSystemType();
    }
    m_journalNote.clear();
    if (isNetworkFileSystem(m_fileSystemType)) {
        m_journalNote = QStringLiteral("%1 on a network filesystem (%2): WAL not used")
                            .arg(which, QString::fromUtf8(m_fileSystemType));
        return;
    }
    if (!file.isWritable() || !QFileInfo(file.absolutePath()).isWritable()) {
        m_journalNote = QStringLiteral("%1 read-only: WAL not used").arg(which);
        return;
    }
    const QString before = pragma(db, QStringLiteral("PRAGMA journal_mode")).toLower();
    if (!before.isEmpty() && !journalBefore().contains(m_fileSystemOf))
        journalBefore().insert(m_fileSystemOf, before);
    QSqlQuery walMode(db);
    if (!walMode.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !walMode.next()) {
        m_journalNote =
            QStringLiteral("%1: WAL not used (%2)").arg(which, walMode.lastError().databaseText());
        return;
    }
    const QString mode = walMode.value(0).toString();
    for (const char *suffix : {"-wal", "-shm"}) {
        const QString side = file.absoluteFilePath() + QLatin1String(suffix);
        m_sideFiles << std::pair{side, fileIdentity(side)};
    }
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        m_journalNote = QStringLiteral("%1: WAL not used (journal mode %2)").arg(which, mode);
}

bool DataControl::checkColumns(QString *error)
{
    QSqlQuery info(database());
    // The table name is one of the station's own constants, never typed text.
    if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(m_schema.table))) {
        setError(error, QStringLiteral("%1: %2 is not a readable database (%3)")
                            .arg(m_name, databaseFileOf(m_connectionString),
                                 info.lastError().databaseText()));
        return false;
    }
    QStringList present;
    while (info.next())
        present << info.value(1).toString();
    if (present.isEmpty()) {
        setError(error, QStringLiteral("%1: table %2 missing in %3")
                            .arg(m_name, m_schema.table, databaseFileOf(m_connectionString)));
        return false;
    }
    for (const QString &column : m_schema.columnNames()) {
        if (!present.contains(column, Qt::CaseInsensitive)) {
            setError(error,
                     QStringLiteral("%1: column %2.%3 missing in %4")
                         .arg(m_name, m_schema.table, column, databaseFileOf(m_connectionString)));
            return false;
        }
    }
    return true;
}

bool DataControl::runRecordSource(QString *error)
{
    if (m_recordSource.isEmpty())
        return true;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(m_recordSource)) {
        setError(error, QStringLiteral("%1: %2").arg(m_name, query.lastError().text()));
        return false;
    }
    return true; // the query ends here, so no read lock outlives the refresh
}

bool isNetworkFileSystem(const QByteArray &type)
{
    static const QList<QByteArray> network = {
        "nfs",  "nfs4", "cifs",      "smb3",   "smbfs", "9p",    "afs",   "ncpfs",
        "coda", "ceph", "glusterfs", "lustre", "gfs2",  "ocfs2", "davfs", "sshfs"};
    return network.contains(type) || type == "fuse" || type.startsWith("fuse.");
}

QString connectionStringFor(const QString &databasePath)
{
    if (databasePath.isEmpty())
        return {};
    QUrl url = QUrl::fromLocalFile(databasePath);
    // mode=rw: open read-write, and fail rather than create a missing file.
    url.setQuery(QStringLiteral("mode=rw"));
    return url.toString(QUrl::FullyEncoded);
}

QString databaseFileOf(const QString &connectionString)
{
    return QUrl(connectionString).toLocalFile();
}

QString columnText(const QSqlQuery &query, const QString &column)
{
    const QVariant value = query.value(column);
    return value.isNull() ? QString() : value.toString();
}
