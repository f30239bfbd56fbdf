#include "common/clock.h"
#include "logview/log_line.h"
#include "logview/log_panel.h"
#include "support/window_probe.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QSignalSpy>
#include <QTest>
#include <cstdio>

namespace {

// Codes of the sample log, oldest first.
const QString AllCodes = "1111 5555 1111 9999 6666 44 77";

// A company, and a row a day 1-7 Jan 2026: IDs 42 twice, 0 twice, a master, 44, blank.
void addLog(StartFolder &folder)
{
    StationSettings s = folder.settings();
    s.CompanyName = "Acme Storage";
    s.CompanyAddress = "1 Main St";
    s.CompanyCityStateZip = "Springfield, IL  62701";
    s.CompanyPhone = "(217) 555-0100";
    s.LogViewDays = 10; // the list after start-up holds every row
    folder.writeSettings(s);
    folder.exec(
        "Gate.gsd",
        "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, fldUnitNumber,"
        " fldCustID, fldZone) VALUES "
        "('2026-01-01 08:00:00', '1111', 'Valid', 'Smith, Ann', 'B12', 42, 'In'),"
        "('2026-01-02 08:00:00', '5555', 'Invalid', 'Invalid', 'Invalid', 0, 'In'),"
        "('2026-01-03 08:00:00', '1111', 'Valid', 'Smith, Ann', 'B12', 42, 'Out'),"
        "('2026-01-04 08:00:00', '9999', 'Valid', 'Manager, Site', 'OFFICE', 10000005, 'In'),"
        "('2026-01-05 08:00:00', '6666', 'Invalid', 'Invalid', 'Invalid', 0, 'Out'),"
        "('2026-01-06 08:00:00', '44', 'Valid', 'Jones, Bob', 'C1', 44, 'In'),"
        "('2026-01-07 08:00:00', '77', 'Valid', 'Blank, Id', 'C2', NULL, 'In')");
}

QString listedCodes(const WindowProbe &p)
{
    QStringList codes;
    for (const QString &line : p.listed())
        codes << line.mid(25, 10).trimmed();
    return codes.join(' ');
}

// Clicks the first listed line holding `code`.
void drillDown(const WindowProbe &p, const QString &code)
{
    auto *view = p.find<QListView>("lstLog");
    const QModelIndex index = view->model()->index(int(listedCodes(p).split(' ').indexOf(code)), 0);
    view->setCurrentIndex(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

// The operator's code on keypad 1 (keys for 4444): no unit carries it.
// Its row listed, or counted while the operator reviews, once the station's
// thread is free.
void keypadAttempt(const WindowProbe &p)
{
    p.station->MSCommScanner_OnComm(0, "EEEE");
    QCoreApplication::processEvents();
}

// Prints to a PDF file (answers Yes, Yes, its name without ".pdf"); its text lines, simplified.
QStringList printToPdf(const WindowProbe &p)
{
    const QString pdf = p.folder.file("report.pdf");
    for (const QVariant &answer : {QVariant(true), QVariant(true), QVariant(pdf.chopped(4))})
        Prompts::queueAnswer(answer);
    p.click("cmdPrintLog");
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    text.waitForFinished(30000);
    QStringList printed;
    for (const QString &line : QString::fromUtf8(text.readAllStandardOutput()).split('\n'))
        printed << line.simplified();
    printed.removeAll("");
    return printed;
}

} // namespace

class TestLogWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Clock::pin(QDateTime(QDate(2026, 1, 7), QTime(12, 0))); }
    void cleanup() { Clock::unpin(); }

    // A customer's lines, by a typed ID (an empty `clicked`) or by a clicked line's ID.
    void customerLines_data()
    {
        // clang-format off
        QTest::addColumn<QVariant>("typed");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("caption");
        const QString range = "12/28/2025 to 1/7/2026, filter ALL: 7 rows";
        QTest::newRow("typed 42") << QVariant(" 42 ") << "" << "1111 1111" << "" << "Customer 42 Smith, Ann: 2 rows";
        QTest::newRow("typed, no rows") << QVariant("43") << "" << "" << "No Records For ID 43" << "Customer 43: 0 rows";
        QTest::newRow("clicked ID 0") << QVariant() << "5555" << "5555 6666" << "" << "Customer 0 Invalid: 2 rows";
        QTest::newRow("clicked blank ID") << QVariant() << "77" << AllCodes << "Invalid ID Entered" << range;
        // clang-format on
    }

