#include "common/clock.h"
#include "http/status_render.h"
#include "http/status_server.h"
#include "support/gate_site.h"
#include "support/http_request.h"
#include "support/other_program.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QDateTime Now(QDate(2026, 3, 10), QTime(12, 0));

// A client that writes raw bytes; what it got back once the server closed the connection.
struct RawClient {
    QTcpSocket socket;
    QByteArray received;

    explicit RawClient(quint16 port)
    {
        QObject::connect(&socket, &QTcpSocket::readyRead, [this] { received += socket.readAll(); });
        socket.connectToHost(QHostAddress::LocalHost, port);
    }
    bool closedByServer() const { return socket.state() == QAbstractSocket::UnconnectedState; }
};

struct Station {
    GateSite site;
    std::unique_ptr<GateStation> w;

    Station()
    {
        site.folder.exec("Data.gsd",
                         "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, fldGateTimeZone, "
                         "fldGateExpireDate) VALUES ('1234', 'Rented', 0, '000000'), "
                         "('3456', 'Rented', 0, '010126')");
        site.settings.RelayCloseSeconds = 2;
        w = site.start("127.0.0.1:0");
        site.relay.readNow();
    }

    Reply get(const QString &path) const { return request(w->statusPort(), path); }

    // A code typed on keypad 0 or 1: one row more.
    void type(int keypad, const QByteArray &keys) const
    {
        const qsizetype before = site.logRows().size();
        press(*w, keypad, keys);
        QCOMPARE(site.logRows().size(), before + 1);
    }
};

// What the station tells its monitor beside the keys.
using Telling = std::function<void(StationMonitor &)>;

} // namespace
Q_DECLARE_METATYPE(Telling)
namespace {

// fleet.state as gate-sync left it 2 minutes ago, with 37 rows waiting; read now.
Telling fleetRead(FleetState::Phase phase, int writtenSecondsAgo)
{
    return [=](StationMonitor &monitor) {
        FleetState fleet;
        fleet.phase = phase;
        fleet.since = fleet.contact = Now.addSecs(-120);
        fleet.written = Now.addSecs(-writtenSecondsAgo);
        fleet.waiting = 37;
        fleet.staleSeconds = 90;
        monitor.fleetLinkRead(fleet, Now);
    };
}

// A station with every device open (keypad 1 too, unless not) and both databases connected.
StationMonitor::Equipment equipment(bool keypad1Open = true)
{
    return {{{"Relay board", 2, true, true, "/dev/ttyUSB1 open"},
             {"Keypad 1", 1, true, keypad1Open, "cannot open /dev/ttyUSB0"},
             {"Keypad 2", 3, true, true, "/dev/ttyUSB2 open"}},
            {{"customer", true, 0}, {"gate log", true, 0}}};
}

QString heading(const QByteArray &page)
{
    static const QRegularExpression h1("<h1 class=\"(ok|bad)\">([^<]*)</h1>");
    const QRegularExpressionMatch match = h1.match(QString::fromUtf8(page));
    return match.captured(1) + ": " + match.captured(2);
}

QStringList deviceStates(const QJsonObject &health)
{
    QStringList states;
    for (const QJsonValue &device : health["devices"].toArray())
        states << QStringLiteral("%1 %2").arg(device["name"].toString(),
                                              device["open"].toBool() ? "open" : "closed");
    return states;
}

} // namespace

class TestHttp : public QObject {
    Q_OBJECT

private slots:
    void init() { Clock::pin(Now); }
    void cleanup() { Clock::unpin(); }

