#include "common/clock.h"
#include "logview/log_list_model.h"
#include "support/gate_site.h"
#include "support/window_probe.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

namespace {

const QDateTime Now(QDate(2024, 5, 15), QTime(10, 30));

int connections(const GateWindow &w)
{
    const StationData &d = w.data();
    return d.AdoCustomerCodes.isConnected() + d.AdoMaster.isConnected() +
           d.AdoGateLog.isConnected() + d.AdoTimeZones.isConnected();
}

QByteArray settingsFile(const WindowProbe &p)
{
    QFile file(p.folder.file("gatesystem.dat"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QColor LightYellow(255, 255, 128);
const QString NoDevice = QStringLiteral("/dev/no-such-device");
using Change = std::function<void(GateSite &)>;

void click(GateWindow &w, const char *name)
{
    w.findChild<QPushButton *>(name)->click();
}

QColor colour(GateWindow &w, const char *name)
{
    return w.findChild<QPushButton *>(name)->palette().color(QPalette::Button);
}

// Relay board, keypad 1, keypad 2.
QList<bool> portsOpen(GateWindow &w)
{
    const GateDevices &d = w.devices();
    return {d.relayPortOpen(), d.keypad(0).isOpen(), d.keypad(1).isOpen()};
}

} // namespace

class TestGateWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Clock::pin(Now); }
    void cleanup() { Clock::unpin(); }

    // An unattended station must not wait for a click: the status line tells instead.
    void withoutSettingsFileStartsSilentlyUnconnected()
    {
        WindowProbe p([](StartFolder &f) { QFile::remove(f.file("gatesystem.dat")); });
        QCOMPARE(p.startMessages, QStringList());
        QCOMPARE(connections(*p.w), 0);
        QVERIFY2(p.w->statusText().contains("gatesystem.dat"), qPrintable(p.w->statusText()));
    }

    void openBrowseAndClose()
    {
        WindowProbe p;
        p.find<QAction>("mnuSettings")->trigger();
        QCOMPARE(p.find<QDateTimeEdit>("DTPicker1(4)")->dateTime(),
                 Now.addDays(-30)); // the standard days to keep
        Prompts::queueAnswer("/srv/gate/Other.gsd");
        p.click("cmdGetPath(0)");
        p.click("cmdGetPath(0)"); // cancelled: the path stays
        p.find<QLineEdit>("txtRelay(1)")->setText("32");
        p.click("cmdSettingClose");
        QCOMPARE(p.w->settings().GateDbPath, QStringLiteral("/srv/gate/Other.gsd"));
        QCOMPARE(p.w->settings().RelayCloseSeconds, quint8(32));
        QCOMPARE(p.w->devices().relayPauseInterval(), 32000);
        QCOMPARE(p.w->statusText(), "Settings saved; these take effect at the next start of the "
                                    "station: Gate.gsd for GateLog");
    }

    void refusedCloseChangesNothingAndTheStatusSaysWhy_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        // clang-format off
        QTest::newRow("unusable box") << "txtRelay(1)" << "33" << "Relay Settings Close Time Seconds \"33\": 33 seconds is more than 32; allowed: a whole number from 0 to 32";
        QTest::newRow("file cannot be replaced") << "txtScanner(7)" << "6" << "cannot write";
        // clang-format on
    }