    void customerLines()
    {
        QFETCH(QVariant, typed);
        QFETCH(QString, clicked);
        QFETCH(QString, codes);
        QFETCH(QString, message);
        QFETCH(QString, caption);
        WindowProbe p(addLog);
        p.click("cmdGateLog");
        if (clicked.isEmpty()) {
            Prompts::queueAnswer(typed);
            p.click("cmdFilterCustomerID");
        } else {
            drillDown(p, clicked);
        }
        QCOMPARE(Prompts::takeMessages().join(""), message);
        QCOMPARE(listedCodes(p), codes);
        auto *view = p.find<QListView>("lstLog");
        QCOMPARE(view->currentIndex(), view->model()->index(view->model()->rowCount() - 1, 0));
        QCOMPARE(p.find<QLabel>("lblLogCaption")->text(), caption);
    }

    void printing()
    {
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("the report would go to this machine's printer");
        WindowProbe p([](StartFolder &f) {
            addLog(f);
            f.exec("Gate.gsd", "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                               "WHERE i < 300) INSERT INTO tblGateLog (fldDateTime, fldCode) "
                               "SELECT '2026-01-06 09:00:00', 'long-' || i FROM n");
        });
        p.click("cmdGateLog");
        // clang-format off
        QStringList expected{"Acme Storage", "1 Main St", "Springfield, IL 62701", "Phone: (217) 555-0100",
                             "Log for Dates From 12/28/2025 to 1/7/2026", "Record Filter ALL", QString(59, '-')};
        // clang-format on
        for (const QString &line : p.listed())
            expected << line.simplified();
        // Every page: the headings first, its number last; the company lines on the first only.
        QStringList body;
        int pages = 0;
        int headings = 0;
        for (const QString &line : printToPdf(p)) {
            if (line == logHeadings().simplified()) {
                QCOMPARE(++headings, pages + 1);
                QVERIFY(pages > 0 || body.size() == 7);
            } else if (line.startsWith("Page ")) {
                QCOMPARE(line, QString("Page %1").arg(++pages));
            } else {
                body << line;
            }
        }
        QCOMPARE(body, expected);
        QVERIFY(pages > 1);
        QCOMPARE(headings, pages);
        // The name offered; the one typed without ".pdf" gets it.
        QCOMPARE(Prompts::takeAsked().last(), "Save Report gate-log-2026-01-07.pdf");
        QCOMPARE(Prompts::takeMessages(), QStringList{"Saved to " + p.folder.file("report.pdf")});
    }

    // Export writes the listed lines, or no file when cancelled; a name typed
    // without ".csv" gets it. What it writes is checked with the export itself.
    void exportListedLines()
    {
        WindowProbe p(addLog);
        p.click("cmdGateLog");
        Prompts::queueAnswer(p.folder.file("cancelled"));
        p.click("cmdExportLog");
        p.find<QProgressDialog>("dlgExportProgress")->cancel();
        QTRY_VERIFY(!p.w->findChild<QProgressDialog *>("dlgExportProgress"));
        QVERIFY(!QFile::exists(p.folder.file("cancelled.csv")));
        Prompts::takeAsked();

        Prompts::queueAnswer(p.folder.file("week"));
        p.click("cmdExportLog");
        QTRY_VERIFY(!p.w->findChild<QProgressDialog *>("dlgExportProgress"));
        QCOMPARE(Prompts::takeAsked(), QStringList{"Export Log gate-log-2026-01-07.csv"});
        QCOMPARE(Prompts::takeMessages(),
                 QStringList{"7 log records exported to " + p.folder.file("week.csv")});
        QVERIFY(QFile::exists(p.folder.file("week.csv")));

        // The listed lines' file replaced since: nothing written from the new one.
        p.folder.createDatabase("Gate.new", {"gate.sql"});
        QVERIFY(::rename(qPrintable(p.folder.file("Gate.new")),
                         qPrintable(p.folder.file("Gate.gsd"))) == 0);
        Prompts::queueAnswer(p.folder.file("replaced"));
        p.click("cmdExportLog");
        Prompts::takeAsked();
        QCOMPARE(Prompts::takeMessages(), QStringList{"The log was not exported: the gate "
                                                      "database was replaced; list the log again"});
        QVERIFY(!QFile::exists(p.folder.file("replaced.csv")));
    }

    // An export under way lets a gate database replaced under it go at its
    // next page: the station takes the new file up and the code typed
    // meanwhile is decided from it (an unknown code), not refused unchecked.
    void exportLetsAReplacedFileGo()
    {
        WindowProbe p(addLog);
        p.folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult) WITH "
                                  "RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n "
                                  "WHERE i < 2000) SELECT '2026-01-06 12:00:00', '1', 'Valid' "
                                  "FROM n");
        p.click("cmdGateLog");
        Prompts::queueAnswer(p.folder.file("big"));
        p.click("cmdExportLog");
        QVERIFY(p.w->findChild<QProgressDialog *>("dlgExportProgress"));
        p.folder.createDatabase("Gate.new", {"gate.sql"});
        QVERIFY(::rename(qPrintable(p.folder.file("Gate.new")),
                         qPrintable(p.folder.file("Gate.gsd"))) == 0);
        keypadAttempt(p);
        QTRY_VERIFY(!p.w->findChild<QProgressDialog *>("dlgExportProgress"));
        Prompts::takeAsked();
        QVERIFY(
            Prompts::takeMessages().join('\n').contains("replaced or removed during the export"));
        QTRY_COMPARE_WITH_TIMEOUT(
            p.folder.value("Gate.gsd", "select group_concat(fldCode || ' ' || fldReult) from "
                                       "tblGateLog"),
            QVariant("4444 Invalid"), 5000);
    }

    // Following live, each attempt lists the last days again. The operator's
    // review (dates, filter, customer, or unticking "Follow live") holds the
    // list still and counts the attempts it misses, until the count or the
    // box takes the list back to live.
    // Codes that come in one read are all decided before the list follows, once.
    void followsOnceForManyDecisions()
    {
        WindowProbe p(addLog);
        QSignalSpy listings(p.w->findChild<LogPanel *>(), &LogPanel::followed);
        p.station->MSCommScanner_OnComm(0, "EEEEEEEE");
        QCoreApplication::processEvents();
        QCOMPARE(listings.count(), 1);
        QCOMPARE(listedCodes(p), AllCodes + " 4444 4444");
    }

    void followLive_data()
    {
        QTest::addColumn<QString>("review");
        QTest::addColumn<QString>("held");
        QTest::newRow("start date") << "start date"
                                    << "";
        QTest::newRow("end date") << "end date"
                                  << "";
        QTest::newRow("filter") << "filter"
                                << "5555 6666 4444";
        QTest::newRow("drill-down") << "drill-down"
                                    << "1111 1111";
        QTest::newRow("customer ID") << "customer ID"
                                     << "1111 1111";
        QTest::newRow("unticked") << "unticked" << AllCodes + " 4444";
    }

    void followLive()
    {
        QFETCH(QString, review);
        QFETCH(QString, held);
        WindowProbe p(addLog);
        auto *follow = p.find<QCheckBox>("chkFollowLive");
        auto *missed = p.find<QPushButton>("cmdNewAttempts");
        QVERIFY(follow->isChecked());
        keypadAttempt(p);
        QCOMPARE(listedCodes(p), AllCodes + " 4444");

        if (review == "start date" || review == "end date") {
            p.find<QDateTimeEdit>(review == "start date" ? "DTPicker1(2)" : "DTPicker1(3)")
                ->setDate(QDate(2026, 1, 3));
        } else if (review == "filter") {
            auto *filter = p.find<QListWidget>("lstFilter");
            const QRect invalidNumber = filter->visualItemRect(filter->item(6));
            QTest::mouseClick(filter->viewport(), Qt::LeftButton, {}, invalidNumber.center());
        } else if (review == "drill-down") {
            drillDown(p, "1111");
        } else if (review == "customer ID") {
            Prompts::queueAnswer("42");
            p.click("cmdFilterCustomerID");
        } else {
            follow->click();
        }
        QVERIFY(!follow->isChecked());
        QCOMPARE(listedCodes(p), held);
        QVERIFY(missed->isHidden());
        keypadAttempt(p);
        QCOMPARE(missed->text(), "1 new attempt");
        keypadAttempt(p);
        p.find<QLineEdit>("txtCheckCode")->setText("4444");
        p.click("cmdCheckCode");
        QCoreApplication::processEvents();
        QCOMPARE(listedCodes(p), held);
        QCOMPARE(missed->text(), "3 new attempts");
        QVERIFY(!missed->isHidden());

        if (review == "unticked")
            follow->click();
        else
            missed->click();
        QVERIFY(follow->isChecked());
        QVERIFY(missed->isHidden());
        QCOMPARE(listedCodes(p), AllCodes + " 4444 4444 4444 4444");
        QCOMPARE(p.find<QListWidget>("lstFilter")->currentRow(), 0);
        keypadAttempt(p);
        QCOMPARE(listedCodes(p), AllCodes + " 4444 4444 4444 4444 4444");
    }

    // The purge takes the open view's rows stamped through the chosen day,
    // unless cancelled before its first batch; the question counts the rows
    // that go, rows written while it is open not among them, and the status
    // line counts them again.
    void purge_data()
    {
        // clang-format off
        QTest::addColumn<QString>("lookUp");
        QTest::addColumn<bool>("decideMeanwhile");
        QTest::addColumn<QDate>("lastDay");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<int>("counted");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("scope");
        const QDate jan5(2026, 1, 5);
        const QString all = "All rows dated 1/5/2026 or earlier";
        const QString customer = "Rows of customer 42 Smith, Ann dated 1/5/2026 or earlier";
        QTest::newRow("after start-up: the whole table") << "" << false << jan5 << "Yes" << 5 << "44 77" << all;
        QTest::newRow("after a look-up: that customer") << "42" << false << jan5 << "Yes" << 2 << "5555 9999 6666 44 77" << customer;
        QTest::newRow("a decision during the question") << "42" << true << jan5 << "Yes" << 2 << "5555 9999 6666 44 77 4444" << customer;
        QTest::newRow("today, a row of today meanwhile") << "" << true << QDate(2026, 1, 7) << "Yes" << 7 << "4444" << "All rows dated 1/7/2026 or earlier";
        QTest::newRow("No") << "" << false << jan5 << "No" << 5 << AllCodes << all;
        QTest::newRow("Yes, then Cancel") << "" << false << jan5 << "Cancel" << 5 << AllCodes << all;
        // clang-format on
    }

    void purge()
    {
        QFETCH(QString, lookUp);
        QFETCH(bool, decideMeanwhile);
        QFETCH(QDate, lastDay);
        QFETCH(QString, answer);
        QFETCH(int, counted);
        QFETCH(QString, kept);
        QFETCH(QString, scope);
        const qsizetype deleted = answer == "Yes" ? counted : 0;
        QCOMPARE(AllCodes.split(' ').size() + decideMeanwhile - kept.split(' ').size(), deleted);
        WindowProbe p(addLog);
        if (!lookUp.isEmpty()) {
            Prompts::queueAnswer(lookUp);
            p.click("cmdFilterCustomerID");
            Prompts::takeAsked();
        }
        if (decideMeanwhile)
            Prompts::whileNextBoxIsOpen([&] {
                p.find<QLineEdit>("txtCheckCode")->setText("4444");
                p.click("cmdCheckCode");
            });
        p.w->mnuSettings_Click();
        p.find<QDateTimeEdit>("DTPicker1(4)")->setDate(lastDay);
        const QString before = p.w->statusText();
        Prompts::queueAnswer(answer != "No");
        p.click("cmdClearLog");
        QCOMPARE(Prompts::takeAsked(),
                 QStringList{QString("Delete Log Records %1 and Older?\n%2: %3 rows")
                                 .arg(lastDay.toString("M/d/yyyy"), scope)
                                 .arg(counted)});
        if (answer == "Cancel")
            p.find<QProgressDialog>("dlgPurgeProgress")->cancel();
        QTRY_VERIFY(!p.w->findChild<QProgressDialog *>("dlgPurgeProgress"));
        QCOMPARE(p.listed().size(), 0);
        QCOMPARE(p.w->statusText(),
                 answer == "No" ? before
                                : QString("%1 log records deleted (%2)").arg(deleted).arg(scope));
        p.click("cmdGateLog");
        QCOMPARE(listedCodes(p), kept);
    }
};

QTEST_MAIN(TestLogWindow)
#include "test_log_window.moc"
