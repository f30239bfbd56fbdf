#include "gate_log_writer.h"

#include "common/file_sync.h"
#include "data/sql_run.h"
#include "settings/station_folder.h"

#include <QFile>
#include <QJsonDocument>
#include <QSaveFile>

namespace {

const QStringList LogColumns = {"fldDateTime",   "fldCode",   "fldReult", "fldCustomer",
                                "fldUnitNumber", "fldCustID", "fldZone"};
const QString MarkerKey = QStringLiteral("flushAbove");

const QString InsertRow = QStringLiteral(
    "insert into tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, fldUnitNumber, "
    "fldCustID, fldZone) values (?, ?, ?, ?, ?, ?, ?)");

// QtSql binds a null QString as NULL; the log stores empty text instead.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

// The customer number column holds a number, NULL when the row has none, and
// a foreign non-number as the text it was, rather than lose it.
QJsonValue custIdOf(const QString &custId)
{
    bool numeric = false;
    const qint64 number = custId.toLongLong(&numeric);
    if (numeric)
        return number;
    return custId.isEmpty() ? QJsonValue() : QJsonValue(custId);
}

QJsonObject rowOf(const GateEvent &event, const QDateTime &when)
{
    return {{"fldDateTime", when.toString(QLatin1String(LogDateTimeFormat))},
            {"fldCode", text(event.code)},
            {"fldReult", text(event.result)},
            {"fldCustomer", text(event.customer)},
            {"fldUnitNumber", text(event.unitNumber)},
            {"fldCustID", custIdOf(event.custId)},
            {"fldZone", text(event.location)}};
}

QVariantList valuesOf(const QJsonObject &row)
{
    QVariantList values;
    for (const QString &column : LogColumns) {
        const QJsonValue value = row.value(column);
        if (value.isDouble())
            values << QVariant(value.toInteger());
        else if (value.isNull()) // only a row without a customer number
            values << QVariant(QMetaType::fromType<qint64>());
        else
            values << QVariant(text(value.toString()));
    }
    return values;
}

QByteArray lineOf(const QJsonObject &object)
{
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

QString fileError(const QString &path, const QFile &file)
{
    return QStringLiteral("%1: %2").arg(path, file.errorString());
}

} // namespace

GateLogWriter::GateLogWriter()
    : m_log(QStringLiteral("GateLogWriter"), Tables::gateLog(), DataControl::Writes::Durable)
{
    m_log.setBusyTimeout(0);
}

bool GateLogWriter::open(const QString &gateDbPath, QString *error)
{
    m_spoolPath = StationFolder::spoolOf(gateDbPath);
    m_spooledRows = 0;
    QList<Entry> entries;
    if (readSpool(entries, nullptr)) {
        for (const Entry &entry : entries)
            m_spooledRows += entry.flushAbove < 0 ? 1 : 0;
    }
    m_log.setConnectionString(connectionStringFor(gateDbPath));
    return connectLog(error);
}

bool GateLogWriter::connectLog(QString *error)
{
    if (!m_log.refresh(error))
        return false;
    QSqlQuery(m_log.database()).exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
    return true;
}

GateLogWriter::Result GateLogWriter::write(const GateEvent &event, const QDateTime &when,
                                           QString *why)
{
    const QJsonObject row = rowOf(event, when);
    QString reason;
    if (m_spooledRows > 0) {
        reason = QStringLiteral("%1 log rows wait in the spool").arg(m_spooledRows);
    } else if (logUsable(&reason)) {
        QSqlQuery insert(m_log.database());
        if (runSql(insert, InsertRow, valuesOf(row), &reason))
            return Result::Logged;
    }
    QString spoolError;
    if (m_spoolPath.isEmpty()) {
        spoolError = QStringLiteral("no gate database named");
    } else if (appendToSpool(lineOf(row), &spoolError)) {
        ++m_spooledRows;
        setError(why, QStringLiteral("%1: row kept in the spool").arg(reason));
        return Result::Spooled;
    }
    setError(why, QStringLiteral("not logged: %1; spool %2").arg(reason, spoolError));
    return Result::Lost;
}

// Rows written to a gate database that was removed, or replaced by a file
// renamed over it, would be lost with the old file; and opening the new one
// while the station's other connections still hold the old one's WAL would
// mix the two. So such rows wait in the spool until the station has closed
// every connection to the old file and opened the new one.
bool GateLogWriter::logUsable(QString *why)
{
    if (m_log.isCurrent())
        return true;
    if (m_log.isConnected()) {
        setError(why, QStringLiteral("gate database removed or replaced while the station "
                                     "runs (the station takes a new one up within seconds)"));
        return false;
    }
    QString error;
    if (connectLog(&error))
        return true;
    setError(why, QStringLiteral("gate log not open: ") + error);
    return false;
}

bool GateLogWriter::flushSpool(QString *why)
{
    if (!logUsable(why))
        return false;
    QList<QJsonObject> rows;
    if (!pendingRows(rows, why))
        return false;
    if (rows.isEmpty())
        return removeSpool(why);

    // The marker goes to disk before the write lock is taken, so the lock is
    // never held while the spool syncs.
    QSqlQuery q(m_log.database());
    if (!runSql(q, QStringLiteral("select coalesce(max(fldID), 0) from tblGateLog"), {}, why) ||
        !q.next())
        return false;
    const qint64 flushAbove = q.value(0).toLongLong();
    q.finish();
    qint64 markerAt = 0;
    if (!appendToSpool(lineOf({{MarkerKey, flushAbove}}), why, &markerAt))
        return false;

    bool ok = runSql(q, QStringLiteral("BEGIN IMMEDIATE"), {}, why);
    const bool began = ok;
    for (qsizetype i = 0; ok && i < rows.size(); ++i) {
        ok = runSql(q, InsertRow, valuesOf(rows[i]), why);
        // Rows deleted meanwhile could let an id fall below the marker.
        if (ok && i == 0 && q.lastInsertId().toLongLong() <= flushAbove) {
            setError(why, QStringLiteral("gate log rows were deleted meanwhile"));
            ok = false;
        }
    }
    const bool committing = ok;
    ok = ok && runSql(q, QStringLiteral("COMMIT"), {}, why);
    if (!ok) {
        if (began)
            q.exec(QStringLiteral("ROLLBACK"));
        // A failed COMMIT may still have reached the disk: its marker stays to
        // tell. Otherwise it goes, or every refused flush would leave one behind.
        if (!committing) {
            QFile spool(m_spoolPath);
            if (spool.resize(markerAt) && spool.open(QIODevice::ReadWrite))
                syncToDisk(spool);
        }
        return false;
    }
    return removeSpool(why);
}

// The spooled rows not yet in the log: a batch before a marker is dropped when
// the log shows it committed. The spool is rewritten without such batches, so
// a later purge of the log cannot make them look uncommitted.
bool GateLogWriter::pendingRows(QList<QJsonObject> &rows, QString *why)
{
    QList<Entry> entries;
    if (!readSpool(entries, why))
        return false;
    bool dropped = false;
    for (const Entry &entry : std::as_const(entries)) {
        if (entry.flushAbove < 0) {
            rows << entry.row;
            continue;
        }
        if (rows.isEmpty())
            continue;
        QSqlQuery q(m_log.database());
        QString sql = QStringLiteral("select 1 from tblGateLog where fldID > ?");
        // "is": a row without a customer number holds NULL, which "=" never matches.
        for (const QString &column : LogColumns)
            sql += QStringLiteral(" and %1 is ?").arg(column);
        if (!runSql(q, sql + QStringLiteral(" limit 1"),
                    QVariantList{entry.flushAbove} + valuesOf(rows.first()), why))
            return false;
        if (q.next()) {
            rows.clear();
            dropped = true;
        }
    }
    m_spooledRows = int(rows.size());
    return !dropped || rows.isEmpty() || replaceSpool(rows, why);
}

bool GateLogWriter::readSpool(QList<Entry> &entries, QString *error) const
{
    QFile spool(m_spoolPath);
    if (m_spoolPath.isEmpty() || !spool.exists())
        return true;
    if (!spool.open(QIODevice::ReadOnly)) {
        setError(error, fileError(m_spoolPath, spool));
        return false;
    }
    const QByteArray all = spool.readAll();
    // Only lines ended by "\n" are complete; a crash mid-append leaves a torn last line.
    const QList<QByteArray> lines = all.left(all.lastIndexOf('\n') + 1).split('\n');
    for (const QByteArray &line : lines) {
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.isEmpty())
            continue;
        if (object.contains(MarkerKey))
            entries << Entry{{}, object.value(MarkerKey).toInteger()};
        else
            entries << Entry{object, -1};
    }
    return true;
}

