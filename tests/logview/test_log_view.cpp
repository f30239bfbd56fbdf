#include "access/result_words.h"
#include "common/clock.h"
#include "data/station_data.h"
#include "logview/log_list_model.h"
#include "logview/log_purge.h"
#include "logview/result_filter.h"
#include "support/start_folder.h"
#include "support/window_probe.h"

#include <QDateTimeEdit>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QSqlQuery>
#include <QTest>

namespace {

// A standard folder's gate log holding customers 1 and 2 around 2026-03-07,
// out of time order, opened as the station opens it.
struct GateLog {
    StartFolder folder;
    StationData data;

    GateLog()
    {
        folder.makeStandard();
        folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldDateTime, fldCode, fldCustID) VALUES "
                                "('2026-03-07 23:59:59', 'last-2', 2), "
                                "('2026-03-08 00:00:00', 'next-1', 1), "
                                "('2026-03-07 00:00:00', 'first-1', 1), "
                                "('2026-03-06 23:59:59', 'before-2', 2)");
        StationSettings s = folder.settings();
        StationData::buildConnectionStrings(s);
        if (!data.connectAll(s, nullptr))
            qFatal("cannot open the gate log");
    }
    QSqlDatabase db() const { return data.AdoGateLog.database(); }
    // The codes a view lists, blank-separated.
    QString codes(const LogSelection &view) const
    {
        QList<LogRow> rows;
        QStringList codes;
        queryLog(db(), view, rows, nullptr);
        for (const LogRow &r : rows)
            codes << r.code;
        return codes.join(' ');
    }
};

const QString AllRows = "last-2 next-1 first-1 before-2";
const QDate Day(2026, 3, 7);

// Codes of the sample log the window tests list, oldest first.
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
    for (const QString &line : p.w->logLines().lines())
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

