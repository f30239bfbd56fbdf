#include "gate_sync.h"

#include "common/clock.h"
#include "common/station_log.h"
#include "data/data_control.h"
#include "data/sql_run.h"
#include "fleet_connection.h"
#include "fleet_schema.h"
#include "settings/settings_file.h"
#include "settings/station_folder.h"
#include "site_pull.h"

#include <QCryptographicHash>
#include <QDir>
#include <QRandomGenerator>
#include <QSqlDriver>
#include <QSqlQuery>

namespace {

// A change of every site's master codes.
const QString EverySiteChannel = QStringLiteral("fleet_change");

// As fleet_site_changed() names it: a site's name may be longer than a channel's.
QString siteChannel(const QString &site)
{
    return QStringLiteral("fleet_site_") +
           QString::fromLatin1(
               QCryptographicHash::hash(site.toUtf8(), QCryptographicHash::Md5).toHex());
}

// Three to five quarters of the time: stations that started together, or lost
// the server together, do not all ask it at the same moment.
int jitteredMs(int seconds)
{
    return int(seconds * 1000 * (0.75 + QRandomGenerator::global()->generateDouble() / 2));
}

// A connection that failed for want of the server (down, unreachable,
// restarting) rather than for a fault in the set-up.
bool isOutage(const QString &why)
{
    static const char *const words[] = {"Connection refused",
                                        "timeout expired",
                                        "could not connect",
                                        "server closed the connection",
                                        "no connection to the server",
                                        "terminating connection",
                                        "the database system is",
                                        "Network is unreachable",
                                        "No route to host",
                                        "could not receive data",
                                        "could not send data",
                                        "Connection reset",
                                        "connection not open",
                                        "connection is bad"};
    return std::any_of(std::begin(words), std::end(words),
                       [&](const char *word) { return why.contains(QLatin1String(word)); });
}

void say(const QString &text)
{
    StationLog::line(QStringLiteral("gate-sync: ") + text);
}

} // namespace

GateSync::GateSync(GateSyncConfig config)
    : m_config(std::move(config))
    , m_fleetConnection(uniqueConnectionName(QStringLiteral("fleet")))
    , m_gateConnection(uniqueConnectionName(QStringLiteral("gate-log")))
    , m_siteChannel(siteChannel(m_config.name.site))
{
    m_state.staleSeconds = 3 * std::max(m_config.checkSeconds, m_config.retrySeconds) + 10;
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &GateSync::connectFleet);
    m_push.setInterval(jitteredMs(m_config.pushSeconds));
    connect(&m_push, &QTimer::timeout, this, &GateSync::pushStep);
    m_check.setInterval(jitteredMs(m_config.checkSeconds));
    connect(&m_check, &QTimer::timeout, this, &GateSync::check);
}

GateSync::~GateSync()
{
    m_statements.clear();
    m_gateDb = {};
    QSqlDatabase::removeDatabase(m_gateConnection);
    QSqlDatabase::removeDatabase(m_fleetConnection);
}

bool GateSync::start(QString *error)
{
    StationSettings settings;
    if (!StationFolder(m_config.folder).loadSettings(settings, error))
        return false;
    m_gateDb = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_gateConnection);
    // The station writes this file: wait for its short writes, never hold it.
    m_gateDb.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000;QSQLITE_OPEN_URI"));
    m_gateDb.setDatabaseName(QStringLiteral("file:%1?mode=rw").arg(settings.GateDbPath));
    if (!m_gateDb.open()) {
        setError(error, QStringLiteral("cannot open the gate database %1: %2")
                            .arg(settings.GateDbPath, m_gateDb.lastError().text()));
        return false;
    }
    say(QStringLiteral("station %1 of site %2, fleet %3")
            .arg(m_config.name.station, m_config.name.site, FleetConnection::shown(m_config.url)));
    const QString unprotected = FleetConnection::unprotectedLink(m_config.url);
    if (!unprotected.isEmpty())
        say(unprotected);
    m_state.since = Clock::now();
    setPhase(FleetState::Phase::Offline, QStringLiteral("not connected yet"));
    m_push.start();
    m_check.start();
    connectFleet();
    return true;
}

void GateSync::stop(const QString &why)
{
    for (QTimer *timer : {&m_retry, &m_push, &m_check})
        timer->stop();
    disconnectFleet();
    // The count of the last push step may be seconds old.
    QString unread;
    if (!LocalLog(m_gateDb).countAfter(m_mark, m_state.waiting, &unread))
        say(QStringLiteral("cannot read the gate log: ") + unread);
    setPhase(FleetState::Phase::Stopped, {});
    say(QStringLiteral("stop (%1): %2 log rows waiting").arg(why).arg(m_state.waiting));
}

