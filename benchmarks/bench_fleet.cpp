// Speed of the fleet link, run by "make bench", never by the tests: the push
// of a long outage's log, a central change reaching the gate, and the keypad
// path with gate-sync beside the station. Each figure is printed beside a
// baseline measured in the same run.
#include "common/clock.h"
#include "fleet/site_pull.h"
#include "relay_line.h"
#include "support/fleet_database.h"
#include "support/gate_site.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSqlQuery>
#include <QTextStream>
#include <QThread>

namespace {

constexpr int PushRows = 100000;
constexpr int BaselineRows = 5000; // row per statement: slow, so fewer, scaled
constexpr int SiteUnits = 5000;
constexpr int Changes = 10;
constexpr int Keys = 200;

QTextStream out(stdout);

// Site "bench" with SiteUnits rented units, and what `more` adds.
void fillSite(PgServer &server, const QString &db, const QString &more = {})
{
    server.exec(db, QStringLiteral("INSERT INTO sites (site) VALUES ('bench');"
                                   "INSERT INTO units (site, fldGateCode, fldStatus) SELECT "
                                   "'bench', 100000 + i, 'Rented' FROM generate_series(1, %1) i;")
                            .arg(SiteUnits) +
                        more);
}

// gate-sync's work seen done; a bench that cannot finish (gate-sync refused,
// say) stops with a word after 5 minutes instead of waiting for ever.
void waitFor(const std::function<bool()> &done, const char *what, int pollMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > 300000)
            qFatal("bench_fleet: %s not seen after 5 minutes", what);
        QThread::msleep(pollMs);
    }
}

void setStatus(PgServer &server, const QString &db, const QString &code, const QString &status)
{
    server.exec(db, QStringLiteral("UPDATE units SET fldStatus = '%1' WHERE fldGateCode = '%2'")
                        .arg(status, code));
}

void writeIni(const StartFolder &folder, const QString &url, const QString &station)
{
    folder.write(
        "station.ini",
        QStringLiteral("[fleet]\nUrl=%1\nSite=bench\nStation=%2\n[keypad]\nLockoutAfter=0\n")
            .arg(url, station)
            .toUtf8());
}

struct SyncProcess {
    QProcess process;
    explicit SyncProcess(const QString &folder)
    {
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process.setStandardErrorFile(QProcess::nullDevice());
        process.start(QStringLiteral(GATE_SYNC),
                      {QStringLiteral("--folder"), folder, QStringLiteral("--retry-seconds"),
                       QStringLiteral("1")});
        process.waitForStarted();
    }
    ~SyncProcess()
    {
        process.terminate();
        process.waitForFinished();
    }
};

void pushFigure(PgServer &server)
{
    const QString db = createFleetDatabase(server, QStringLiteral("push"));
    StartFolder folder;
    folder.makeStandard();
    writeIni(folder, server.url(db), QStringLiteral("p1"));
    folder.addLogRows(PushRows);
    server.exec(db, QStringLiteral("INSERT INTO sites (site) VALUES ('bench')"));
    QElapsedTimer timer;
    timer.start();
    {
        SyncProcess sync(folder.path());
        waitFor(
            [&] { return server.value(db, "SELECT count(*) FROM gate_log").toInt() >= PushRows; },
            "the pushed rows", 50);
    }
    const double pushS = timer.elapsed() / 1000.0;

    // Baseline: one INSERT per row, each its own transaction.
    QSqlQuery insert(server.connect(db, QStringLiteral("baseline")));
    insert.prepare("INSERT INTO gate_log (site, station, local_id, fldDateTime, fldCode, fldReult, "
                   "fldCustomer, fldUnitNumber, fldCustID, fldZone) VALUES ('bench', 'p1', ?, "
                   "'2026-03-10 12:00:00', ?, 'Valid', 'First Last', 'U', ?, 'In')");
    timer.restart();
    for (int i = 1; i <= BaselineRows; ++i) {
        insert.addBindValue(PushRows + i);
        insert.addBindValue(QString::number(100000 + i));
        insert.addBindValue(i);
        insert.exec();
    }
    const double baselineS = timer.elapsed() / 1000.0 * PushRows / BaselineRows;
    out << QStringLiteral("push of %L1 waiting log rows, gate-sync start to the last row "
                          "central: %2 s; row-per-statement baseline (%L3 rows, scaled): %4 s; "
                          "ratio %5\n")
               .arg(PushRows)
               .arg(pushS, 0, 'f', 1)
               .arg(BaselineRows)
               .arg(baselineS, 0, 'f', 1)
               .arg(baselineS / pushS, 0, 'f', 1);
    out.flush();
}

QString localStatus(const StartFolder &folder, const QString &code)
{
    return folder
        .value(
            "Data.gsd",
            QStringLiteral("SELECT fldStatus FROM tblUnitInfo WHERE fldGateCode = '%1'").arg(code))
        .toString();
}

