#include "pg_server.h"

#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTcpServer>
#include <unistd.h>

namespace {

const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");

quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        qFatal("no free port on 127.0.0.1");
    return probe.serverPort();
}

} // namespace

PgServer::PgServer(bool durable)
    : m_durable(durable)
{
    if (!m_dir.isValid())
        qFatal("cannot make a temporary folder");
    if (geteuid() == 0)
        run({QStringLiteral("chown"), QStringLiteral("postgres"), m_dir.path()});
    // Unless durable, no disk syncs: the cluster lives as long as the test, and
    // a crash of the server (stop "immediate") still keeps what the kernel has.
    run({Bin + QStringLiteral("initdb"), QStringLiteral("--no-sync"), QStringLiteral("-D"),
         m_dir.filePath("data"), QStringLiteral("-A"), QStringLiteral("trust"),
         QStringLiteral("-U"), QStringLiteral("gate")});
    // The password role must prove itself; everyone else is trusted (loopback only).
    QFile hba(m_dir.filePath("data/pg_hba.conf"));
    hba.open(QIODevice::ReadOnly);
    const QByteArray rest = hba.readAll();
    hba.close();
    hba.open(QIODevice::WriteOnly | QIODevice::Truncate);
    hba.write(QByteArray("host all ") + PasswordUser + " 127.0.0.1/32 scram-sha-256\n" + rest);
    hba.close();
    m_port = freePort();
    start();
    // A test that aborts or crashes never reaches the destructor: a watcher
    // stops the server once this process is gone. It lets go of this
    // process's output, which whoever runs the test may be reading to its end.
    QProcess::startDetached(
        QStringLiteral("sh"),
        {QStringLiteral("-c"),
         QStringLiteral("exec </dev/null >/dev/null 2>&1; while [ -d /proc/%1 ]; do sleep 1; "
                        "done; %2 %3pg_ctl -D %4 -m fast stop; rm -rf %5")
             .arg(getpid())
             .arg(geteuid() == 0 ? QStringLiteral("runuser -u postgres --") : QString(), Bin,
                  m_dir.filePath("data"), m_dir.path())});
    exec(QStringLiteral("postgres"),
         QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'")
             .arg(QLatin1String(PasswordUser), QLatin1String(Password)));
}

PgServer::~PgServer()
{
    if (m_running)
        stop();
}

void PgServer::start()
{
    run({Bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath("data"),
         QStringLiteral("-o"),
         QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=%3")
             .arg(m_port)
             .arg(m_dir.path(), m_durable ? "on" : "off"),
         QStringLiteral("-l"), m_dir.filePath("log"), QStringLiteral("-w"),
         QStringLiteral("start")});
    m_running = true;
}

void PgServer::stop(const char *mode)
{
    run({Bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath("data"),
         QStringLiteral("-m"), QLatin1String(mode), QStringLiteral("-w"), QStringLiteral("stop")});
    m_running = false;
}

void PgServer::run(const QStringList &command) const
{
    QStringList args = command;
    QString program = args.takeFirst();
    if (geteuid() == 0 && program.startsWith(Bin)) {
        args = QStringList{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"),
                           program} +
               args;
        program = QStringLiteral("runuser");
    }
    QProcess process;
    process.start(program, args);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        qFatal("%s %s failed: %s%s", qPrintable(program), qPrintable(args.join(' ')),
               process.readAllStandardOutput().constData(),
               process.readAllStandardError().constData());
}

QString PgServer::url(const QString &database, const QString &user, const QString &password) const
{
    const QString who = password.isEmpty() ? user : user + QLatin1Char(':') + password;
    return QStringLiteral("postgresql://%1@127.0.0.1:%2/%3").arg(who).arg(m_port).arg(database);
}

QString PgServer::createDatabase(const QString &name)
{
    exec(QStringLiteral("postgres"), QStringLiteral("CREATE DATABASE %1").arg(name));
    exec(name, QStringLiteral("GRANT ALL ON SCHEMA public TO %1").arg(QLatin1String(PasswordUser)));
    return url(name);
}

QSqlDatabase PgServer::connect(const QString &database, const QString &name) const
{
    QSqlDatabase db = QSqlDatabase::contains(name)
                          ? QSqlDatabase::database(name, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.close();
    db.setHostName(QStringLiteral("127.0.0.1"));
    db.setPort(m_port);
    db.setUserName(QStringLiteral("gate"));
    db.setDatabaseName(database);
    if (!db.open())
        qFatal("cannot connect to %s: %s", qPrintable(database), qPrintable(db.lastError().text()));
    return db;
}

QSqlQuery PgServer::query(const QString &database, const QString &sql) const
{
    QSqlQuery query(connect(database, QStringLiteral("pg-server-") + database));
    if (!query.exec(sql))
        qFatal("%s: %s", qPrintable(sql), qPrintable(query.lastError().text()));
    return query;
}

void PgServer::exec(const QString &database, const QString &sql) const
{
    query(database, sql);
}

QVariant PgServer::value(const QString &database, const QString &sql) const
{
    QSqlQuery rows = query(database, sql);
    if (!rows.next())
        qFatal("%s: no row", qPrintable(sql));
    return rows.value(0);
}

QStringList PgServer::column(const QString &database, const QString &sql) const
{
    QSqlQuery rows = query(database, sql);
    QStringList values;
    while (rows.next())
        values << rows.value(0).toString();
    return values;
}
