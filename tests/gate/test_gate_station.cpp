// The running station without a window: keys to decisions, the relay and its
// hold, lockouts, devices at start-up, and a restart after a crash.
#include "common/clock.h"
#include "support/gate_site.h"
#include "support/other_program.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

namespace {

const QDateTime Now(QDate(2026, 3, 10), QTime(12, 0));
const QString NoDevice = QStringLiteral("/dev/no-such-device");
using Change = std::function<void(GateSite &)>;

// Unit 1234 granted, unit 3333 with a zone that cannot be read, master 9999 granted.
void addCodes(const StartFolder &folder)
{
    folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, fldGateTimeZone) "
                            "VALUES ('1234', 'Rented', 0), ('3333', 'Rented', NULL);"
                            "INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, fldTimeZone) "
                            "VALUES (5, '9999', 0)");
}

struct Station {
    GateSite site;
    std::unique_ptr<GateStation> s;

    explicit Station(const QByteArray &stationIni = {}, int holdSeconds = 1)
    {
        addCodes(site.folder);
        if (!stationIni.isEmpty())
            site.folder.write("station.ini", stationIni);
        site.settings.RelayCloseSeconds = quint8(holdSeconds);
        s = site.start();
        site.relay.readNow();
    }

    void press(int keypad, const QByteArray &keys) { ::press(*s, keypad, keys); }
    // The lockouts as the status page and the metrics have them.
    QStringList lockoutsShown() const
    {
        QStringList shown;
        for (const auto &lockout : s->monitor().status().lockouts)
            shown << QStringLiteral("%1 until %2")
                         .arg(lockout.keypad)
                         .arg(lockout.until.toString("HH:mm:ss"));
        return shown;
    }
};

// Relay board, keypad 1, keypad 2.
QList<bool> portsOpen(GateStation &s)
{
    const GateDevices &d = s.devices();
    return {d.relayPortOpen(), d.keypad(0).isOpen(), d.keypad(1).isOpen()};
}

} // namespace

class TestGateStation : public QObject {
    Q_OBJECT

private slots:
    void init() { Clock::pin(Now); }
    void cleanup() { Clock::unpin(); }

    // Noise is reported and skipped; keys read together, after a clear key, are all taken.
    void noiseOnAKeypadLine()
    {
        Station s;
        s.press(0, QByteArray("\x1A\x00\xFF\x1Aqz\r\nAB", 10));
        QCOMPARE(s.s->entryText(0), QStringLiteral("Keypad 1: \u2022\u2022"));
        QVERIFY2(s.s->statusText().contains("End of file found"), qPrintable(s.s->statusText()));
        s.press(0, "MABCEKKKK");
        QCOMPARE(s.site.logRows(), (QStringList{"1234/In", "9999/In"}));
    }

    // Each keypad keeps its own digits, even interleaved, and logs its own location.
    void eachKeypadHasItsOwnEntry()
    {
        Station s;
        QSignalSpy decided(s.s.get(), &GateStation::decided);
        for (const char *keys : {"A", "K", "B", "K", "C", "K", "E", "K"})
            s.press(keys[0] == 'K' ? 1 : 0, keys);
        QCOMPARE(s.site.logRows(), (QStringList{"1234/In", "9999/Out"}));
        QCOMPARE(decided.size(), 2);
        QCOMPARE(decided.first().first().toInt(), 0);
        QCOMPARE(s.s->entryText(1), QStringLiteral("Keypad 2: "));
        QCOMPARE(s.site.relay.readNow(), RelayOn + RelayOn);
    }

    // A customer who walks away mid-code does not prefix the next one's code.
    void abandonedEntryIsForgotten()
    {
        Station s("[keypad]\nEntryIdleSeconds=1\n");
        s.press(0, "AB");
        QTRY_COMPARE_WITH_TIMEOUT(s.s->entryText(0), QStringLiteral("Keypad 1: "), 3000);
        s.press(0, "ABCE");
        QCOMPARE(s.site.logRows(), QStringList{"1234/In"});
    }

