#include "logview/log_list_model.h"
#include "support/gate_site.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

const QByteArray RelayOn("\xFE\x01", 2);
const QByteArray RelayOff("\xFE\x00", 2);

// Units: 1234 granted, 2222 locked out and also a master code, 3333 with an
// unreadable zone; master 9999 granted.
void addSampleCodes(const StartFolder &folder)
{
    folder.exec("Data.gsd",
                "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, "
                "fldStatus, fldUnitName, fldCustID, fldGateTimeZone, fldGateExpireDate) VALUES "
                "('1234', 'Ann', 'Smith', 'Rented', 'B12', 345, 0, '12345'),"
                "('2222', 'Bob', 'Jones', 'Locked', 'C7', 346, 0, '000000'),"
                "('1234', 'Dup', 'Later', 'Locked', 'X1', 999, 0, '000000'),"
                "('3333', 'Cy', 'Null', 'Rented', 'D1', 347, NULL, '000000');"
                "INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, fldFirstName, fldLastName, "
                "fldUnitNumber, fldTimeZone, fldExpireDate) VALUES "
                "(5, '9999', 'Site', 'Manager', 'OFFICE', 0, '000000'),"
                "(6, '2222', 'Never', 'Seen', 'OFFICE', 0, '000000')");
}

QStringList logRow(const QString &code, const QString &result, const QString &customer,
                   const QString &unit, const QString &id, const QString &zone)
{
    return {code, result, customer, unit, id, zone};
}

struct Station {
    GateSite site;
    std::unique_ptr<GateWindow> w;

    explicit Station(quint8 codeLength = 4, quint8 holdSeconds = 1)
    {
        addSampleCodes(site.folder);
        site.settings.CodeLength = codeLength;
        site.settings.RelayCloseSeconds = holdSeconds;
        w = site.start();
        site.relay.readNow();
    }

    QLineEdit *entry() const { return w->findChild<QLineEdit *>("txtCheckCode"); }
    QPushButton *button(const char *name) const { return w->findChild<QPushButton *>(name); }
    QListWidget *filter() const { return w->findChild<QListWidget *>("lstFilter"); }
    QListView *list() const { return w->findChild<QListView *>("lstLog"); }
    QStringList lines() const { return w->logLines().lines(); }
    QString status() const { return w->statusText(); }

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
    void init() { Prompts::takeMessages(); }

    void grantOpensThenLogsThenReleases()
    {
        Station s;
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QCOMPARE(s.site.logRows(), {logRow("1234", "Valid", "Smith, Ann", "B12", "345", "In")});
        QCOMPARE(s.entry()->text(), QString());
        QTRY_COMPARE_WITH_TIMEOUT(s.site.relay.received(), RelayOff, 3000);

        QCOMPARE(s.lines().size(), 1);
        QVERIFY(s.lines()[0].contains("1234") && s.lines()[0].contains("Valid"));
        QCOMPARE(s.list()->currentIndex().row(), 0);
        QCOMPARE(s.list()->palette().color(QPalette::Base), QColor(255, 255, 255));
        QCOMPARE(s.w->settings().CurrentKeypadLocation, QStringLiteral("In"));
    }

