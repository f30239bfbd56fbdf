#include "logview/log_list_model.h"
#include "logview/log_report.h"
#include "support/window_probe.h"

#include <QDateTimeEdit>
#include <QFile>
#include <QListView>
#include <QListWidget>
#include <QPrinterInfo>
#include <QProcess>
#include <QTest>

namespace {

void company(StartFolder &folder, const QString &phone)
{
    StationSettings s = folder.settings();
    s.CompanyName = "Acme Storage";
    s.CompanyAddress = "1 Main St";
    s.CompanyCityStateZip = "Springfield, IL  62701";
    s.CompanyPhone = phone;
    folder.writeSettings(s);
}

void logRows(const StartFolder &folder, int count)
{
    QStringList values;
    for (int i = 0; i < count; ++i)
        values << QStringLiteral(
                      "('2026-01-%1 %2:%3:00', '%4', 'Valid', 'Smith, Ann', 'B12', 42, 'In')")
                      .arg(1 + i / 100, 2, 10, QLatin1Char('0'))
                      .arg(i / 60 % 24, 2, 10, QLatin1Char('0'))
                      .arg(i % 60, 2, 10, QLatin1Char('0'))
                      .arg(1000 + i);
    folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer,"
                            " fldUnitNumber, fldCustID, fldZone) VALUES " +
                                values.join(','));
}

void listJanuary(const WindowProbe &p)
{
    p.find<QDateTimeEdit>("DTPicker1(2)")->setDate(QDate(2026, 1, 1));
    p.find<QDateTimeEdit>("DTPicker1(3)")->setDate(QDate(2026, 1, 31));
    p.click("cmdGateLog");
}

// Prints with the answers Yes (print), Yes (to a PDF file), the file name.
QStringList printToPdf(const WindowProbe &p)
{
    const QString pdf = p.folder.file("report.pdf");
    Prompts::queueAnswer(true);
    Prompts::queueAnswer(true);
    Prompts::queueAnswer(pdf);
    p.click("cmdPrintLog");
    QProcess text;
    text.start("pdftotext", {"-layout", pdf, "-"});
    if (!text.waitForFinished(30000))
        return {};
    QStringList lines;
    for (const QString &line : QString::fromUtf8(text.readAllStandardOutput()).split('\n')) {
        const QString simplified = line.simplified().remove(QChar('\f'));
        if (!simplified.isEmpty())
            lines << simplified;
    }
    return lines;
}

QStringList simplified(const QStringList &lines)
{
    QStringList out;
    for (const QString &line : lines)
        out << line.simplified();
    return out;
}

} // namespace

class TestLogReport : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        Prompts::startRecording();
        if (!QPrinterInfo::defaultPrinter().isNull())
            QSKIP("this machine has a default printer; the report would go to it");
    }

    void reportLines()
    {
        StationSettings s;
        s.CompanyName = "Acme";
        const QStringList lines =
            logReportLines(s, QDate(2012, 3, 7), QDate(2012, 3, 9), "ALL", {"line"});
        QCOMPARE(lines,
                 (QStringList{"Acme", "", "", "Phone: ", "Log for Dates From 3/7/2012 to 3/9/2012",
                              "Record Filter ALL", QString(59, '-'), "line"}));
    }

    void oneLineListPrintsEightLines()
    {
        WindowProbe p([](StartFolder &f) {
            company(f, "(217) 555-0100");
            logRows(f, 1);
        });
        listJanuary(p);
        const QStringList printed = printToPdf(p);
        QCOMPARE(printed,
                 simplified({"Acme Storage", "1 Main St", "Springfield, IL  62701",
                             "Phone: (217) 555-0100", "Log for Dates From 1/1/2026 to 1/31/2026",
                             "Record Filter ALL", QString(59, '-'), p.w->logLines().lines()[0]}));
        QCOMPARE(Prompts::takeMessages(), QStringList{"Saved to " + p.folder.file("report.pdf")});
        QVERIFY(!p.find<QListView>("lstLog")->selectionModel()->hasSelection());
    }

    void everyLineOfALongListIsPrinted()
    {
        WindowProbe p([](StartFolder &f) {
            company(f, "");
            logRows(f, 300);
        });
        listJanuary(p);
        QCOMPARE(p.w->logLines().lines().size(), 300);
        const QStringList printed = printToPdf(p);
        QVERIFY(printed.contains("Phone:"));
        QCOMPARE(printed.size(), 7 - 0 + 300); // the empty phone still prints its line
        QCOMPARE(printed.last(), p.w->logLines().lines().last().simplified());
    }

    void afterADrillDownTheFilterLineSaysListSelection()
    {
        WindowProbe p([](StartFolder &f) {
            company(f, "1");
            logRows(f, 2);
        });
        listJanuary(p);
        auto *view = p.find<QListView>("lstLog");
        const QModelIndex first = view->model()->index(0, 0);
        view->setCurrentIndex(first);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(first).center());
        QCOMPARE(p.w->logLines().lines().size(), 2);
        const QStringList printed = printToPdf(p);
        QVERIFY(printed.contains("Record Filter List Selection"));
    }

    void noPrintsNothing()
    {
        WindowProbe p([](StartFolder &f) { logRows(f, 3); });
        listJanuary(p);
        Prompts::queueAnswer(false);
        p.click("cmdPrintLog");
        QCOMPARE(Prompts::takeAsked(), QStringList{"Print Log Records "});
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QCOMPARE(p.find<QListView>("lstLog")->currentIndex().row(), 2); // selection kept
    }

    void emptyListAsksNothing()
    {
        WindowProbe p;
        p.click("cmdPrintLog");
        QCOMPARE(Prompts::takeAsked(), QStringList());
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    void declinedPdfIsNotReportedAsPrinted()
    {
        WindowProbe p([](StartFolder &f) { logRows(f, 1); });
        listJanuary(p);
        Prompts::queueAnswer(true);
        Prompts::queueAnswer(false);
        p.click("cmdPrintLog");
        QCOMPARE(Prompts::takeAsked().size(), 2);
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY(!QFile::exists(p.folder.file("report.pdf")));
    }
};

QTEST_MAIN(TestLogReport)
#include "test_log_report.moc"
