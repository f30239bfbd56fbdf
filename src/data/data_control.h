#pragma once

#include "file_identity.h"
#include "tables.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

class QSqlQuery;

// One named database connection with its record source, standing in for a data
// control: refresh (re)opens the file named by the connection string, checks
// that the table has every column the station uses and runs the record source.
// The file must exist: refresh never creates a database.
class DataControl {
public:
    // Plain: the file as found. Shared: the station reads while other programs
    // write; WAL, so their commits never shut a decision out. Durable: the
    // station writes; synchronous FULL and WAL.
    enum class Writes { Plain, Shared, Durable };

    DataControl(const QString &name, TableSchema schema, Writes writes = Writes::Plain);
    ~DataControl();
    DataControl(const DataControl &) = delete;
    DataControl &operator=(const DataControl &) = delete;

    const QString &name() const { return m_name; }
    const TableSchema &schema() const { return m_schema; }

    void setConnectionString(const QString &connectionString);
    const QString &connectionString() const { return m_connectionString; }
    void setRecordSource(const QString &sql);
    const QString &recordSource() const { return m_recordSource; }

    // How long a statement waits for another's lock, from the next refresh on.
    void setBusyTimeout(int milliseconds) { m_busyTimeoutMs = milliseconds; }

    bool refresh(QString *error);
    // Closes the connection. A file moved away from its path (replaced,
    // removed) keeps its write-ahead log at the path, where the next file there
    // would take its rows for its own: they go into the old file first, and
    // its side files are removed.
    void close();
    bool isConnected() const { return m_connected; }
    // Connected to the file that its path names now: not removed, not replaced
    // by another file renamed over it. A stat, cheap enough for every decision.
    bool isCurrent() const;

    // Why a connection that asks for WAL runs without it; empty when it uses WAL.
    const QString &journalNote() const { return m_journalNote; }
    // Moves what the write-ahead log holds into the file, without waiting for
    // anyone; false when readers kept some of it there.
    bool checkpoint();
    // The last connection of this process to a file others read: every row
    // into the file itself and the file back in the journal mode it had before
    // the station switched it to WAL; any connection then closed. Empty when
    // all went well, else why not.
    QString closeForOthers();

    // The open connection, for the queries of the subsystems.
    QSqlDatabase database() const;

private:
    bool open(QString *error);
    void chooseJournal(QSqlDatabase &db);
    bool checkColumns(QString *error);
    bool runRecordSource(QString *error);

    QString m_name;
    QString m_connectionName;
    TableSchema m_schema;
    Writes m_writes;
    QString m_connectionString;
    QString m_recordSource;
    bool m_connected = false;
    std::optional<FileIdentity> m_openedFile;
    int m_busyTimeoutMs;
    QString m_journalNote;
    QString m_fileSystemOf; // the file whose filesystem type is known
    QByteArray m_fileSystemType;
    // The -wal and -shm files beside the file this connection opened in WAL mode.
    QList<std::pair<QString, std::optional<FileIdentity>>> m_sideFiles;
};

// A connection name no other connection of the process has, on any thread.
QString uniqueConnectionName(const QString &name);

// Filesystems whose files other hosts may reach, where WAL's shared memory cannot work.
bool isNetworkFileSystem(const QByteArray &type);

// What the data layer needs to open a database file that must already exist; empty for no path.
QString connectionStringFor(const QString &databasePath);

// The file a connection string names, for messages.
QString databaseFileOf(const QString &connectionString);

// How the gate log stores a date and time: local time as text, which sorts as
// the time it names.
inline const char *const LogDateTimeFormat = "yyyy-MM-dd HH:mm:ss";
// The stored stamp of a day's first moment: rows of the day sort from it.
inline QString storedDayStart(const QDate &day)
{
    return day.startOfDay().toString(QLatin1String(LogDateTimeFormat));
}

// A column of the current row as text; an empty (NULL) column is an empty text.
QString columnText(const QSqlQuery &query, const QString &column);
