#pragma once

#include "sync_plan.h"

#include <QString>

class QElapsedTimer;

// The customer database as a sync reads and writes it, while the station and
// the management software use it. Rows are read in one read transaction;
// changes are written in one BEGIN IMMEDIATE transaction, or into a copy of
// the file that is then renamed over it. Either write first checks, under the
// write lock, that nobody committed since the rows were read.
class CustomerDatabase {
public:
    explicit CustomerDatabase(const QString &path);
    ~CustomerDatabase();
    CustomerDatabase(const CustomerDatabase &) = delete;
    CustomerDatabase &operator=(const CustomerDatabase &) = delete;

    // The file must exist; a sync never makes one.
    bool open(QString *error);
    // In a rollback journal a commit shuts every reader out; in WAL mode (the
    // station's while it runs) readers never wait for a writer, and a new
    // file renamed over this one would cut off the rows in its side file.
    bool readersWaitForWrites() const { return m_journalMode != QLatin1String("wal"); }

    // Every row of the table in rowid order, both tables from one snapshot.
    bool read(QList<CurrentRow> &units, QList<CurrentRow> &masters, QString *error);

    enum class Write { Done, TooSlow, ChangedMeanwhile, Failed };
    struct Change {
        const SyncTable *table;
        const TablePlan *plan;
    };
    // The plans in one transaction, rolled back (TooSlow) once its statements
    // have held the write lock for `budgetMs`. `lockMs` is how long it was
    // held, also when rolled back.
    Write applyInPlace(const QList<Change> &changes, int budgetMs, qint64 &lockMs, QString *error);

    struct Content {
        const SyncTable *table;
        QList<QVariantList> rows;
    };
    // A copy of the whole file (other tables, indexes and all) whose tables
    // hold exactly `content`, synced to disk and renamed over the file.
    Write replaceFile(const QList<Content> &content, qint64 &lockMs, QString *error);

private:
    bool stage(const QList<Change> &changes, QString *error);
    Write lockUnchanged(QElapsedTimer &held, QString *error);
    bool readDataVersion(qint64 &version, QString *error);

    QString m_path;
    QString m_connection;
    QString m_journalMode;
    qint64 m_dataVersion = -1;
};