    void refusedCloseChangesNothingAndTheStatusSaysWhy()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, why);
        WindowProbe p;
        if (why == "cannot write") {
            QVERIFY(QFile::remove(p.folder.file("gatesystem.dat")));
            QVERIFY(QDir(p.folder.path()).mkdir("gatesystem.dat"));
        }
        const QByteArray before = settingsFile(p);
        const StationSettings record = p.w->settings();
        p.find<QAction>("mnuSettings")->trigger();
        // Taken before the invalid box, if it were taken at all.
        p.find<QLineEdit>("txtScanner(7)")->setText("6");
        p.find<QLineEdit>(box)->setText(text);
        p.click("cmdSettingClose");
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Settings Invaild Field"});
        QCOMPARE(settingsFile(p), before);
        QCOMPARE(p.w->settings(), record);
        QVERIFY2(p.w->statusText().contains(why), qPrintable(p.w->statusText()));
        // The screen stays open with the edits, the bad box marked; Cancel drops them.
        QVERIFY(!p.find<QWidget>("fraSettings")->isHidden());
        QCOMPARE(p.find<QLineEdit>("txtScanner(7)")->text(), "6");
        QCOMPARE(p.find<QLineEdit>(box)->property("invalid").toBool(), why != "cannot write");
        p.click("cmdSettingCancel");
        QVERIFY(p.find<QWidget>("fraSettings")->isHidden());
        p.find<QAction>("mnuSettings")->trigger();
        QCOMPARE(p.find<QLineEdit>("txtScanner(7)")->text(), "4");
        QVERIFY(!p.find<QLineEdit>(box)->property("invalid").toBool());
    }

    void startUpOpensEveryPortThenTheButtonsDriveTheRelay()
    {
        GateSite site;
        site.relay.setStatusReply(QByteArray(1, char(0xFF)));
        auto w = site.start();
        QCOMPARE(portsOpen(*w), QList<bool>({true, true, true}));
        QCOMPARE(site.relay.readNow(), RelayOff);
        QCOMPARE(colour(*w, "cmdRelayOff"), LightYellow);
        QVERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains(site.relay.devicePath()));

        click(*w, "cmdRelayOn");
        QCOMPARE(site.relay.readNow(), RelayOn);
        QCOMPARE(colour(*w, "cmdRelayOn"), LightYellow);
        QCOMPARE_NE(colour(*w, "cmdRelayOff"), LightYellow);
        click(*w, "cmdRelayOff");
        QCOMPARE(site.relay.readNow(), RelayOff);
        click(*w, "cmdRelayStatus");
        QCOMPARE(w->findChild<QLabel *>("Label1")->text(), QStringLiteral("255"));

        site.keypad1.closeMaster();
        QTRY_COMPARE(portsOpen(*w), QList<bool>({true, false, true}));
        QTRY_VERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains("failed"));
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    // Opening or holding the gate by hand leaves a row each (not the exit's own
    // release), listed under "ALL"; station.ini can turn the relay rows off.
    void manualActionsAreLogged_data()
    {
        QTest::addColumn<QByteArray>("ini");
        QTest::addColumn<QStringList>("rows");
        // clang-format off
        QTest::newRow("default") << QByteArray() << QStringList{"Manual Open/Desk", "Manual Close/Desk", "Valid/Desk"};
        QTest::newRow("ManualRows=false") << QByteArray("[audit]\nManualRows=false\n") << QStringList{"Valid/Desk"};
        // clang-format on
    }

    void manualActionsAreLogged()
    {
        QFETCH(QByteArray, ini);
        QFETCH(QStringList, rows);
        GateSite site;
        site.folder.write("station.ini", ini);
        site.folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                     "fldGateTimeZone) VALUES ('4444', 'Rented', 0)");
        auto w = site.start();
        click(*w, "cmdRelayOn");
        click(*w, "cmdRelayOff");
        w->findChild<QLineEdit *>("txtCheckCode")->setText("4444");
        click(*w, "cmdCheckCode");
        QCOMPARE(w->logLines().rowCount(), rows.size());
        w->mnuExit_Click();
        QCOMPARE(site.folder.column("Gate.gsd", "select fldReult || '/' || fldZone from tblGateLog "
                                                "order by fldID"),
                 rows);
    }

    // A device failing at start-up shows no box (nobody may be there); the others still open.
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
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QCOMPARE(portsOpen(*w), open);
        QVERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains(named));
    }

    // A second grant holds the gate a full hold time from itself (timers never fire early).
    void pauseReleasesRestartsWhenArmedAgainAndKeepsQuietAfterExit()
    {
        GateSite site;
        site.settings.RelayCloseSeconds = 1;
        auto w = site.start();
        w->show();
        site.relay.readNow();
        click(*w, "cmdRelayOn");
        w->devices().armRelayPause();
        QTest::qWait(600);
        QElapsedTimer sinceSecondGrant;
        sinceSecondGrant.start();
        w->devices().armRelayPause();
        QCOMPARE(site.relay.readNow(), RelayOn);
        QTRY_COMPARE(site.relay.received(), RelayOff);
        QVERIFY(sinceSecondGrant.elapsed() >= 950);
        QVERIFY(!w->devices().relayPauseActive());

        click(*w, "cmdRelayOn");
        w->devices().armRelayPause();
        site.relay.readNow();
        w->findChild<QAction *>("mnuExit")->trigger();
        QCOMPARE(site.relay.readNow(), RelayOff);
        QSignalSpy tick(&w->devices(), &GateDevices::relayPauseElapsed);
        QVERIFY(tick.wait(3000));
        QCOMPARE(site.relay.readNow(), QByteArray());
        QVERIFY(!w->isVisible());
        QCOMPARE(Prompts::takeMessages(), QStringList());

        w->devices().armRelayPause();
        QVERIFY(w->devices().setRelayPause(0)); // 0 never releases, not even a running pause
        QVERIFY(!w->devices().relayPauseActive());
        w->devices().armRelayPause();
        QVERIFY(!w->devices().relayPauseActive());
    }
};

QTEST_MAIN(TestGateWindow)
#include "test_gate_window.moc"
