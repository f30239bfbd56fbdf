#include "common/clock.h"
#include "logview/log_list_model.h"
#include "support/gate_site.h"
#include "support/other_program.h"
#include "widgets/prompts.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

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
    std::unique_ptr<GateWindow> w;

    explicit Station(const QByteArray &stationIni = {})
    {
        addCodes(site.folder);
        if (!stationIni.isEmpty())
            site.folder.write("station.ini", stationIni);
        site.settings.RelayCloseSeconds = 1;
        w = site.start();
        site.relay.readNow();
    }

    QLineEdit *entry() const { return w->findChild<QLineEdit *>("txtCheckCode"); }
    QPushButton *button(const char *name) const { return w->findChild<QPushButton *>(name); }
    QListWidget *filter() const { return w->findChild<QListWidget *>("lstFilter"); }
    int listed() const { return w->logLines().rowCount(); }
    QString entryShown(int keypad) const
    {
        return w->findChild<QLabel *>(QStringLiteral("lblKeypadEntry(%1)").arg(keypad))->text();
    }

    // Sends keys one at a time, each handled before the next is sent.
    void press(PtyDevice &keypad, const QByteArray &keys)
    {
        for (char key : keys) {
            QSignalSpy handled(&w->devices(), &GateDevices::keypadEvent);
            keypad.write(QByteArray(1, key));
            QVERIFY(handled.wait(3000));
        }
    }
};

} // namespace

class TestGateDecisions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init()
    {
        Prompts::takeMessages();
        Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(12, 0)));
    }
    void cleanup() { Clock::unpin(); }

    // Noise never waits for a click; keys read together, after a clear key, are all taken.
    // Noise goes key by key like the digits after it: written at once, its read could be
    // the one a digit's wait sees, and the entry be checked before the digits were read.
    void noiseOnAKeypadLine()
    {
        Station s;
        s.press(s.site.keypad1, QByteArray("\x1A\x00\xFF\x1Aqz\r\nAB", 10));
        QCOMPARE(s.entryShown(0), QStringLiteral("Keypad 1: \u2022\u2022"));
        QVERIFY2(s.w->statusText().contains("End of file found"), qPrintable(s.w->statusText()));
        s.site.keypad1.write("MABCEKKKK");
        QTRY_COMPARE(s.site.logRows(), (QStringList{"1234/In", "9999/In"}));
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    // Each keypad and the operator's box keep their own digits, even interleaved.
    void eachSourceHasItsOwnEntry()
    {
        Station s;
        s.entry()->setText("56");
        for (const char *keys : {"A", "K", "B", "K", "C", "K", "E", "K"})
            s.press(keys[0] == 'K' ? s.site.keypad2 : s.site.keypad1, keys);
        QCOMPARE(s.site.logRows(), (QStringList{"1234/In", "9999/Out"}));
        QCOMPARE(s.entry()->text(), QStringLiteral("56"));
        QCOMPARE(s.entryShown(1), QStringLiteral("Keypad 2: "));
    }

    // A customer who walks away mid-code does not prefix the next one's code.
    void abandonedEntryIsForgotten()
    {
        Station s(QByteArray("[keypad]\nEntryIdleSeconds=1\n"));
        s.press(s.site.keypad1, "AB");
        QTRY_COMPARE_WITH_TIMEOUT(s.entryShown(0), QStringLiteral("Keypad 1: "), 3000);
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.logRows(), QStringList{"1234/In"});
    }

    void manualCheck()
    {
        Station s;
        s.filter()->setCurrentRow(6); // "Invalid Number"
        s.entry()->setText("5555");
        s.button("cmdCheckCode")->click();
        QCOMPARE(s.site.logRows(), QStringList{"5555/Desk"});
        QCOMPARE(s.filter()->currentRow(), 6); // the operator's filter stays
        QCOMPARE(s.listed(), 1);
        QCOMPARE(s.entry()->text(), QString());

        s.entry()->setText("12a");
        s.button("cmdCheckCode")->click();
        QCOMPARE(s.entry()->text(), QStringLiteral("12a"));
        s.entry()->setText("3333");
        s.button("cmdCheckCode")->click();
        QVERIFY2(s.w->statusText().contains("3333"), qPrintable(s.w->statusText()));
        QCOMPARE(s.entry()->text(), QStringLiteral("3333"));
        QVERIFY(s.button("cmdCheckCode")->isEnabled());
        QCOMPARE(s.site.logRows().size(), 1);

        // An undecided keypad code is dropped too, and the next decision clears its status.
        s.press(s.site.keypad1, "CCCCABCE");
        QCOMPARE(s.site.logRows(), (QStringList{"5555/Desk", "1234/In"}));
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QVERIFY(s.w->statusText().startsWith("Connected"));
    }

    // Grants without the relay adapter are logged without a box; the missed release is sent later.
    void relayUnpluggedDuringGrants()
    {
        GateSite site;
        addCodes(site.folder);
        const QString adapter = site.folder.file("relay-adapter");
        site.mapPorts(site.keypad1.devicePath(), adapter, site.keypad2.devicePath());
        auto w = site.start();
        site.keypad1.write("ABCE");
        site.keypad2.write("KKKK");
        QTRY_COMPARE(site.logRows(), (QStringList{"1234/In", "9999/Out"}));
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY2(w->statusText().contains("the gate did not open"), qPrintable(w->statusText()));
        w->findChild<QPushButton *>("cmdRelayStatus")->click();
        QCOMPARE(Prompts::takeMessages(), QStringList{"Relay Status Port Closed"});

        QVERIFY(QFile::link(site.relay.devicePath(), adapter));
        QTRY_COMPARE_WITH_TIMEOUT(site.relay.received().right(2), RelayOff, 8000);
    }

    void restartAfterACrashWithTheRelayOn()
    {
        GateSite site;
        site.folder.write("relay-on.flag", "on");
        auto w = site.start();
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
        s.press(s.site.keypad2, "NNNNNNNN"); // two refusals, counted apart
        for (int i = 0; i < 3; ++i)
            s.press(s.site.keypad1, "NNNN");
        QCOMPARE(s.entryShown(0), "Keypad 1: locked until 12:01:00");
        QVERIFY2(
            s.w->statusText().startsWith("Keypad 1 locked until 12:01:00 after 3 refused codes"),
            qPrintable(s.w->statusText()));
        s.press(s.site.keypad1, "ABCE");
        s.press(s.site.keypad2, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        const QString rows = "select group_concat(fldCode || ' ' || fldReult || ' ' || fldZone, "
                             "';') from tblGateLog";
        QCOMPARE(s.site.folder.value("Gate.gsd", rows),
                 QVariant("0000 Invalid Out;0000 Invalid Out;0000 Invalid In;0000 Invalid In;"
                          "0000 Invalid In;"
                          "------ Pad Locked In;1234 Valid Out"));

        Clock::pin(QDateTime(QDate(2026, 3, 10), QTime(11, 0))); // set back an hour
        Clock::pinMonotonic(1000000 + 60000);
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);

        s.press(s.site.keypad1, "NNNNNNNN");
        QCOMPARE(s.entryShown(0), "Keypad 1: "); // the grant was no refusal
        s.press(s.site.keypad1, "NNNN");
        Prompts::queueAnswer(false);
        s.button("cmdLiftLockout")->click();
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), QByteArray());
        Prompts::queueAnswer(true);
        s.button("cmdLiftLockout")->click();
        QCOMPARE(Prompts::takeAsked().last(), "Lift the lockout of keypad 1 now?");
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
    }
};

QTEST_MAIN(TestGateDecisions)
#include "test_gate_decisions.moc"
