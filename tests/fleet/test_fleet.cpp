// The fleet database against a real PostgreSQL server of the test's own.
#include "fleet/fleet_schema.h"
#include "support/pg_server.h"

#include <QProcess>
#include <QTest>
#include <memory>

namespace {

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run gatectl(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(GATECTL), args);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class FleetTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { m_server = std::make_unique<PgServer>(); }
    void cleanupTestCase() { m_server.reset(); }
    void schemaVersions_data();
    void schemaVersions();

private:
    std::unique_ptr<PgServer> m_server;
    int m_databases = 0;
};

void FleetTest::schemaVersions_data()
{
    QTest::addColumn<bool>("init");
    QTest::addColumn<QString>("then");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("says");
    QTest::addColumn<QString>("unusable");

    const QString newer =
        QStringLiteral("the fleet database has schema version %1, newer than this "
                       "program knows (%2): update the gate programs")
            .arg(FleetSchema::knownVersion() + 1)
            .arg(FleetSchema::knownVersion());
    QTest::newRow("empty database: made")
        << false << QString() << 0 << "applied 001_fleet.sql" << QString();
    QTest::newRow("up to date: nothing applied")
        << true << QString() << 0
        << QStringLiteral("fleet schema version %1 at").arg(FleetSchema::knownVersion())
        << QString();
    QTest::newRow("newer: refused, untouched")
        << true
        << QStringLiteral("INSERT INTO fleet_schema_version (version) VALUES (%1)")
               .arg(FleetSchema::knownVersion() + 1)
        << 1 << newer << newer;
    QTest::newRow("a migration that fails: rolled back whole")
        << false << QStringLiteral("CREATE TABLE sites (x int)") << 1
        << "fleet init: 001_fleet.sql: "
        << "the fleet database has no fleet schema: run gatectl fleet init URL";
}

void FleetTest::schemaVersions()
{
    QFETCH(bool, init);
    QFETCH(QString, then);
    QFETCH(int, exitCode);
    QFETCH(QString, says);
    QFETCH(QString, unusable);

    const QString name = QStringLiteral("versions%1").arg(++m_databases);
    const QString url = m_server->createDatabase(name);
    if (init)
        QCOMPARE(gatectl({QStringLiteral("fleet"), QStringLiteral("init"), url}).exitCode, 0);
    if (!then.isEmpty())
        m_server->exec(name, then);
    const Run run = gatectl({QStringLiteral("fleet"), QStringLiteral("init"), url});
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2((run.out + run.err).contains(says), qPrintable(run.out + run.err));
    QCOMPARE(run.out.contains(QLatin1String("applied")), !init && exitCode == 0);
    QCOMPARE(FleetSchema::whyUnusable(m_server->connect(name, QStringLiteral("check"))), unusable);
}

QTEST_GUILESS_MAIN(FleetTest)
#include "test_fleet.moc"
