#include "pg_server.h"

#include "free_port.h"

#include <QFile>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <unistd.h>

namespace {

const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");

// Runs a program to its end; the server's programs as the postgres user when
// root. Fails the test when it fails.
void run(const QStringList &command)
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

} // namespace

PgServer::PgServer(bool durable, const QStringList &settings)
    : m_durable(durable)
    , m_settings(settings)
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
    // The test's own superuser is trusted; every other role proves itself (loopback only).
    QFile hba(m_dir.filePath("data/pg_hba.conf"));
    hba.open(QIODevice::ReadOnly);
    const QByteArray rest = hba.readAll();
    hba.close();
    hba.open(QIODevice::WriteOnly | QIODevice::Truncate);
    hba.write("host all gate 127.0.0.1/32 trust\nhost all all 127.0.0.1/32 scram-sha-256\n" + rest);
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
    QString options = QStringLiteral("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=%3")
                          .arg(m_port)
                          .arg(m_dir.path(), m_durable ? "on" : "off");
    for (const QString &setting : m_settings)
        options += QStringLiteral(" -c ") + setting;
    run({Bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath("data"),
         QStringLiteral("-o"), options, QStringLiteral("-l"), m_dir.filePath("log"),
         QStringLiteral("-w"), QStringLiteral("start")});
    m_running = true;
}

void PgServer::stop(const char *mode)
{
    run({Bin + QStringLiteral("pg_ctl"), QStringLiteral("-D"), m_dir.filePath("data"),
         QStringLiteral("-m"), QLatin1String(mode), QStringLiteral("-w"), QStringLiteral("stop")});
    m_running = false;
}

QString PgServer::startTls()
{
    const TestAuthority authority = makeTestAuthority(m_dir.path(), QStringLiteral("test-ca"));
    const QString key = m_dir.filePath("data/server.key");
    const QString request = m_dir.filePath("server.csr");
    const QString names = m_dir.filePath("server.ext");
    QFile ext(names);
    ext.open(QIODevice::WriteOnly);
    ext.write("subjectAltName=IP:127.0.0.1\n");
    ext.close();
    const QString openssl = QStringLiteral("openssl");
    run({openssl, "req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", key, "-out", request});
    run({openssl, "x509", "-req", "-in", request, "-CA", authority.certificate, "-CAkey",
         authority.key, "-CAcreateserial", "-days", "2", "-extfile", names, "-out",
         m_dir.filePath("data/server.crt")});
    // The server takes a key only it can read.
    QFile::setPermissions(key, QFile::ReadOwner | QFile::WriteOwner);
    if (geteuid() == 0)
        run({QStringLiteral("chown"), QStringLiteral("postgres"), key,
             m_dir.filePath("data/server.crt")});
    m_settings << QStringLiteral("ssl=on");
    stop();
    start();
    return authority.certificate;
}

qint64 PgServer::pid() const
{
    QFile file(m_dir.filePath("data/postmaster.pid"));
    file.open(QIODevice::ReadOnly);
    return file.readLine().trimmed().toLongLong();
}

TestAuthority makeTestAuthority(const QString &folder, const QString &name)
{
    const TestAuthority authority{folder + QLatin1Char('/') + name + QStringLiteral(".crt"),
                                  folder + QLatin1Char('/') + name + QStringLiteral(".key")};
    run({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
         "-nodes", "-days", "2", "-subj", "/CN=" + name, "-keyout", authority.key, "-out",
         authority.certificate});
    return authority;
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
