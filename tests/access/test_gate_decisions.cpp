#include "common/clock.h"
#include "logview/log_list_model.h"
#include "support/gate_site.h"
#include "widgets/prompts.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray RelayOn("\xFE\x01", 2);
const QByteArray RelayOff("\xFE\x00", 2);

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

    Station()
    {
        addCodes(site.folder);
        site.settings.RelayCloseSeconds = 1;
        w = site.start();
        site.relay.readNow();
    }

    QLineEdit *entry() const { return w->findChild<QLineEdit *>("txtCheckCode"); }
    QPushButton *button(const char *name) const { return w->findChild<QPushButton *>(name); }
    QListWidget *filter() const { return w->findChild<QListWidget *>("lstFilter"); }
    QStringList lines() const { return w->logLines().lines(); }

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

    void grantOpensLogsAndReleases()
    {
        Station s;
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QCOMPARE(s.site.logRows(), QStringList{"1234/In"});
        QCOMPARE(s.entry()->text(), QString());
        QCOMPARE(s.lines().size(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(s.site.relay.received(), RelayOff, 3000);
    }

    void keysReadTogetherAreAllTaken()
    {
        Station s;
        s.site.keypad1.write("ABCEKKKK");
        QTRY_COMPARE(s.site.logRows(), (QStringList{"1234/In", "9999/In"}));
        QCOMPARE(s.entry()->text(), QString());
    }

    void clearKeysAndEndOfFile()
    {
        Station s;
        s.press(s.site.keypad1, "AB\x1A");
        QCOMPARE(Prompts::takeMessages(), QStringList{"End of file found"});
        QCOMPARE(s.entry()->text(), QStringLiteral("12"));
        s.press(s.site.keypad1, "M");
        QCOMPARE(s.entry()->text(), QString());
        QCOMPARE(s.site.logRows(), QStringList());
    }

    // As on a real site: one entry, decided for the keypad that completes it.
    void bothKeypadsAndTheOperatorShareTheEntry()
    {
        Station s;
        s.press(s.site.keypad1, "AB");
        s.press(s.site.keypad2, "CE");
        s.entry()->setText("99");
        s.press(s.site.keypad1, "KK");
        QCOMPARE(s.site.logRows(), (QStringList{"1234/Out", "9999/In"}));
    }

    void manualCheck()
    {
        Station s;
        s.filter()->setCurrentRow(6); // "Invalid Number"
        s.entry()->setText("5555");
        s.button("cmdCheckCode")->click();
        QCOMPARE(s.site.logRows(), QStringList{"5555/"});
        QCOMPARE(s.filter()->currentRow(), 6); // the operator's filter stays
        QCOMPARE(s.lines().size(), 1);
        QCOMPARE(s.entry()->text(), QString());

        // Not decided: the operator still sees the entry, and why.
        s.entry()->setText("12a");
        s.button("cmdCheckCode")->click();
        QCOMPARE(s.entry()->text(), QStringLiteral("12a"));
        s.entry()->setText("3333");
        s.button("cmdCheckCode")->click();
        QVERIFY2(s.w->statusText().contains("3333"), qPrintable(s.w->statusText()));
        QCOMPARE(s.entry()->text(), QStringLiteral("3333"));
        QVERIFY(s.button("cmdCheckCode")->isEnabled());
        QCOMPARE(s.site.logRows().size(), 1);
    }

    // Nobody at a keypad sees a code that was not decided: the next one starts
    // afresh rather than behind it.
    void undecidedKeypadCodeIsCleared()
    {
        Station s;
        s.press(s.site.keypad1, "CCCC");
        QCOMPARE(s.entry()->text(), QString());
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.logRows(), QStringList{"1234/In"});
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QVERIFY(s.w->statusText().startsWith("Connected"));
    }

    // The relay board's port is down, so the grant shows "Relay On Port Not Open?";
    // keys arriving while that box is open are decided after the first code,
    // which still arms the release and is logged.
    void keysArrivingWhileABoxIsOpenWaitTheirTurn()
    {
        GateSite site;
        addCodes(site.folder);
        site.mapPorts(site.keypad1.devicePath(), "/dev/no-such-relay", site.keypad2.devicePath());
        auto w = site.start();
        Prompts::takeMessages();
        Prompts::whileNextBoxIsOpen([&] {
            QSignalSpy arrived(&w->devices(), &GateDevices::keypadEvent);
            site.keypad2.write("KKKK");
            QVERIFY(arrived.wait());
        });
        site.keypad1.write("ABCE");
        QTRY_COMPARE(site.logRows(), (QStringList{"1234/In", "9999/Out"}));
        QVERIFY(w->devices().relayPauseActive());
        QCOMPARE(Prompts::takeMessages(),
                 (QStringList{"Relay On Port Not Open?", "Relay On Port Not Open?"}));
    }
};

QTEST_MAIN(TestGateDecisions)
#include "test_gate_decisions.moc"