void GateSync::connectFleet()
{
    QString why;
    if (!FleetConnection::open(m_config.url, m_fleetConnection, &why) || !joinFleet(&why)) {
        lost(why);
        return;
    }
    m_connected = true;
    say(QStringLiteral("connected; the central log holds this station's rows up to %1")
            .arg(m_mark));
    m_state.contact = Clock::now();
    setPullPhase();
    pull();
    pushStep();
}

bool GateSync::joinFleet(QString *error)
{
    QSqlDatabase db = QSqlDatabase::database(m_fleetConnection, false);
    const QString unusable = FleetSchema::whyUnusable(db);
    if (!unusable.isEmpty()) {
        setError(error, unusable);
        return false;
    }
    QSqlQuery query(db);
    // What the server loses in a crash is sent again: the central log's mark is
    // read anew at every connection. So no commit of gate-sync's waits for the
    // server's disk, and a thousand stations do not queue at it.
    if (!query.exec(QStringLiteral("SET synchronous_commit = off"))) {
        setError(error, FleetConnection::failure(query));
        return false;
    }
    if (!runSql(query,
                // As the policies compare it, so the index on role serves.
                QStringLiteral("SELECT site, station FROM stations "
                               "WHERE role = current_user::text COLLATE \"default\""),
                {}, error))
        return false;
    if (query.next()) {
        const StationName role{query.value(0).toString(), query.value(1).toString()};
        if (role.site != m_config.name.site || role.station != m_config.name.station) {
            setError(error,
                     QStringLiteral("the URL's role is station %1 of site %2, not station "
                                    "%3 of site %4: correct station.ini [fleet]")
                         .arg(role.station, role.site, m_config.name.station, m_config.name.site));
            return false;
        }
    } else if (!joinAsOffice(db, error)) {
        return false;
    }
    if (!CentralLog::mark(db, m_config.name, m_mark, error))
        return false;
    QSqlDriver *driver = db.driver();
    if (!driver->subscribeToNotification(EverySiteChannel) ||
        !driver->subscribeToNotification(m_siteChannel)) {
        setError(error,
                 QStringLiteral("cannot listen for changes: ") + FleetConnection::reason(db));
        return false;
    }
    connect(driver, &QSqlDriver::notification, this, &GateSync::notified, Qt::UniqueConnection);
    return true;
}

bool GateSync::joinAsOffice(QSqlDatabase &db, QString *error)
{
    if (!std::exchange(m_warnedOfRole, true))
        say(QStringLiteral("WARNING: %1 is not a station's role: whoever takes this computer can "
                           "read and change every site's codes and log (gatectl fleet "
                           "add-station makes a role for this station)")
                .arg(db.userName()));
    QSqlQuery query(db);
    if (!runSql(query, QStringLiteral("SELECT 1 FROM sites WHERE site = ?"), {m_config.name.site},
                error))
        return false;
    if (!query.next()) {
        setError(error, QStringLiteral("site %1 is not in the fleet database: the office adds it "
                                       "(gatectl fleet add-station, fleet import)")
                            .arg(m_config.name.site));
        return false;
    }
    return runSql(
        query,
        QStringLiteral("INSERT INTO stations (site, station) VALUES (?, ?) ON CONFLICT DO NOTHING"),
        {m_config.name.site, m_config.name.station}, error);
}

void GateSync::lost(const QString &why)
{
    // The server's messages run over several lines; the journal and the status take one.
    const QString reason = why.simplified();
    if (m_connected || m_state.fault != reason)
        say((m_connected ? QStringLiteral("lost the fleet database: ")
                         : QStringLiteral("no fleet database: ")) +
            reason);
    disconnectFleet();
    setPhase(isOutage(reason) ? FleetState::Phase::Offline : FleetState::Phase::Fault, reason);
    m_retry.start(jitteredMs(m_config.retrySeconds));
}

void GateSync::disconnectFleet()
{
    m_connected = false;
    m_statements.clear(); // prepared on the connection that goes
    QSqlDatabase::database(m_fleetConnection, false).close();
}

void GateSync::notified(const QString &channel, QSqlDriver::NotificationSource, const QVariant &)
{
    if (channel == EverySiteChannel || channel == m_siteChannel)
        QTimer::singleShot(0, this, &GateSync::pull);
}

void GateSync::check()
{
    m_check.setInterval(jitteredMs(m_config.checkSeconds));
    if (!m_connected)
        return;
    QString why;
    // The report and the site's change count in one round trip.
    QSqlQuery *report = execute(
        QStringLiteral("UPDATE stations SET last_contact = now(), rows_waiting = ?, status = ? "
                       "WHERE site = ? AND station = ? "
                       "RETURNING (SELECT change_count FROM sites WHERE site = stations.site)"),
        {m_state.waiting, m_state.statusLine(Clock::now()), m_config.name.site,
         m_config.name.station},
        &why);
    if (!report || !report->next()) {
        lost(report ? QStringLiteral("station %1 of site %2 is no longer in the fleet database")
                          .arg(m_config.name.station, m_config.name.site)
                    : why);
        return;
    }
    m_state.contact = Clock::now();
    pullChange(report->value(0).toLongLong());
    writeState();
}

