#pragma once

#include "data/data_control.h"
#include "gate_event_record.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QString>

// Appends gate-log rows without ever waiting for a lock held by someone else.
// A row the gate database does not take at once goes to the spool file beside
// it (`<gate database>.spool`), synced to disk; flushSpool moves the spooled
// rows into the log later, in order, exactly once.
//
// The spool holds one JSON object per line, each ended by "\n": a row keyed by
// its column names ({"fldCode":"1234",...,"fldCustID":345,...}), or a flush
// marker {"flushAbove":N}. A marker is written before the flush commits: its
// rows were committed when the log holds a row equal to the first of them with
// fldID above N. A last line without its "\n" is a torn append and is ignored.
class GateLogWriter {
public:
    enum class Result { Logged, Spooled, Lost };

    GateLogWriter();

    // (Re)opens on an existing gate database and reads the spool beside it.
    // False when the database cannot be written now; rows are then spooled.
    bool open(const QString &gateDbPath, QString *error);

    // One autocommit INSERT when no rows wait and the log takes it at once;
    // else the row joins the spool. `why` says why in every case but Logged.
    Result write(const GateEvent &event, const QDateTime &when, QString *why);

    // Moves the spooled rows into the log in one transaction, then empties the
    // spool. False, with the spool kept, when the log does not take them now.
    bool flushSpool(QString *why);

    int spooledRows() const { return m_spooledRows; }
    QString spoolPath() const { return m_spoolPath; }
    // Why the gate database runs without WAL; empty when it uses WAL.
    const QString &journalNote() const { return m_log.journalNote(); }
    // The write-ahead log into the file, never on a keypad's path: rows
    // commit without checkpointing, and the station calls this when idle.
    bool checkpoint() { return m_log.checkpoint(); }
    // The writer's connection, last of the station's to the gate database:
    // see DataControl::closeForOthers.
    QString closeForOthers() { return m_log.closeForOthers(); }
    void close() { m_log.close(); }
    // The writer's own connection, for checks of its settings.
    QSqlDatabase database() const { return m_log.database(); }

private:
    struct Entry {
        QJsonObject row;
        qint64 flushAbove = -1; // a marker when not negative
    };

    bool connectLog(QString *error);
    bool logUsable(QString *why);
    bool readSpool(QList<Entry> &entries, QString *error) const;
    bool appendToSpool(const QByteArray &lines, QString *error, qint64 *at = nullptr);
    bool replaceSpool(const QList<QJsonObject> &rows, QString *error);
    bool removeSpool(QString *error);
    bool pendingRows(QList<QJsonObject> &rows, QString *why);

    DataControl m_log;
    QString m_spoolPath;
    int m_spooledRows = 0;
};
