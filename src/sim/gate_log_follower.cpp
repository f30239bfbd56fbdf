#include "gate_log_follower.h"

#include "access/gate_event_record.h"
#include "access/result_words.h"
#include "common/station_log.h"
#include "settings/station_folder.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUrl>

namespace {

// Often enough that a decision shows with its relay change.
constexpr int PollMs = 200;

} // namespace

GateLogFollower::GateLogFollower(const QString &startFolder, QObject *parent)
    : QObject(parent)
    , m_folder(startFolder)
    , m_connection(QStringLiteral("gate-log-follower"))
{
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &GateLogFollower::poll);
    m_poll.start();
}

GateLogFollower::~GateLogFollower()
{
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
}

QString GateLogFollower::rowText(const QString &location, const QString &code,
                                 const QString &result, const QString &customer,
                                 const QString &unit)
{
    if (result == ResultWords::PadLocked)
        return QStringLiteral("%1: Keypad Locked after %2; that keypad drops keys until the "
                              "lockout ends")
            .arg(location, customer);
    const QString who = whoOf({code, location, result, customer, unit, {}});
    return QStringLiteral("%1: %2%3%4")
        .arg(location, code.isEmpty() ? QString() : StationLog::masked(code) + QLatin1Char(' '),
             result, who.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(who));
}

bool GateLogFollower::open(QString *why)
{
    if (QSqlDatabase::database(m_connection, false).isOpen())
        return true;
    StationSettings settings;
    if (!StationFolder(m_folder).loadSettings(settings, why))
        return false;
    QSqlDatabase db = QSqlDatabase::contains(m_connection)
                          ? QSqlDatabase::database(m_connection, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    // mode=rw: a missing log is named, never made.
    QUrl url = QUrl::fromLocalFile(settings.GateDbPath);
    url.setQuery(QStringLiteral("mode=rw"));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=50"));
    if (db.open())
        return true;
    *why = QStringLiteral("%1: %2").arg(settings.GateDbPath, db.lastError().text());
    return false;
}

bool GateLogFollower::readNewRows(QString *why)
{
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    query.setForwardOnly(true);
    const bool first = m_lastId < 0;
    query.prepare(first ? QStringLiteral("select ifnull(max(fldID), 0) from tblGateLog")
                        : QStringLiteral("select fldID, fldZone, fldCode, fldReult, fldCustomer, "
                                         "fldUnitNumber from tblGateLog where fldID > ? "
                                         "order by fldID"));
    if (!first)
        query.addBindValue(m_lastId);
    if (!query.exec()) {
        *why = query.lastError().text();
        return false;
    }
    while (query.next()) {
        m_lastId = query.value(0).toLongLong();
        if (!first)
            emit said(rowText(query.value(1).toString(), query.value(2).toString(),
                              query.value(3).toString(), query.value(4).toString(),
                              query.value(5).toString()));
    }
    return true;
}

void GateLogFollower::poll()
{
    QString why;
    if (open(&why) && readNewRows(&why)) {
        m_problem.clear();
        return;
    }
    // A lock held a moment by the station is no news.
    if (why.contains(QLatin1String("locked")) || why == m_problem)
        return;
    m_problem = why;
    emit said(QStringLiteral("decisions are not shown: the gate log cannot be read (%1)").arg(why));
}