void changeFigure(PgServer &server)
{
    const QString db = createFleetDatabase(server, QStringLiteral("change"));
    fillSite(server, db);
    StartFolder folder;
    folder.makeStandard();
    writeIni(folder, server.url(db), QStringLiteral("c1"));
    SyncProcess sync(folder.path());
    const QString code = QString::number(100000 + SiteUnits / 2);
    waitFor([&] { return localStatus(folder, code) == QLatin1String("Rented"); }, "the first pull",
            20);
    QList<double> ms;
    for (int i = 0; i < Changes; ++i) {
        const QString status = i % 2 ? QStringLiteral("Rented") : QStringLiteral("Vacant");
        QElapsedTimer timer;
        timer.start();
        setStatus(server, db, code, status);
        waitFor([&] { return localStatus(folder, code) == status; }, "a change", 2);
        ms << timer.nsecsElapsed() / 1e6;
    }
    // Baseline: the pull itself, read and applied in-process with nothing to wake.
    QList<double> direct;
    QSqlDatabase central = server.connect(db, QStringLiteral("direct"));
    QSqlDatabase gate = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("g"));
    gate.setDatabaseName(folder.file("Gate.gsd"));
    gate.open();
    for (int i = 0; i < Changes; ++i) {
        setStatus(server, db, code, i % 2 ? "Rented" : "Vacant");
        QElapsedTimer timer;
        timer.start();
        SiteData data;
        QString error;
        SitePull::read(central, QStringLiteral("bench"), data, &error);
        SitePull::apply(data, folder.path(), gate, false, Clock::now().date());
        direct << timer.nsecsElapsed() / 1e6;
    }
    const Spread change = spreadOf(ms), pull = spreadOf(direct);
    out << QStringLiteral("central change to the station's files (site of %L1 units): median "
                          "%2 ms, max %3 ms; the pull alone, in-process: median %4 ms; ratio %5\n")
               .arg(SiteUnits)
               .arg(change.median, 0, 'f', 0)
               .arg(*std::max_element(ms.begin(), ms.end()), 0, 'f', 0)
               .arg(pull.median, 0, 'f', 0)
               .arg(change.median / pull.median, 0, 'f', 1);
    out.flush();
}

Spread typeCodes(GateSite &site, const RelayLine &relay)
{
    QList<double> ms;
    for (int k = 0; k < Keys; ++k) {
        qint64 start = 0;
        ms << keyToRelayMs(site.keypad1, relay, keysFor(QStringLiteral("1234")), start);
        QCoreApplication::processEvents();
    }
    return spreadOf(ms);
}

void keypadFigures(PgServer &server)
{
    const QString db = createFleetDatabase(server, QStringLiteral("keys"));
    fillSite(server, db,
             QStringLiteral("INSERT INTO units (site, fldGateCode, fldStatus) VALUES "
                            "('bench', '1234', 'Rented')"));
    GateSite site;
    RelayLine relay;
    site.mapPorts(site.keypad1.devicePath(), relay.path(), site.keypad2.devicePath());
    site.settings.RelayCloseSeconds = 1;
    writeIni(site.folder, server.url(db), QStringLiteral("k1"));
    {
        SyncProcess sync(site.folder.path());
        waitFor(
            [&] {
                return site.folder.value("Data.gsd", "SELECT count(*) FROM tblUnitInfo").toInt() >
                       SiteUnits;
            },
            "the site's units", 20);
    }
    const auto station = site.start();
    const auto line = [](const char *what, const Spread &s, const Spread &without) {
        out << QStringLiteral("key to relay, %1: median %2 ms, p99 %3 ms; without gate-sync: "
                              "median %4 ms, p99 %5 ms; ratio %6\n")
                   .arg(QLatin1String(what))
                   .arg(s.median, 0, 'f', 2)
                   .arg(s.p99, 0, 'f', 2)
                   .arg(without.median, 0, 'f', 2)
                   .arg(without.p99, 0, 'f', 2)
                   .arg(s.median / without.median, 0, 'f', 2);
        out.flush();
    };
    const Spread without = typeCodes(site, relay);
    {
        SyncProcess sync(site.folder.path());
        line("fleet link up, each row pushed", typeCodes(site, relay), without);
        server.stop();
        line("fleet database down", typeCodes(site, relay), without);
        server.start();
    }
    site.folder.addLogRows(PushRows);
    SyncProcess sync(site.folder.path());
    server.exec(db, "UPDATE units SET fldCustLastName = 'changed'");
    line("gate-sync pushing 100 000 rows and pulling every unit", typeCodes(site, relay), without);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    PgServer server(true); // commits synced to disk, as at a site
    pushFigure(server);
    changeFigure(server);
    keypadFigures(server);
    return 0;
}