    // What /health and /metrics say of the fleet link, from gate-sync's fleet.state.
    void fleetLinkFromItsStateFile_data()
    {
        QTest::addColumn<QByteArray>("state"); // empty: no file
        QTest::addColumn<QString>("sync");     // phase, since, last contact, rows waiting

        const QByteArray written = "written=2026-03-10T11:59:50\nstale=90\n";
        // clang-format off
        QTest::newRow("offline") << "phase=offline\nsince=2026-03-10T11:58:00\ncontact=2026-03-10T11:57:59\nwaiting=37\n" + written << "offline|2026-03-10 11:58:00|2026-03-10 11:57:59|37";
        QTest::newRow("never in contact") << "phase=fault\nsince=2026-03-10T11:00:00\ncontact=\nwaiting=5\n" + written << "fault|2026-03-10 11:00:00|null|5";
        QTest::newRow("gate-sync silent 91 s of 90") << QByteArray("phase=in step\nsince=2026-03-10T08:00:00\ncontact=2026-03-10T11:58:29\nwaiting=2\nwritten=2026-03-10T11:58:29\nstale=90\n") << "silent|2026-03-10 08:00:00|2026-03-10 11:58:29|2";
        QTest::newRow("gate-sync 90 s of 90") << QByteArray("phase=in step\nsince=2026-03-10T08:00:00\ncontact=2026-03-10T11:58:30\nwaiting=2\nwritten=2026-03-10T11:58:30\nstale=90\n") << "in step|2026-03-10 08:00:00|2026-03-10 11:58:30|2";
        QTest::newRow("gate-sync stopped, long ago") << QByteArray("phase=stopped\nsince=2026-03-10T09:00:00\ncontact=2026-03-10T08:59:58\nwaiting=3\nwritten=2026-03-10T09:00:00\nstale=90\n") << "stopped|2026-03-10 09:00:00|2026-03-10 08:59:58|3";
        QTest::newRow("no word from gate-sync") << QByteArray() << "unknown|null|null|0";
        // clang-format on
    }
    void fleetLinkFromItsStateFile()
    {
        QFETCH(QByteArray, state);
        QFETCH(QString, sync);
        StartFolder folder;
        if (!state.isEmpty())
            folder.write("fleet.state", state);
        StationMonitor monitor(Now);
        FleetState read;
        QString why;
        if (FleetState::read(folder.path(), read, &why))
            monitor.fleetLinkRead(read, Now);
        else
            monitor.fleetLinkUnread(why);
        const QJsonObject link = healthJson(monitor.status())["sync"].toObject();
        QStringList said{link["phase"].toString()};
        for (const char *time : {"since", "lastContact"})
            said << (link[time].isNull() ? "null" : link[time].toString());
        said << QString::number(link["rowsWaiting"].toInt());
        QCOMPARE(said.join('|'), sync);
        const QMap<QString, double> samples = Reply{200, monitor.metricsText()}.samples();
        for (const QString phase : {"in step", "offline", "fault", "stopped", "silent", "unknown"})
            QCOMPARE(samples.value(QString(R"(gate_fleet_link{phase="%1"})").arg(phase), -1),
                     phase == said[0] ? 1.0 : 0.0);
        QCOMPARE(samples.value("gate_fleet_rows_waiting", -1), said[3].toDouble());
    }

