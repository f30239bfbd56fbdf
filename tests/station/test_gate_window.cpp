// The window over the station: start-up without a word, the settings screen,
// the relay buttons, the operator's code box and lockout question, exit.
#include "common/clock.h"
#include "support/gate_site.h"
#include "support/window_probe.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollBar>
#include <QTest>
#include <cstdio>

namespace {

const QDateTime Now(QDate(2024, 5, 15), QTime(10, 30));
const QColor LightYellow(255, 255, 128);

QByteArray settingsFile(const WindowProbe &p)
{
    QFile file(p.folder.file("gatesystem.dat"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The label's whole text is there to read: wrapped within its height, on one
// line that fits, or cut with the whole as its tooltip.
bool wholeTextShown(const QLabel &label)
{
    if (label.wordWrap())
        return label.height() >= label.heightForWidth(label.width());
    return label.fontMetrics().horizontalAdvance(label.text()) <= label.contentsRect().width() ||
           label.toolTip() == label.text();
}

// A window over a station on pseudo-terminals, made before the station starts.
struct SiteWindow {
    GateSite site;
    std::unique_ptr<GateStation> station;
    std::unique_ptr<GateWindow> w;

    explicit SiteWindow(const QByteArray &stationIni = {})
    {
        site.folder.write("station.ini", stationIni);
        site.folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                     "fldGateTimeZone) VALUES ('4444', 'Rented', 0)");
        station = site.make();
        w = std::make_unique<GateWindow>(*station);
        station->start();
        site.relay.readNow();
    }

    template <class T> T *find(const char *name) const { return w->findChild<T *>(name); }
    // The list follows the gate once the station's thread is free: served here.
    void click(const char *name) const
    {
        find<QPushButton>(name)->click();
        QCoreApplication::processEvents();
    }
    QColor colour(const char *name) const
    {
        return find<QPushButton>(name)->palette().color(QPalette::Button);
    }
    void check(const QString &code) const
    {
        find<QLineEdit>("txtCheckCode")->setText(code);
        click("cmdCheckCode");
    }
};

} // namespace

class TestGateWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Clock::pin(Now); }
    void cleanup() { Clock::unpin(); }

    // `GateWindow w;` is a whole station from the current folder. An unattended
    // station must not wait for a click: the status line tells instead.
    void withoutSettingsFileStartsSilentlyUnconnected()
    {
        StartFolder folder;
        folder.makeStandard();
        QFile::remove(folder.file("gatesystem.dat"));
        folder.write("station.ini", "[http]\nListen=\n");
        folder.enter();
        GateWindow w;
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QCOMPARE(w.station().data().AdoGateLog.isConnected(), false);
        QCOMPARE(w.station().settings().StartFolder, QDir::currentPath());
        QVERIFY2(w.statusText().contains("gatesystem.dat"), qPrintable(w.statusText()));
        QCOMPARE(w.findChild<QListWidget *>("lstFilter")->currentItem()->text(), "ALL");
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
        QCOMPARE(p.station->settings().GateDbPath, QStringLiteral("/srv/gate/Other.gsd"));
        QCOMPARE(p.station->settings().RelayCloseSeconds, quint8(32));
        QCOMPARE(p.w->statusText(), "Settings saved; these take effect at the next start of the "
                                    "station: Gate.gsd for GateLog");
        QVERIFY(p.find<QWidget>("fraSettings")->isHidden());
    }

    void refusedCloseChangesNothingAndTheStatusSaysWhy_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why");
        QTest::newRow("unusable box") << "txtRelay(1)"
                                      << "33"
                                      << "Relay Settings Close Time Seconds \"33\"";
        QTest::newRow("file cannot be replaced") << "txtScanner(7)"
                                                 << "6"
                                                 << "cannot write";
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
        const StationSettings record = p.station->settings();
        p.find<QAction>("mnuSettings")->trigger();
        // Taken before the invalid box, if it were taken at all.
        p.find<QLineEdit>("txtScanner(7)")->setText("6");
        p.find<QLineEdit>(box)->setText(text);
        p.click("cmdSettingClose");
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Settings Invaild Field"});
        QCOMPARE(settingsFile(p), before);
        QCOMPARE(p.station->settings(), record);
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

