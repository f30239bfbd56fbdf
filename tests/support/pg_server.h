#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A PostgreSQL server of a test program's own: a new cluster in a temporary
// folder (owned by the postgres user when run as root: the server refuses
// root), listening on a free port of 127.0.0.1 only, with its socket in that
// folder. Stopped ("fast") when the object goes, also after a failed test.
class PgServer {
public:
    // Superuser `gate` without password (trust); every other role, PasswordUser
    // and the stations' roles, needs its password.
    static constexpr const char *PasswordUser = "keeper";
    static constexpr const char *Password = "k33per-pw";

    // `durable`: the server syncs its commits to disk, as at a site (benchmarks);
    // tests need no syncs. `settings`: more server settings, "name=value".
    explicit PgServer(bool durable = false, const QStringList &settings = {});
    ~PgServer();
    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    void start();
    // "fast" ends sessions cleanly; "immediate" is a crash (no shutdown checkpoint).
    void stop(const char *mode = "fast");
    // From now on the server offers TLS with a certificate for 127.0.0.1 signed
    // by a certificate authority of its own (openssl); that authority's
    // certificate file. The server is restarted.
    QString startTls();
    // The server's main process.
    qint64 pid() const;

    // postgresql://USER@127.0.0.1:PORT/DATABASE (with PASSWORD when given).
    QString url(const QString &database, const QString &user = QStringLiteral("gate"),
                const QString &password = {}) const;
    // A new, empty database; its URL.
    QString createDatabase(const QString &name);

    // Runs statements (one script) on a database as `gate`; fails the test on error.
    void exec(const QString &database, const QString &sql) const;
    // The first value of a query.
    QVariant value(const QString &database, const QString &sql) const;
    // The first value of every row, as text.
    QStringList column(const QString &database, const QString &sql) const;
    // An open connection of the test's own to a database.
    QSqlDatabase connect(const QString &database, const QString &name) const;
    // The query run on a database as `gate`; fails the test on error.
    QSqlQuery query(const QString &database, const QString &sql) const;

private:
    QTemporaryDir m_dir;
    quint16 m_port = 0;
    bool m_durable = false;
    QStringList m_settings;
    bool m_running = false;
};

// A new certificate authority in `folder` (openssl): its certificate and key
// files, `name`.crt and `name`.key; their paths.
struct TestAuthority {
    QString certificate;
    QString key;
};
TestAuthority makeTestAuthority(const QString &folder, const QString &name);