// Prints to a PDF file (answers Yes, Yes, its name); its text lines, simplified.
QStringList printToPdf(const WindowProbe &p)
{
    const QString pdf = p.folder.file("report.pdf");
    for (const QVariant &answer : {QVariant(true), QVariant(true), QVariant(pdf)})
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

class TestLogView : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Clock::pin(QDateTime(QDate(2026, 1, 7), QTime(12, 0))); }
    void cleanup() { Clock::unpin(); }

    // The 89-character line: blanks pad a short field, a long one is cut.
    void lines_data()
    {
        // clang-format off
        QTest::addColumn<LogRow>("row");
        QTest::addColumn<QString>("line");
        QTest::newRow("padded")
            << LogRow{"2012-03-07 14:05:09", "In", "1234", "Valid", "B12", "Smith, Ann", "345"}
            << "03/07/12 02:05 PM  In    1234        Valid            B12 Smith, Ann                  345";
        QTest::newRow("cut")
            << LogRow{"", "Entrance", "123456789012", "TimeZone 12345", "UNIT-12345",
                      "Abcdefghijklmnopqrstuvwxyz1234", "123456789"}
            << QString(18, ' ') + " Entra 1234567890  TimeZone 123 UNIT-12 Abcdefghijklmnopqrstuv 12345678";
        QTest::newRow("midnight") << LogRow{"2026-12-06 00:00:00", "", "", "", "", "", ""} << "12/06/26 12:00 AM";
        QTest::newRow("noon") << LogRow{"2026-12-06 12:30:00", "", "", "", "", "", ""} << "12/06/26 12:30 PM";
        QTest::newRow("no such day") << LogRow{"2026-02-30 10:00:00", "", "", "", "", "", ""} << "2026-02-30 10:00:0";
        QTest::newRow("ISO with T") << LogRow{"2026-12-06T23:15:00", "", "", "", "", "", ""} << "12/06/26 11:15 PM";
        // clang-format on
    }

    void lines()
    {
        QFETCH(LogRow, row);
        QFETCH(QString, line);
        QCOMPARE(logLine(row), line.leftJustified(89));
    }

    void filters_data()
    {
        using namespace ResultWords;
        // clang-format off
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("passes");
        QTest::newRow("allowed: Valid") << Filters::AllowedAccess << Valid << true;
        QTest::newRow("allowed: Exclude") << Filters::AllowedAccess << Exclude << true;
        QTest::newRow("expired: any Exp") << Filters::ExpiredDate << "Expired" << true;
        QTest::newRow("expired: Exclude") << Filters::ExpiredDate << Exclude << false;
        QTest::newRow("zone: any Tim") << Filters::TimeZone << "Time Zone" << true;
        QTest::newRow("list selection") << Filters::ListSelection << Invalid << true;
        QTest::newRow("unknown filter") << "Valid" << Valid << false;
        // clang-format on
    }

    void filters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, result);
        QFETCH(bool, passes);
        QCOMPARE(passesFilter(filter, result), passes);
    }

    // What a view lists (a range: whole days, in time order), and what purging it
    // through the day keeps: the day's last second goes, the next midnight stays;
    // when one row cannot go, none do.
    void views_data()
    {
        // clang-format off
        QTest::addColumn<LogSelection>("view");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QString>("kept");
        QTest::newRow("everything") << LogSelection::everything() << AllRows << false << "next-1";
        QTest::newRow("one customer") << LogSelection::customer(2) << "last-2 before-2" << false << "next-1 first-1";
        QTest::newRow("the day") << LogSelection::dateRange(Day, Day) << "first-1 last-2" << false << "next-1 before-2";
        QTest::newRow("the next day") << LogSelection::dateRange(Day.addDays(1), Day.addDays(1)) << "next-1" << false << AllRows;
        QTest::newRow("a row refused") << LogSelection::everything() << AllRows << true << AllRows;
        // clang-format on
    }

    void views()
    {
        QFETCH(LogSelection, view);
        QFETCH(QString, listed);
        QFETCH(bool, refused);
        QFETCH(QString, kept);
        GateLog log;
        if (refused)
            log.folder.execStatement(
                "Gate.gsd", "CREATE TRIGGER keep BEFORE DELETE ON tblGateLog "
                            "WHEN old.fldCode = 'before-2' BEGIN SELECT RAISE(ABORT, 'kept'); END");
        QCOMPARE(log.codes(view), listed);
        qint64 counted = -1;
        qint64 deleted = 0;
        QVERIFY(LogPurge::countRows(log.db(), view, counted, nullptr));
        QCOMPARE(counted, listed.split(' ').size());
        QCOMPARE(LogPurge::deleteThrough(log.db(), view, Day, deleted, nullptr), !refused);
        QCOMPARE(log.codes(LogSelection::everything()), kept);
        QCOMPARE(deleted, 4 - kept.split(' ').size());
        // no transaction is left open on the station's connection
        QSqlQuery q(log.db());
        QVERIFY(q.exec("BEGIN IMMEDIATE"));
        QVERIFY(q.exec("ROLLBACK"));
    }

    // A customer's lines, by a typed ID (an empty `clicked`) or by a clicked line's ID.
    void customerLines_data()
    {
        // clang-format off
        QTest::addColumn<QVariant>("typed");
        QTest::addColumn<QString>("clicked");
        QTest::addColumn<QString>("codes");
        QTest::addColumn<QString>("message");
        QTest::newRow("typed 42") << QVariant(" 42 ") << "" << "1111 1111" << "";
        QTest::newRow("typed letters") << QVariant("abc") << "" << AllCodes << "Invalid ID Entered";
        QTest::newRow("typed, no rows") << QVariant("43") << "" << "" << "No Records For ID 43";
        QTest::newRow("clicked ID 0") << QVariant() << "5555" << "5555 6666" << "";
        QTest::newRow("clicked master code") << QVariant() << "9999" << "9999" << "";
        QTest::newRow("clicked blank ID") << QVariant() << "77" << AllCodes << "Invalid ID Entered";
        // clang-format on
    }

    void customerLines()
    {
        QFETCH(QVariant, typed);
        QFETCH(QString, clicked);
        QFETCH(QString, codes);
        QFETCH(QString, message);
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
    }

    // Light green marks a filtered list or a drill-down; "List Selection" goes back to "ALL".
    void filtersColourTheList()
    {
        WindowProbe p(addLog);
        auto *filters = p.find<QListWidget>("lstFilter");
        auto background = [&] {
            return p.find<QListView>("lstLog")->palette().color(QPalette::Base);
        };
        filters->setCurrentRow(ResultFilters.indexOf(Filters::InvalidNumber));
        p.click("cmdGateLog");
        QCOMPARE(listedCodes(p), "5555 6666");
        QCOMPARE(background(), QColor(192, 255, 192));
        filters->setCurrentRow(ResultFilters.indexOf(Filters::ListSelection));
        p.click("cmdGateLog");
        QCOMPARE(listedCodes(p), AllCodes);
        QCOMPARE(filters->currentRow(), 0);
        QCOMPARE(background(), QColor(255, 255, 255));
        drillDown(p, "1111");
        QCOMPARE(filters->currentItem()->text(), Filters::ListSelection);
        QCOMPARE(background(), QColor(192, 255, 192));
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
        Prompts::queueAnswer(true);
        Prompts::queueAnswer(false);
        p.click("cmdPrintLog");
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY(!QFile::exists(p.folder.file("report.pdf")));

        // clang-format off
        QStringList expected{"Acme Storage", "1 Main St", "Springfield, IL 62701", "Phone: (217) 555-0100",
                             "Log for Dates From 12/28/2025 to 1/7/2026", "Record Filter ALL", QString(59, '-')};
        // clang-format on
        for (const QString &line : p.w->logLines().lines())
            expected << line.simplified();
        QCOMPARE(printToPdf(p), expected);
        QCOMPARE(Prompts::takeMessages(), QStringList{"Saved to " + p.folder.file("report.pdf")});

        drillDown(p, "1111");
        QVERIFY(printToPdf(p).contains("Record Filter List Selection"));
    }

    // The purge takes the open view's rows through 1/5/2026.
    void purge_data()
    {
        // clang-format off
        QTest::addColumn<QString>("lookUp");
        QTest::addColumn<bool>("decideMeanwhile");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("kept");
        QTest::newRow("after start-up: the whole table") << "" << false << true << "44 77";
        QTest::newRow("after a look-up: that customer") << "42" << false << true << "5555 9999 6666 44 77";
        QTest::newRow("a decision during the question") << "42" << true << true << "5555 9999 6666 44 77 4444";
        QTest::newRow("No") << "" << false << false << AllCodes;
        // clang-format on
    }

    void purge()
    {
        QFETCH(QString, lookUp);
        QFETCH(bool, decideMeanwhile);
        QFETCH(bool, yes);
        QFETCH(QString, kept);
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
        p.find<QDateTimeEdit>("DTPicker1(4)")->setDate(QDate(2026, 1, 5));
        Prompts::queueAnswer(yes);
        p.click("cmdClearLog");
        QCOMPARE(Prompts::takeAsked(), QStringList{"Delete Log Records 1/5/2026 and Older?"});
        QVERIFY(p.w->logLines().lines().isEmpty());
        p.click("cmdGateLog");
        QCOMPARE(listedCodes(p), kept);
    }
};

QTEST_MAIN(TestLogView)
#include "test_log_view.moc"