    // The buttons drive the relay, the last command's in yellow; the status
    // query's answer shows on the settings screen.
    void relayButtons()
    {
        SiteWindow s;
        s.site.relay.setStatusReply(QByteArray(1, char(0xFF)));
        QCOMPARE(s.colour("cmdRelayOff"), LightYellow);
        QVERIFY(s.find<QLabel>("deviceStatus")->text().contains(s.site.relay.devicePath()));
        s.click("cmdRelayOn");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QCOMPARE(s.colour("cmdRelayOn"), LightYellow);
        QCOMPARE_NE(s.colour("cmdRelayOff"), LightYellow);
        s.click("cmdRelayOff");
        QCOMPARE(s.site.relay.readNow(), RelayOff);
        s.click("cmdRelayStatus");
        QCOMPARE(s.find<QLabel>("Label1")->text(), QStringLiteral("255"));
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
        SiteWindow s(ini);
        s.click("cmdRelayOn");
        // Listed at once, as the list follows the gate.
        QCOMPARE(s.w->findChild<QListView *>("lstLog")->model()->rowCount(),
                 int(rows.contains("Manual Open/Desk")));
        s.click("cmdRelayOff");
        s.check("4444");
        QCOMPARE(s.w->findChild<QListView *>("lstLog")->model()->rowCount(), rows.size());
        s.w->mnuExit_Click();
        QVERIFY(!s.w->isVisible());
        QCOMPARE(s.site.folder.column("Gate.gsd", "select fldReult || '/' || fldZone from "
                                                  "tblGateLog order by fldID"),
                 rows);
    }

    // The operator's box is decided at the desk, apart from the keypads'
    // entries; a code that got its row, even one refused unchecked, leaves the
    // box, and a text that is no code stays.
    void checkCode()
    {
        SiteWindow s;
        s.site.folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                       "fldGateTimeZone) VALUES ('3333', 'Rented', NULL)");
        auto *entry = s.find<QLineEdit>("txtCheckCode");
        s.check("5555");
        QCOMPARE(s.site.logRows(), QStringList{"5555/Desk"});
        QCOMPARE(s.w->findChild<QListView *>("lstLog")->model()->rowCount(), 1);
        QCOMPARE(entry->text(), QString());