void GateSync::pushStep()
{
    m_push.setInterval(jitteredMs(m_config.pushSeconds));
    QList<QVariantList> rows;
    qint64 waiting = 0;
    QString why;
    LocalLog local(m_gateDb);
    // Counted every step for the status; read only when they can be sent.
    if (!local.countAfter(m_mark, waiting, &why)) {
        say(QStringLiteral("cannot read the gate log: ") + why);
        return;
    }
    if (!m_connected || waiting == 0) {
        if (waiting != std::exchange(m_state.waiting, waiting))
            writeState();
        return;
    }
    if (!local.rows(m_mark, m_config.batchRows, rows, &why)) {
        say(QStringLiteral("cannot read the gate log: ") + why);
        return;
    }
    if (rows.isEmpty()) // purged since they were counted
        return;
    const qint64 last = rows.last().first().toLongLong();
    const qint64 after = waiting - rows.size();
    if (!CentralLog::insert(QSqlDatabase::database(m_fleetConnection, false), m_config.name, rows,
                            after, &why)) {
        m_state.waiting = waiting;
        lost(why);
        return;
    }
    m_mark = last;
    m_state.waiting = after;
    m_state.contact = Clock::now();
    say(QStringLiteral("pushed %1 log rows up to %2, %3 waiting")
            .arg(rows.size())
            .arg(last)
            .arg(after));
    writeState();
    if (after > 0)
        QTimer::singleShot(0, this, &GateSync::pushStep);
}

void GateSync::pull()
{
    if (!m_connected)
        return;
    QString why;
    QSqlQuery *count = execute(QStringLiteral("SELECT change_count FROM sites WHERE site = ?"),
                               {m_config.name.site}, &why);
    if (!count) {
        lost(why);
        return;
    }
    pullChange(count->next() ? count->value(0).toLongLong() : -1);
}

void GateSync::pullChange(qint64 count)
{
    if (count == m_pulledCount)
        return;
    QSqlDatabase db = QSqlDatabase::database(m_fleetConnection, false);
    SiteData data;
    QString why;
    if (!SitePull::read(db, m_config.name.site, data, &why)) {
        lost(why);
        return;
    }
    const SitePull::Applied applied =
        SitePull::apply(data, m_config.folder, m_gateDb, m_config.allowShrink, Clock::now().date());
    say(QStringLiteral("pulled change %1: %2; %3")
            .arg(data.changeCount)
            .arg(applied.customers.summary, applied.zones));
    const bool refused = applied.customers.outcome == CustomerSync::Report::Outcome::Refused;
    m_pullFault = applied.ok() ? QString()
                               : QStringLiteral("pull not written: ") +
                                     (refused ? applied.customers.summary : applied.zones);
    if (applied.ok()) {
        m_pulledCount = data.changeCount;
        emit pulled(m_pulledCount);
        if (!execute(QStringLiteral("UPDATE stations SET pulled_change = ? "
                                    "WHERE site = ? AND station = ?"),
                     {m_pulledCount, m_config.name.site, m_config.name.station}, &why)) {
            lost(why);
            return;
        }
    }
    m_state.contact = Clock::now();
    setPullPhase();
}

QSqlQuery *GateSync::execute(const QString &sql, const QVariantList &values, QString *error)
{
    auto statement = m_statements.find(sql);
    if (statement == m_statements.end()) {
        statement =
            m_statements.insert(sql, QSqlQuery(QSqlDatabase::database(m_fleetConnection, false)));
        statement->prepare(sql); // a failure shows when it runs
    }
    for (int i = 0; i < values.size(); ++i)
        statement->bindValue(i, values[i]);
    if (statement->exec())
        return &*statement;
    setError(error, FleetConnection::failure(*statement));
    return nullptr;
}

void GateSync::setPullPhase()
{
    setPhase(m_pullFault.isEmpty() ? FleetState::Phase::InStep : FleetState::Phase::Fault,
             m_pullFault);
}

void GateSync::setPhase(FleetState::Phase phase, const QString &fault)
{
    if (phase != m_state.phase)
        m_state.since = Clock::now();
    m_state.phase = phase;
    m_state.fault = fault;
    writeState();
}

void GateSync::writeState()
{
    m_state.written = Clock::now();
    QString why;
    if (!m_state.write(m_config.folder, &why))
        say(why);
}