    // A code whose row makes no sense opens nothing but has its row, and is
    // no guess: it counts to no lockout. The next decision clears its status.
    void unreadableRowIsRefusedUnchecked()
    {
        Station s("[keypad]\nLockoutAfter=1\n");
        s.press(0, "CCCC");
        QVERIFY2(s.s->statusText().startsWith("Code 3333 not checked (time zone"),
                 qPrintable(s.s->statusText()));
        QCOMPARE(s.site.folder.value("Gate.gsd", "select fldReult from tblGateLog"),
                 QVariant("Not Checked"));
        QCOMPARE(s.site.relay.readNow(), QByteArray());
        s.press(0, "ABCE");
        QCOMPARE(s.site.logRows(), (QStringList{"3333/In", "1234/In"}));
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QVERIFY2(s.s->statusText().contains("Keypad 1: code 1234 Valid"),
                 qPrintable(s.s->statusText()));
    }

    // A customer database that cannot be read (moved away, as a restore by
    // hand does): its code waits while the other keypad goes on, and is
    // decided once the file is back, or refused unchecked, with a row, once it
    // waited 3 s; never both, never none.
    void unreadableCustomerDatabase_data()
    {
        QTest::addColumn<int>("lockMs");
        QTest::addColumn<QString>("rows");
        QTest::newRow("1 s") << 1000 << "1234 Valid In;9999 Valid Out";
        QTest::newRow("5 s") << 5000 << "1234 Not Checked In;9999 Not Checked Out";
    }

    void unreadableCustomerDatabase()
    {
        QFETCH(int, lockMs);
        QFETCH(QString, rows);
        Station s;
        const QString data = s.site.folder.file("Data.gsd");
        QVERIFY(QFile::rename(data, data + ".away"));
        bool back = false;
        QTimer::singleShot(lockMs, [&] { back = QFile::rename(data + ".away", data); });
        s.press(0, "ABCE");
        s.press(1, "KK");
        QCOMPARE(s.s->entryText(1), QStringLiteral("Keypad 2: \u2022\u2022"));
        s.press(1, "KK");
        s.press(0, "N");
        QCOMPARE(s.site.relay.readNow(), QByteArray());
        // Each keypad's own row; which waited out its 3 s first is not the point.
        const QString logged = "select group_concat(fldCode || ' ' || fldReult || ' ' || fldZone, "
                               "';') from (select * from tblGateLog order by fldZone)";
        QTRY_COMPARE_WITH_TIMEOUT(s.site.folder.value("Gate.gsd", logged).toString(), rows, 8000);
        QCOMPARE(s.site.relay.readNow(), lockMs < 3000 ? RelayOn + RelayOn : QByteArray());
        QCOMPARE(s.s->entryText(0), QStringLiteral("Keypad 1: \u2022")); // held, then typed
        QTRY_VERIFY(back);
    }

    // A gate database replaced under the station is taken up by every
    // connection within seconds, rows going into the new file, none of the
    // old one's (another program reading the old file meanwhile); a removed one
    // is never made anew, its rows wait in the spool until it is back.
    void gateDatabaseReplacedOrRemoved()
    {
        Station s;
        QSignalSpy opened(s.s.get(), &GateStation::gateDatabaseOpened);
        QProcess reader; // its snapshot keeps the next row out of the old file
        reader.start("sqlite3", {s.site.folder.file("Gate.gsd")});
        reader.write("BEGIN; SELECT 'reading ' || count(*) FROM tblGateLog;\n");
        QByteArray said;
        QTRY_VERIFY((said += reader.readAllStandardOutput()).contains("reading 0"));
        s.press(0, "ABCE");
        s.site.folder.createDatabase("Gate.new", {"gate.sql"});
        QVERIFY(::rename(qPrintable(s.site.folder.file("Gate.new")),
                         qPrintable(s.site.folder.file("Gate.gsd"))) == 0);
        QVERIFY(opened.wait(3000));
        // The reader kept row 1234 out of the old file: its write-ahead log is kept aside.
        QCOMPARE(QDir(s.site.folder.path()).entryList({"Gate.gsd-wal.replaced-*"}).size(), 1);
        s.press(1, "KKKK");
        QCOMPARE(s.site.logRows(), QStringList{"9999/Out"});
        s.site.relay.readNow();
        reader.kill();
        reader.waitForFinished();

        const QString away = s.site.folder.file("Gate.away");
        QSignalSpy changing(s.s.get(), &GateStation::gateDatabaseChanging);
        QVERIFY(QFile::rename(s.site.folder.file("Gate.gsd"), away));
        QTRY_VERIFY(!s.s->data().AdoGateLog.isConnected());
        s.press(0, "ABCE");
        QTRY_COMPARE_WITH_TIMEOUT(s.s->logWriter().spooledRows(), 1, 5000);
        QCOMPARE(changing.count(), 1); // not again with each retry of the waiting code
        QVERIFY(!QFile::exists(s.site.folder.file("Gate.gsd")));
        QVERIFY(!s.site.relay.readNow().contains(RelayOn)); // nothing opened without its zones
        QVERIFY(QFile::rename(away, s.site.folder.file("Gate.gsd")));
        QVERIFY(opened.wait(3000));
        QCOMPARE(s.site.folder.value("Gate.gsd", "select group_concat(fldCode || ' ' || fldReult) "
                                                 "from tblGateLog"),
                 QVariant("9999 Valid,1234 Not Checked"));
        QCOMPARE(s.s->logWriter().spooledRows(), 0);
    }