        entry->setText("56");
        press(*s.station, 0, "EEEE");
        QCOMPARE(entry->text(), QStringLiteral("56"));
        s.check("12a");
        QCOMPARE(entry->text(), QStringLiteral("12a"));
        s.check("3333");
        QVERIFY2(s.w->statusText().startsWith("Code 3333 not checked"),
                 qPrintable(s.w->statusText()));
        QCOMPARE(entry->text(), QString());
        QVERIFY(s.find<QPushButton>("cmdCheckCode")->isEnabled());
        QCOMPARE(s.site.logRows(), (QStringList{"5555/Desk", "4444/In", "3333/Desk"}));
    }

    // The status line says each decision, the operator's as a keypad's: when,
    // who typed, the code, the result word and whom its row names.
    void decisionOnTheStatusLine_data()
    {
        QTest::addColumn<int>("keypad"); // -1: Check Code
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("Check Code, no one") << -1 << "5555"
                                            << "10:30:00 Check Code: code 5555 Invalid";
        QTest::newRow("keypad 2, a unit without names")
            << 1 << "4444"
            << "10:30:00 Keypad 2: code 4444 Valid (unit B7)";
    }

    void decisionOnTheStatusLine()
    {
        QFETCH(int, keypad);
        QFETCH(QString, code);
        QFETCH(QString, said);
        SiteWindow s;
        s.site.folder.exec("Data.gsd", "UPDATE tblUnitInfo SET fldUnitName = 'B7' "
                                       "WHERE fldGateCode = '4444'");
        if (keypad < 0) {
            s.check(code);
        } else {
            QByteArray keys;
            for (QChar digit : code)
                keys += "NABCEFGIJK"[digit.digitValue()];
            press(*s.station, keypad, keys);
        }
        QVERIFY2(s.w->statusText().startsWith(said + ". Connected: "),
                 qPrintable(s.w->statusText()));
    }

    // At the window's size every line of the left column and of the status
    // bar shows its whole text; with both keypads locked and the fleet line
    // shown as well, the filter list shows every entry, unscrolled.
    void wholeTextsAtTheWindowSize()
    {
        SiteWindow s(
            "[keypad]\nLockoutAfter=1\n[fleet]\nUrl=postgresql://gate@127.0.0.1:9/fleet\n");
        s.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.w.get()));
        press(*s.station, 0, "NNNN"); // both keypads locked out
        press(*s.station, 1, "NNNN");
        s.check("4444"); // the decision and what the station is connected to
        const auto *status = s.find<QLabel>("stationStatus");
        QVERIFY(status->fontMetrics().horizontalAdvance(status->text()) > s.w->width());
        QVERIFY(s.find<QLabel>("lblKeypadEntry(1)")->text().startsWith("Keypad 2: locked until"));
        QVERIFY(!s.find<QLabel>("fleetStatus")->isHidden());
        // Laid out again as the event loop runs.
        for (const char *name : {"lblKeypadEntry(0)", "lblKeypadEntry(1)", "stationStatus",
                                 "deviceStatus", "fleetStatus"})
            QTRY_VERIFY2(wholeTextShown(*s.find<QLabel>(name)), name);
        auto *filter = s.find<QListWidget>("lstFilter");
        QVERIFY(!filter->verticalScrollBar()->isVisible());
        QVERIFY(filter->viewport()->rect().contains(
            filter->visualItemRect(filter->item(filter->count() - 1))));
        const auto *minimize = s.find<QPushButton>("cmdMinimize");
        QVERIFY(minimize->parentWidget()->rect().contains(minimize->geometry()));
    }

    // The list follows a gate database restored under the station.
    void listFollowsARestoredGateDatabase()
    {
        WindowProbe p;
        p.click("cmdGateLog");
        p.folder.createDatabase("Gate.new", {"gate.sql"});
        p.folder.exec("Gate.new", "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult) VALUES "
                                  "('2024-05-15 09:00:00', '4242', 'Valid')");
        QVERIFY(::rename(qPrintable(p.folder.file("Gate.new")),
                         qPrintable(p.folder.file("Gate.gsd"))) == 0);
        QTRY_VERIFY_WITH_TIMEOUT(p.listed().join('\n').contains("4242"), 3000);
    }

    // Lifting a lockout asks first; No leaves the keypad locked.
    void liftLockoutAsks()
    {
        SiteWindow s("[keypad]\nLockoutAfter=1\n");
        auto *lift = s.find<QPushButton>("cmdLiftLockout");
        QVERIFY(!lift->isEnabled());
        press(*s.station, 1, "NNNN");
        QVERIFY(lift->isEnabled());
        QVERIFY(s.find<QLabel>("lblKeypadEntry(1)")->text().startsWith("Keypad 2: locked until"));
        Prompts::queueAnswer(false);
        s.click("cmdLiftLockout");
        QCOMPARE(Prompts::takeAsked().last(), "Lift the lockout of keypad 2 now?");
        QCOMPARE(s.station->lockedKeypads(), QList<int>{2});
        Prompts::queueAnswer(true);
        s.click("cmdLiftLockout");
        QCOMPARE(s.station->lockedKeypads(), QList<int>());
        QVERIFY(!lift->isEnabled());
        QCOMPARE(s.find<QLabel>("lblKeypadEntry(1)")->text(), "Keypad 2: ");
    }
};

QTEST_MAIN(TestGateWindow)
#include "test_gate_window.moc"