    void listenSetting_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QString>("listen");
        QTest::addColumn<bool>("named");
        // clang-format off
        QTest::newRow("no key: loopback") << QByteArray() << "127.0.0.1:8741" << false;
        QTest::newRow("empty: off") << QByteArray("Listen=") << "" << false;
        QTest::newRow("IPv6 in brackets") << QByteArray("Listen=\"[::1]:8080\"") << "[::1]:8080" << false;
        QTest::newRow("IPv6 bare") << QByteArray("Listen=\"::1:8080\"") << "127.0.0.1:8741" << true;
        QTest::newRow("no port") << QByteArray("Listen=127.0.0.1") << "127.0.0.1:8741" << true;
        QTest::newRow("port too big") << QByteArray("Listen=127.0.0.1:65536") << "127.0.0.1:8741" << true;
        // clang-format on
    }

    void listenSetting()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QString, listen);
        QFETCH(bool, named);
        StartFolder folder;
        folder.write("station.ini", "[http]\n" + ini + "\n");
        QStringList problems;
        QCOMPARE(StationIni::load(folder.path(), &problems).httpListen, listen);
        QCOMPARE(problems.size(), named ? 1 : 0);
        if (named)
            QVERIFY2(problems[0].contains("http/Listen"), qPrintable(problems[0]));
    }

    // Health and metrics follow keys typed on two keypads, a locked log and an unplugged keypad.
    void figuresFollowTheStation()
    {
        Station s;
        Reply health = s.get("/health");
        QCOMPARE(health.status, 200);
        QCOMPARE(deviceStates(health.json()),
                 (QStringList{"Relay board open", "Keypad 1 open", "Keypad 2 open"}));
        QCOMPARE(health.json()["lastDecision"], QJsonValue());
        QCOMPARE(health.json()["sync"], QJsonValue());

        s.type(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QCOMPARE(s.get("/health").json()["relay"].toString(), "on");
        s.type(0, "CEFG");
        s.type(1, "NNNN");
        QTRY_COMPARE_WITH_TIMEOUT(s.site.relay.received(), RelayOff, 5000);
        health = s.get("/health");
        const QJsonObject decided = health.json()["lastDecision"].toObject();
        QCOMPARE(health.json()["relay"].toString(), "off");
        QCOMPARE(decided["result"].toString(), "Invalid");
        QCOMPARE(decided["source"].toString(), "keypad 2");
        QCOMPARE(decided["time"].toString(), "2026-03-10 12:00:00");

        QMap<QString, double> metrics = s.get("/metrics").samples();
        QCOMPARE(metrics.value(R"(gate_attempts_total{keypad="1",result="Valid"})"), 1.0);
        QCOMPARE(metrics.value(R"(gate_attempts_total{keypad="1",result="Exp"})"), 1.0);
        QCOMPARE(metrics.value(R"(gate_attempts_total{keypad="2",result="Invalid"})"), 1.0);
        QCOMPARE(metrics.value("gate_relay_opens_total"), 1.0);
        const double held = metrics.value("gate_relay_open_seconds_total");
        QVERIFY2(held >= 1.9 && held < 4, qPrintable(QString::number(held)));
        QCOMPARE(metrics.value("gate_decision_seconds_count"), 3.0);
        QCOMPARE(metrics.value(R"(gate_log_rows_total{to="log"})"), 3.0);
        QCOMPARE(metrics.value(R"(gate_device_up{device="Keypad 2",port="3"})"), 1.0);
        QCOMPARE(metrics.value("gate_station_start_time_seconds"), double(Now.toSecsSinceEpoch()));

        // Another program holds the log: the gate opens, the row waits in the spool
        // and all is not well until the spool, retried, lands it.
        {
            const OtherProgram other(s.site.folder.file("Gate.gsd"), {"BEGIN IMMEDIATE"});
            QVERIFY(other.ok());
            s.site.relay.readNow();
            press(*s.w, 0, "ABCE");
            QTRY_VERIFY(s.site.relay.received().startsWith(RelayOn));
            health = s.get("/health");
            QCOMPARE(health.status, 503);
            QCOMPARE(health.json()["databases"][1]["spooledRows"].toInt(), 1);
            metrics = s.get("/metrics").samples();
            QCOMPARE(metrics.value(R"(gate_log_rows_total{to="spool"})"), 1.0);
            QCOMPARE(metrics.value(R"(gate_database_faults_total{step="log"})"), 1.0);
            QVERIFY2(s.w->statusText().startsWith("1 log rows wait in the spool"),
                     qPrintable(s.w->statusText()));
        }
        QTRY_COMPARE_WITH_TIMEOUT(s.get("/health").status, 200, 8000);
        QCOMPARE(s.site.logRows().size(), 4);

        s.site.keypad2.closeMaster();
        QTRY_COMPARE(s.get("/health").status, 503);
        QCOMPARE(deviceStates(s.get("/health").json()),
                 (QStringList{"Relay board open", "Keypad 1 open", "Keypad 2 closed"}));
        metrics = s.get("/metrics").samples();
        QCOMPARE(metrics.value(R"(gate_device_up{device="Keypad 2",port="3"})"), 0.0);
        QCOMPARE(metrics.value(R"(gate_device_up{device="Keypad 1",port="1"})"), 1.0);
    }

    // The page in a real browser: today's rows newest first, codes masked, text escaped.
    void statusPageInABrowser()
    {
        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps installs it)");
        Station s;
        s.site.folder.exec("Gate.gsd",
                           "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, "
                           "fldUnitNumber, fldCustID, fldZone) VALUES "
                           "('2026-03-09 23:59:59', '7777', 'Valid', 'Yesterday', 'B2', 8, 'In'),"
                           "('2026-03-10 08:15:00', '5555', 'Exp 3/1/26', '<b>Bo</b> & Co', "
                           "'A1', 9, 'Out')");
        s.type(0, "ABCE");

        QTemporaryDir profile;
        QProcess browser;
        browser.start(chromium,
                      {"--headless", "--disable-gpu", "--no-sandbox", "--no-proxy-server",
                       "--user-data-dir=" + profile.path(), "--window-size=390,844", "--dump-dom",
                       QStringLiteral("http://127.0.0.1:%1/").arg(s.w->statusPort())});
        QSignalSpy finished(&browser, &QProcess::finished);
        QVERIFY2(finished.wait(60000), "chromium did not finish");
        const QByteArray dom = browser.readAllStandardOutput();
        QVERIFY2(dom.contains("<h1 class=\"ok\">All well</h1>"), dom.constData());
        const qsizetype newest = dom.indexOf("<td>**34</td>");
        const qsizetype earlier = dom.indexOf("<td>**55</td>");
        QVERIFY2(newest > 0 && earlier > newest, dom.constData());
        QVERIFY(dom.contains("<td>Exp 3/1/26</td>"));
        QVERIFY(dom.contains("<td>&lt;b&gt;Bo&lt;/b&gt; &amp; Co</td>"));
        for (const char *hidden : {"1234", "5555", "**77", "Yesterday"})
            QVERIFY2(!dom.contains(hidden), hidden);
    }

    // The top of the page names what needs someone, and the alert rules get a series for it.
    void troublesNamedAndCounted_data()
    {
        QTest::addColumn<Telling>("told");
        QTest::addColumn<bool>("keypad1Open");
        QTest::addColumn<QString>("named");
        QTest::addColumn<QString>("series");
        QTest::addColumn<double>("value");
        const Telling nothing = [](StationMonitor &) {};
        const Telling locked = [](StationMonitor &m) { m.keypadLocked(1, Now.addSecs(300)); };
        const QString keypad1 = R"(gate_keypad_locked{keypad="1"})";
        const QString keypad2 = R"(gate_keypad_locked{keypad="2"})";
        using P = FleetState::Phase;
        // clang-format off
        QTest::newRow("all well") << nothing << true << "ok: All well" << keypad2 << 0.0;
        QTest::newRow("keypad locked") << locked << true << "bad: Keypad 2 locked until 12:05:00" << keypad2 << 1.0;
        QTest::newRow("lockout lifted") << Telling([locked](StationMonitor &m) { locked(m); m.keypadLocked(1, {}); }) << true << "ok: All well" << keypad2 << 0.0;
        QTest::newRow("lockout ran out") << Telling([](StationMonitor &m) { m.keypadLocked(0, Now.addSecs(-1)); }) << true << "ok: All well" << QString() << 0.0;
        QTest::newRow("a keypad gone too") << locked << false << "bad: Keypad 1 not open; Keypad 2 locked until 12:05:00" << keypad1 << 0.0;
        QTest::newRow("fleet offline") << fleetRead(P::Offline, 0) << true << "bad: fleet: offline since 11:58, 37 rows waiting" << "gate_fleet_link_up" << 0.0;
        QTest::newRow("fleet in step") << fleetRead(P::InStep, 0) << true << "ok: All well" << "gate_fleet_link_up" << 1.0;
        QTest::newRow("gate-sync silent") << fleetRead(P::InStep, 120) << true << "bad: fleet: gate-sync silent since 11:58, 37 rows waiting" << "gate_fleet_link_up" << 0.0;
        QTest::newRow("gate-sync stopped") << fleetRead(P::Stopped, 120) << true << "bad: fleet: gate-sync stopped at 11:58, 37 rows waiting" << "gate_fleet_link_up" << 0.0;
        QTest::newRow("fleet.state unread") << Telling([](StationMonitor &m) { m.fleetLinkUnread("fleet.state: no such file"); }) << true << "bad: fleet: fleet.state: no such file" << "gate_fleet_link_up" << 0.0;
        QTest::newRow("no fleet link") << nothing << true << "ok: All well" << "gate_fleet_link_up" << -1.0;
        QTest::newRow("previous run died") << Telling([](StationMonitor &m) { m.previousRunDied(); }) << true << "ok: All well" << "gate_station_previous_run_died" << 1.0;
        // clang-format on
    }

    void troublesNamedAndCounted()
    {
        QFETCH(Telling, told);
        QFETCH(bool, keypad1Open);
        QFETCH(QString, named);
        QFETCH(QString, series);
        QFETCH(double, value);
        StationMonitor monitor(Now);
        monitor.setProbe([=] { return equipment(keypad1Open); });
        told(monitor);
        QCOMPARE(heading(statusPage(monitor.status(), {}, Now, 5)), named);
        const QMap<QString, double> metrics = Reply{200, monitor.metricsText()}.samples();
        if (!series.isEmpty())
            QCOMPARE(metrics.value(series, -1), value);
    }

    // A metric the alert rules name but the station never exports would never fire.
    void alertRulesUseExportedMetrics()
    {
        QFile rules(GATE_SOURCE "/packaging/prometheus/gate-station-alerts.yml");
        QVERIFY(rules.open(QIODevice::ReadOnly));
        StationMonitor monitor(Now);
        monitor.setProbe([] { return equipment(); });
        fleetRead(FleetState::Phase::Offline, 0)(monitor);
        const QByteArray exported = monitor.metricsText();
        static const QRegularExpression name("\\bgate_[a-z_]+");
        auto names = name.globalMatch(QString::fromUtf8(rules.readAll()));
        QStringList used;
        while (names.hasNext())
            used << names.next().captured();
        QVERIFY(used.size() >= 8);
        for (const QString &metric : used)
            QVERIFY2(exported.contains("# TYPE " + metric.toUtf8() + ' '), qPrintable(metric));
    }

    // Every column of a busy day's rows fits a phone's width, long names and all.
    void logTableFitsAPhone()
    {
        const QString chromium = QStandardPaths::findExecutable("chromium");
        if (chromium.isEmpty())
            QSKIP("chromium is not installed (scripts/install-deps installs it)");
        LatestRows log;
        log.limit = 500;
        for (const char *result : {"Valid", "Keypad Locked", "TimeZone 12", "Exp 12/31/26"})
            log.rows << LogRow{"2026-03-10 08:15:00",
                               "Office",
                               "123456",
                               result,
                               "STORAGE-A1234",
                               "maximiliana.featherstonehaugh@example.com",
                               "1000123"};
        StationMonitor monitor(Now);
        monitor.setProbe([] { return equipment(); });
        // Measured in the page itself: the widest right edge against the screen's width.
        const QByteArray measure =
            "<script>const w = document.documentElement.clientWidth;"
            "const right = Math.max(...[...document.querySelectorAll('th,td')].map("
            "c => c.getBoundingClientRect().right));"
            "document.title = right <= w && document.documentElement.scrollWidth <= w ? 'fits'"
            " : 'right edge ' + right + ' of ' + w;</script></body>";
        QTemporaryDir dir;
        QFile page(dir.filePath("status.html"));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write(statusPage(monitor.status(), log, Now, 5).replace("</body>", measure));
        page.close();
        QProcess browser;
        browser.start(chromium,
                      {"--headless", "--disable-gpu", "--no-sandbox",
                       "--user-data-dir=" + dir.filePath("profile"), "--window-size=390,844",
                       "--dump-dom", QUrl::fromLocalFile(page.fileName()).toString()});
        QSignalSpy finished(&browser, &QProcess::finished);
        QVERIFY2(finished.wait(60000), "chromium did not finish");
        const QByteArray dom = browser.readAllStandardOutput();
        const qsizetype title = dom.indexOf("<title>");
        QCOMPARE(dom.mid(title, dom.indexOf("</title>") - title), QByteArray("<title>fits"));
        QVERIFY(dom.contains("<td>08:15:00</td>"));
    }

    // Requests the server does not serve get an error or are closed, and the gate keeps working.
    void badRequestsLeaveTheGateWorking()
    {
        Station s;
        const quint16 port = s.w->statusPort();
        QCOMPARE(s.get("/nothing").status, 404);
        QCOMPARE(request(port, "/health", "POST").status, 405);

        RawClient huge(port);
        huge.socket.write("GET /health HTTP/1.1\r\nHost: x\r\nX-Big: " +
                          QByteArray(100 * 1024, 'a') + "\r\n\r\n");
        QTRY_VERIFY(huge.closedByServer());
        QVERIFY2(huge.received.startsWith("HTTP/1.1 431 "), huge.received.left(80).constData());

        RawClient garbage(port);
        garbage.socket.write("\x16\x03\x01 no HTTP at all\r\n\r\n");
        QTRY_VERIFY(garbage.closedByServer());

        std::vector<std::unique_ptr<RawClient>> crowd;
        for (int i = 0; i < 50; ++i) {
            crowd.push_back(std::make_unique<RawClient>(port));
            crowd.back()->socket.write("GET /health HTTP/1.1\r\nHost: x\r\n\r\n");
        }
        auto answered = [&](const char *status) {
            return std::count_if(crowd.begin(), crowd.end(), [status](const auto &client) {
                return client->received.startsWith(QByteArray("HTTP/1.1 ") + status);
            });
        };
        QTRY_COMPARE(answered("200") + answered("503"), 50);
        QVERIFY(answered("503") > 0);
        crowd.clear();

        s.type(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QTRY_COMPARE(s.get("/health").status, 200);
    }

    // The request limit counts from the last answer, so a page kept open for hours
    // is served; a connection gone silent is closed, so silent ones cannot use up the server.
    void longConnectionsServedSilentOnesClosed()
    {
        StationMonitor monitor(Now);
        const StationSettings settings;
        StatusServer server(monitor, settings,
                            {.connections = 2, .requestBytes = 2048, .idleMs = 300});
        QVERIFY(server.listen({QHostAddress::LocalHost, 0}, nullptr));
        RawClient client(server.port());
        RawClient silent(server.port());
        for (int answers = 1; answers <= 5; ++answers) {
            client.socket.write(
                "GET /health HTTP/1.1\r\nHost: x\r\nX-Pad: " + QByteArray(1000, 'p') + "\r\n\r\n");
            QTRY_COMPARE(client.received.count("HTTP/1.1 200 "), answers);
        }
        QTRY_VERIFY_WITH_TIMEOUT(silent.closedByServer() && client.closedByServer(), 3000);
    }
};

QTEST_MAIN(TestHttp)
#include "test_http.moc"