    // Database paths saved meanwhile take effect at the next start: the rows
    // go on into the file the station opened.
    void databasePathsWaitForTheNextStart()
    {
        Station s;
        s.site.folder.createDatabase("Other.gsd", {"gate.sql"});
        StationSettings next = s.s->settings();
        next.GateDbPath = s.site.folder.file("Other.gsd");
        QVERIFY(!s.s->applySettings(next).isEmpty());
        s.s->followGateFile();
        s.press(0, "ABCE");
        QCOMPARE(s.site.logRows(), QStringList{"1234/In"});
    }

    // A second grant holds the gate a full hold time from itself.
    void holdRestartsWithEachGrant()
    {
        Station s;
        s.press(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QVERIFY(!QTest::qWaitFor([&] { return !s.site.relay.readNow().isEmpty(); }, 500));
        QElapsedTimer sinceSecondGrant;
        sinceSecondGrant.start();
        s.press(1, "KKKK");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QTRY_COMPARE(s.site.relay.received(), RelayOff);
        QVERIFY(sinceSecondGrant.elapsed() >= 950);
        QVERIFY(!s.s->devices().relayPauseActive());
    }

    // A hold time of 0 keeps the gate open until the relay is switched off by
    // hand, from the moment it is saved, even for a hold already running.
    void holdTimeZeroNeverReleases()
    {
        Station s;
        s.press(0, "ABCE");
        QVERIFY(s.s->devices().relayPauseActive());
        StationSettings next = s.s->settings();
        next.RelayCloseSeconds = 0;
        QCOMPARE(s.s->applySettings(next), QStringList());
        QVERIFY(!s.s->devices().relayPauseActive());
        s.press(0, "ABCE");
        QVERIFY(!s.s->devices().relayPauseActive());
        QCOMPARE(s.site.relay.readNow(), RelayOn + RelayOn);
        QVERIFY(s.s->relayOffByHand());
        QCOMPARE(s.site.relay.readNow(), RelayOff);
    }

    // Exit releases the relay once; the hold then ends silently and no key decides.
    void exitReleasesThenKeepsQuiet()
    {
        Station s;
        s.press(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        s.s->exitRelease();
        QCOMPARE(s.site.relay.readNow(), RelayOff);
        QSignalSpy tick(&s.s->devices(), &GateDevices::relayPauseElapsed);
        QVERIFY(tick.wait(3000));
        s.press(1, "KKKK");
        QCOMPARE(s.site.relay.readNow(), QByteArray());
        QCOMPARE(s.site.logRows(), QStringList{"1234/In"});
    }

    // A device failing at start-up stops nothing; the others still open.
    void portsThatFailAtStartUp_data()
    {
        // clang-format off
        QTest::addColumn<Change>("change");
        QTest::addColumn<QList<bool>>("open");
        QTest::addColumn<QString>("named");
        QTest::newRow("relay missing") << Change([](GateSite &s) { s.mapPorts(s.keypad1.devicePath(), NoDevice, s.keypad2.devicePath()); }) << QList<bool>{false, true, true} << NoDevice;
        QTest::newRow("keypad 1 missing, keypad 2 there") << Change([](GateSite &s) { s.mapPorts(NoDevice, s.relay.devicePath(), s.keypad2.devicePath()); }) << QList<bool>{true, false, true} << NoDevice;
        QTest::newRow("keypad 2 settings unusable") << Change([](GateSite &s) { s.settings.Keypad2Parity = 'X'; }) << QList<bool>{true, true, true} << QString();
        QTest::newRow("both keypads disabled") << Change([](GateSite &s) { s.settings.Keypad1CommPort = 35; s.settings.Keypad2CommPort = 0; }) << QList<bool>{true, false, false} << QString();
        // clang-format on
    }

    void portsThatFailAtStartUp()
    {
        QFETCH(Change, change);
        QFETCH(QList<bool>, open);
        QFETCH(QString, named);
        GateSite site;
        change(site);
        auto s = site.start();
        QVERIFY2(s->statusText().startsWith("Connected"), qPrintable(s->statusText()));
        QCOMPARE(portsOpen(*s), open);
        QVERIFY(s->devices().stateText().contains(named));
    }

    // Grants without the relay adapter are logged; the missed release is sent later.
    void relayUnpluggedDuringGrants()
    {
        GateSite site;
        addCodes(site.folder);
        const QString adapter = site.folder.file("relay-adapter");
        site.mapPorts(site.keypad1.devicePath(), adapter, site.keypad2.devicePath());
        auto s = site.start();
        press(*s, 0, "ABCE");
        press(*s, 1, "KKKK");
        QCOMPARE(site.logRows(), (QStringList{"1234/In", "9999/Out"}));
        QVERIFY2(s->statusText().contains("the gate did not open"), qPrintable(s->statusText()));
        QCOMPARE(s->relayStatus()->outcome, RelayBoard::StatusReply::PortClosed);

        QVERIFY(QFile::link(site.relay.devicePath(), adapter));
        QTRY_COMPARE_WITH_TIMEOUT(site.relay.received().right(2), RelayOff, 8000);
    }

    void restartAfterACrashWithTheRelayOn()
    {
        GateSite site;
        site.folder.write("relay-on.flag", "on");
        auto s = site.start();
        QCOMPARE(site.relay.readNow(), RelayOff);
        QCOMPARE(
            site.folder.value("Gate.gsd", "select fldReult || '/' || fldCustomer from tblGateLog"),
            QVariant("Restarted/Gate possibly open"));
        QVERIFY(!QFile::exists(site.folder.file("relay-on.flag")));
    }

    // Guessing: refused codes lock only their keypad, with one row; keys there
    // are dropped until the lockout ends, whatever the wall clock does, or the
    // operator lifts it.
    void refusalsLockOnlyTheirKeypad()
    {
        Station s("[keypad]\nLockoutAfter=3\nLockoutSeconds=60\n");
        Clock::pinMonotonic(1000000);
        s.press(1, "NNNNNNNN"); // two refusals, counted apart
        for (int i = 0; i < 3; ++i)
            s.press(0, "NNNN");
        QCOMPARE(s.s->entryText(0), "Keypad 1: locked until 12:01:00");
        QCOMPARE(s.s->lockedKeypads(), QList<int>{1});
        QCOMPARE(s.lockoutsShown(), QStringList{"1 until 12:01:00"});
        QVERIFY2(
            s.s->statusText().startsWith("Keypad 1 locked until 12:01:00 after 3 refused codes"),
            qPrintable(s.s->statusText()));
        s.press(0, "ABCE");
        s.press(1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        const QString rows = "select group_concat(fldCode || ' ' || fldReult || ' ' || fldZone, "
                             "';') from tblGateLog";
        QCOMPARE(s.site.folder.value("Gate.gsd", rows),
                 QVariant("0000 Invalid Out;0000 Invalid Out;0000 Invalid In;0000 Invalid In;"
                          "0000 Invalid In;"
                          "------ Pad Locked In;1234 Valid Out"));

        Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(11, 0))); // set back an hour
        Clock::pinMonotonic(1000000 + 60000);
        s.press(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);

        s.press(0, "NNNNNNNN");
        QCOMPARE(s.s->entryText(0), "Keypad 1: "); // the grant was no refusal
        s.press(0, "NNNN");
        s.s->liftLockouts();
        QCOMPARE(s.s->lockedKeypads(), QList<int>());
        QCOMPARE(s.lockoutsShown(), QStringList());
        s.press(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
    }

    // The gate database locked, refusing writes (a trigger stands in for a
    // read-only file: modes do not stop root), renamed away and back, then,
    // with a row waiting in the spool, filled with junk, cut short and deleted,
    // each while a code is typed. The station keeps deciding what it can: the
    // gate opens and the row is logged or spooled, or, with no zone table to
    // read, nothing is decided and the gate stays shut. Spooled rows land in
    // the log once: while it runs, or at the next start on a good copy.
    void databaseFaultsWhileCodesAreTyped()
    {
        Station s("[keypad]\nLockoutAfter=0\n", 0);
        const QString gateDb = s.site.folder.file("Gate.gsd");
        QList<GateAttempt::Outcome> outcomes;
        connect(s.s.get(), &GateStation::decided, this,
                [&](int, const GateAttempt::Outcome &outcome) { outcomes << outcome; });
        // A code whose data cannot be read waits, then is refused unchecked.
        auto typed = [&](bool mustOpen) {
            s.press(0, "ABCE");
            if (!QTest::qWaitFor([&] { return !outcomes.isEmpty(); }, 5000))
                return false;
            const auto outcome = outcomes.takeFirst();
            const bool opened = outcome.status == GateAttempt::Outcome::Logged && outcome.opened;
            const bool shut = outcome.status == GateAttempt::Outcome::Logged && !outcome.opened &&
                              !outcome.notChecked.isEmpty();
            return outcomes.isEmpty() && (opened || (shut && !mustOpen)) &&
                   s.site.relay.readNow() == (opened ? RelayOn : QByteArray());
        };
        auto drained = [&] {
            return QTest::qWaitFor([&] { return s.s->logWriter().spooledRows() == 0; }, 10000);
        };

        {
            const OtherProgram other(gateDb, {"BEGIN IMMEDIATE"});
            QVERIFY(other.ok() && typed(true));
        }
        QVERIFY(drained());
        s.site.folder.execStatement("Gate.gsd",
                                    "CREATE TRIGGER refuse BEFORE INSERT ON "
                                    "tblGateLog BEGIN SELECT RAISE(ABORT, 'read-only'); END");
        QVERIFY(typed(true));
        s.site.folder.exec("Gate.gsd", "DROP TRIGGER refuse");
        QVERIFY(drained());
        QVERIFY(QFile::rename(gateDb, gateDb + ".away"));
        QVERIFY(typed(false));
        QVERIFY(QFile::rename(gateDb + ".away", gateDb));
        QVERIFY(typed(true));
        QVERIFY(drained());
        const QStringList saved = s.site.logRows();
        QCOMPARE(s.site.folder.value("Gate.gsd", "select group_concat(fldReult) from tblGateLog"),
                 QVariant("Valid,Valid,Not Checked,Valid"));

        s.site.folder.exec("Gate.gsd", QStringLiteral("VACUUM INTO '%1.good'").arg(gateDb));
        {
            const OtherProgram other(gateDb, {"BEGIN IMMEDIATE"});
            QVERIFY(other.ok() && typed(true));
            QFile junk(gateDb);
            QVERIFY(junk.open(QIODevice::ReadWrite));
            QVERIFY(junk.write(QByteArray(junk.size(), '\xA5')) == junk.size());
            junk.close();
            QVERIFY(typed(false));
            QVERIFY(QFile::resize(gateDb, QFileInfo(gateDb).size() / 2));
            QVERIFY(typed(false));
            QVERIFY(QFile::remove(gateDb));
            QVERIFY(typed(false));
        }
        const int waiting = s.s->logWriter().spooledRows();
        QVERIFY(waiting >= 1);

        s.s->stop("test");
        s.s.reset();
        for (const char *left : {"-wal", "-shm"})
            QFile::remove(gateDb + left);
        QVERIFY(QFile::rename(gateDb + ".good", gateDb));
        s.s = s.site.start();
        QCOMPARE(s.site.logRows(), saved + QStringList(waiting, "1234/In"));
        s.site.relay.readNow();
        s.press(0, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
    }
};

QTEST_GUILESS_MAIN(TestGateStation)
#include "test_gate_station.moc"