    // A six-character expiry is not required: the 5-character one means none,
    // and the unit's row is left as it was.
    void shortExpiryIsNotWrittenBack()
    {
        Station s;
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.folder.value("Data.gsd", "select fldGateExpireDate from tblUnitInfo "
                                                 "where rowid = 1"),
                 QVariant("12345"));
    }

    void refusalsAndInvalidCodesKeepTheGateShut()
    {
        Station s;
        s.press(s.site.keypad2, "BBBB"); // a unit's code wins over the same master code
        s.press(s.site.keypad2, "NNNN");
        s.press(s.site.keypad1, "KKKK");
        QCOMPARE(s.site.logRows(),
                 (QList<QStringList>{
                     logRow("2222", "Locked Out", "Jones, Bob", "C7", "346", "Out"),
                     logRow("0000", "Invalid", "Invalid", "Invalid", "0", "Out"),
                     logRow("9999", "Valid", "Manager, Site", "OFFICE", "10000005", "In")}));
        QCOMPARE(s.site.relay.readNow(), RelayOn); // only the master code opened
        QCOMPARE(s.lines().size(), 3);
        QCOMPARE(s.list()->currentIndex().row(), 2);
    }

    void keysReadTogetherAreAllTaken()
    {
        Station s;
        s.site.keypad1.write("ABCEKKKK");
        QTRY_COMPARE(s.site.logRows().size(), 2);
        QCOMPARE(s.site.logRows()[0][0], QStringLiteral("1234"));
        QCOMPARE(s.site.logRows()[1][0], QStringLiteral("9999"));
        QCOMPARE(s.entry()->text(), QString());
    }

    void clearKeysAndOtherCharacters()
    {
        Station s;
        s.press(s.site.keypad1, "AB");
        QCOMPARE(s.entry()->text(), QStringLiteral("12"));
        s.press(s.site.keypad1, "M");
        QCOMPARE(s.entry()->text(), QString());
        s.press(s.site.keypad1, "ADHLPa1 B");
        QCOMPARE(s.entry()->text(), QStringLiteral("12"));
        s.press(s.site.keypad1, "O");
        QCOMPARE(s.entry()->text(), QString());
        QCOMPARE(s.site.logRows(), QList<QStringList>());
        QCOMPARE(Prompts::takeMessages(), QStringList());
        s.press(s.site.keypad1, "\x1A");
        QCOMPARE(Prompts::takeMessages(), QStringList{"End of file found"});
    }

    void bothKeypadsAndTheOperatorShareTheEntry()
    {
        Station s;
        s.press(s.site.keypad1, "AB");
        s.press(s.site.keypad2, "CE");
        QCOMPARE(s.site.logRows(), {logRow("1234", "Valid", "Smith, Ann", "B12", "345", "Out")});

        s.entry()->setText("99");
        s.press(s.site.keypad1, "KK");
        QCOMPARE(s.site.logRows().last()[0], QStringLiteral("9999"));
        QCOMPARE(s.site.logRows().last()[5], QStringLiteral("In"));
    }

    void codeLengthOneAndZero()
    {
        {
            Station s(1);
            s.press(s.site.keypad1, "AB");
            QCOMPARE(s.site.logRows().size(), 2);
            QCOMPARE(s.site.logRows()[1][0], QStringLiteral("2"));
        }
        {
            Station s(0);
            s.filter()->setCurrentRow(3);
            s.press(s.site.keypad1, "D"); // no digit: an empty entry is not decided
            QCOMPARE(s.site.logRows().size(), 0);
            QCOMPARE(s.filter()->currentRow(), 0); // but the log view was reset
            s.press(s.site.keypad1, "A");
            QCOMPARE(s.site.logRows().size(), 1);
        }
    }

    void manualCheck()
    {
        Station s;
        s.filter()->setCurrentRow(6); // "Invalid Number"
        s.entry()->setText("5555");
        s.button("cmdCheckCode")->click();
        QCOMPARE(s.site.logRows(), {logRow("5555", "Invalid", "Invalid", "Invalid", "0", "")});
        QVERIFY(s.button("cmdCheckCode")->isEnabled());
        QCOMPARE(s.filter()->currentRow(), 6); // the operator's filter stays
        QCOMPARE(s.lines().size(), 1);
        QCOMPARE(s.list()->palette().color(QPalette::Base), QColor(192, 255, 192));

        s.entry()->setText("12a");
        s.button("cmdCheckCode")->click();
        QCOMPARE(s.site.logRows().size(), 1);
        QCOMPARE(s.entry()->text(), QStringLiteral("12a"));
    }

    void undecidableRowRefusesAndTheStationGoesOn()
    {
        Station s;
        s.entry()->setText("3333");
        s.button("cmdCheckCode")->click();
        QVERIFY(s.status().contains("3333"));
        QCOMPARE(s.site.logRows(), QList<QStringList>());
        QCOMPARE(s.site.relay.readNow(), QByteArray());
        QCOMPARE(s.entry()->text(), QStringLiteral("3333"));
        QVERIFY(s.button("cmdCheckCode")->isEnabled());

        s.entry()->clear();
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.logRows().size(), 1);
        QVERIFY(s.status().startsWith("Connected"));
    }

    // The customer types the code again; it must not land behind the first one.
    void missingDatabaseRefusesAndStartsAfresh()
    {
        Station s;
        QVERIFY(QFile::rename(s.site.folder.file("Data.gsd"), s.site.folder.file("Data.old")));
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), QByteArray());
        QCOMPARE(s.entry()->text(), QString());
        QVERIFY2(s.status().contains("Data.gsd"), qPrintable(s.status()));
        QVERIFY(!QFile::exists(s.site.folder.file("Data.gsd")));

        QVERIFY(QFile::rename(s.site.folder.file("Data.old"), s.site.folder.file("Data.gsd")));
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.logRows(), {logRow("1234", "Valid", "Smith, Ann", "B12", "345", "In")});
    }

    // Another program holding the gate log's write lock: the attempt is refused
    // before the gate opens, so no one passes unrecorded.
    void lockedGateLogKeepsTheGateShut()
    {
        Station s;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-program");
            other.setDatabaseName(s.site.folder.file("Gate.gsd"));
            QVERIFY(other.open());
            QSqlQuery lock(other);
            QVERIFY(lock.exec("BEGIN IMMEDIATE"));
            s.press(s.site.keypad1, "ABCE");
            QCOMPARE(s.site.relay.readNow(), QByteArray());
            QVERIFY2(s.status().contains("1234"), qPrintable(s.status()));
            QVERIFY(lock.exec("ROLLBACK"));
        }
        QSqlDatabase::removeDatabase("other-program");
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.site.relay.readNow(), RelayOn);
        QCOMPARE(s.site.logRows().size(), 1);
    }

    void unpluggedKeypadLeavesTheOtherWorking()
    {
        Station s;
        s.site.keypad1.closeMaster();
        QTRY_VERIFY(!s.w->devices().keypad(0).isOpen());
        s.press(s.site.keypad2, "ABCE");
        QCOMPARE(s.site.logRows().size(), 1);
        QCOMPARE(s.site.relay.readNow(), RelayOn);
    }

    void nothingIsDecidedOnceExiting()
    {
        Station s;
        s.w->findChild<QAction *>("mnuExit")->trigger();
        s.site.relay.readNow();
        s.press(s.site.keypad1, "ABCE");
        QCOMPARE(s.entry()->text(), QStringLiteral("1234"));
        QCOMPARE(s.site.logRows(), QList<QStringList>());
        QCOMPARE(s.site.relay.readNow(), QByteArray());
    }

    // The relay board's port is down, so the grant shows "Relay On Port Not Open?";
    // keys arriving while that box is open are decided after the first code,
    // which still arms the release and is logged.
    void keysArrivingWhileABoxIsOpenWaitTheirTurn()
    {
        GateSite site;
        addSampleCodes(site.folder);
        site.mapPorts(site.keypad1.devicePath(), "/dev/no-such-relay", site.keypad2.devicePath());
        auto w = site.start();
        Prompts::takeMessages();
        Prompts::whileNextBoxIsOpen([&] {
            QSignalSpy arrived(&w->devices(), &GateDevices::keypadEvent);
            site.keypad2.write("KKKK");
            QVERIFY(arrived.wait());
        });
        site.keypad1.write("ABCE");
        QTRY_COMPARE(site.logRows().size(), 2);
        QCOMPARE(site.logRows()[0][0], QStringLiteral("1234"));
        QCOMPARE(site.logRows()[1][0], QStringLiteral("9999"));
        QCOMPARE(site.logRows()[1][5], QStringLiteral("Out"));
        QVERIFY(w->devices().relayPauseActive());
        QCOMPARE(Prompts::takeMessages(),
                 (QStringList{"Relay On Port Not Open?", "Relay On Port Not Open?"}));
    }

    void logViewFollowsDatesAndFilters()
    {
        Station s;
        s.site.folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult) "
                                       "VALUES ('2012-03-07 00:00:00', '1', 'Valid'),"
                                       "('2012-03-08 10:00:00', '2', 'Invalid'),"
                                       "('2012-03-09 23:59:30', '3', 'Exp 1/1/12')");
        auto *start = s.w->findChild<QDateTimeEdit *>("DTPicker1(2)");
        auto *end = s.w->findChild<QDateTimeEdit *>("DTPicker1(3)");
        start->setDate(QDate(2012, 3, 7));
        end->setDate(QDate(2012, 3, 9));
        s.button("cmdGateLog")->click();
        QCOMPARE(s.lines().size(), 3);
        QVERIFY(s.lines()[2].startsWith("03/09/12 11:59 PM"));

        end->setDate(QDate(2012, 3, 10));
        QCOMPARE(s.lines().size(), 0);

        s.filter()->setCurrentRow(4); // "Expired Date"
        QTest::mouseClick(s.filter()->viewport(), Qt::LeftButton, {},
                          s.filter()->visualItemRect(s.filter()->item(4)).center());
        QCOMPARE(s.lines().size(), 1);
        QCOMPARE(s.list()->palette().color(QPalette::Base), QColor(192, 255, 192));

        s.filter()->setCurrentRow(7); // "List Selection" lists all and leaves "ALL" chosen
        s.button("cmdGateLog")->click();
        QCOMPARE(s.lines().size(), 3);
        QCOMPARE(s.filter()->currentRow(), 0);
        QCOMPARE(s.list()->palette().color(QPalette::Base), QColor(255, 255, 255));

        s.filter()->setCurrentRow(2); // "After Hours": nothing matches
        s.button("cmdGateLog")->click();
        QCOMPARE(s.lines().size(), 0);
        QVERIFY(!s.list()->currentIndex().isValid());
        QCOMPARE(s.list()->palette().color(QPalette::Base), QColor(192, 255, 192));

        start->setDate(QDate(2012, 3, 11)); // start after end: nothing, colour kept
        s.filter()->setCurrentRow(0);
        s.button("cmdGateLog")->click();
        QCOMPARE(s.lines().size(), 0);
        QCOMPARE(s.list()->palette().color(QPalette::Base), QColor(192, 255, 192));
    }
};

QTEST_MAIN(TestGateDecisions)
#include "test_gate_decisions.moc"
