#pragma once

#include "log_push.h"
#include "settings/fleet_state.h"

#include <QHash>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QTimer>

// What gate-sync runs with: station.ini's [fleet] section, perhaps overridden
// on the command line.
struct GateSyncConfig {
    QString folder;
    QString url;
    StationName name;
    int checkSeconds = 30;
    int pushSeconds = 5;
    int retrySeconds = 5;
    int batchRows = 1000;
    bool allowShrink = false;
};

// Keeps one station folder and the fleet database in step: pushes new gate
// log rows to the central log (each once, in order) and pulls the site's
// units, master codes and time zones when they change (woken by the
// database's notification for the site, checked about every checkSeconds as
// well). A lost connection is tried again about every retrySeconds; the
// station never waits for any of it. Each event is a line on stderr;
// fleet.state tells the station. Several may run in one process, each on the
// thread it was made on.
class GateSync : public QObject {
    Q_OBJECT

public:
    explicit GateSync(GateSyncConfig config);
    ~GateSync() override;

    // Opens the station's gate database and starts; false when the folder is unusable.
    bool start(QString *error);
    // Ends every timer and the link, and leaves fleet.state saying so with the
    // rows still waiting, so the station never reads a stopped link as in step.
    void stop(const QString &why);

signals:
    // The site's data of this change count is in the station's files.
    void pulled(qint64 changeCount);

private:
    void connectFleet();
    bool joinFleet(QString *error);
    // Joined with a role that is no station's: the site must be there already.
    bool joinAsOffice(QSqlDatabase &db, QString *error);
    void lost(const QString &why);
    void disconnectFleet();
    void check();
    void pushStep();
    void pull();
    void pullChange(qint64 count);
    // A statement run again and again, prepared once a connection: one round
    // trip each time. The statement, run, or none with the reason.
    QSqlQuery *execute(const QString &sql, const QVariantList &values, QString *error);
    void notified(const QString &channel, QSqlDriver::NotificationSource, const QVariant &);
    void setPhase(FleetState::Phase phase, const QString &fault);
    // In step, or the fault of the last pull the station's files refused.
    void setPullPhase();
    void writeState();

    GateSyncConfig m_config;
    QString m_fleetConnection;
    QString m_gateConnection;
    QSqlDatabase m_gateDb;
    bool m_connected = false;
    qint64 m_mark = 0;         // every local row up to this fldID is in the central log
    qint64 m_pulledCount = -2; // the site's change count the station's files hold
    QString m_pullFault;       // a pull the station's files refused
    QString m_siteChannel;
    QHash<QString, QSqlQuery> m_statements;
    bool m_warnedOfRole = false;
    FleetState m_state;
    QTimer m_retry;
    QTimer m_push;
    QTimer m_check;
};