bool GateLogWriter::appendToSpool(const QByteArray &lines, QString *error, qint64 *at)
{
    QFile spool(m_spoolPath);
    const bool existed = spool.exists();
    if (!spool.open(QIODevice::ReadWrite)) {
        setError(error, fileError(m_spoolPath, spool));
        return false;
    }
    // Cut a torn last line, or the new row would be glued to it.
    qint64 end = spool.size();
    if (end > 0 && spool.seek(end - 1) && spool.peek(1) != "\n") {
        spool.seek(0);
        end = spool.readAll().lastIndexOf('\n') + 1;
    }
    if (!spool.resize(end) || !spool.seek(end) || spool.write(lines) != lines.size() ||
        !syncToDisk(spool)) {
        setError(error, fileError(m_spoolPath, spool));
        spool.resize(end);
        return false;
    }
    if (!existed)
        syncFolderOf(m_spoolPath);
    if (at)
        *at = end;
    return true;
}

bool GateLogWriter::replaceSpool(const QList<QJsonObject> &rows, QString *error)
{
    QSaveFile spool(m_spoolPath);
    if (spool.open(QIODevice::WriteOnly)) {
        for (const QJsonObject &row : rows)
            spool.write(lineOf(row));
        if (spool.commit())
            return true;
    }
    setError(error, QStringLiteral("%1: %2").arg(m_spoolPath, spool.errorString()));
    return false;
}

// Should the removal not survive a crash, the marker shows the rows committed.
bool GateLogWriter::removeSpool(QString *error)
{
    QFile spool(m_spoolPath);
    if (spool.exists() && !spool.remove()) {
        setError(error, fileError(m_spoolPath, spool));
        return false;
    }
    m_spooledRows = 0;
    return true;
}
