#include "logview/log_list_model.h"
#include "logview/log_purge.h"
#include "support/window_probe.h"

#include <QAction>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTest>

namespace {

QString stamp(const QDate &day, const QString &time)
{
    return day.toString("yyyy-MM-dd ") + time;
}

// Rows of customers 1 and 2 on the day before, today at 23:59, just after midnight.
void addRows(StartFolder &folder)
{
    const QDate today = QDate::currentDate();
    folder.exec("Gate.gsd",
                QStringLiteral("INSERT INTO tblGateLog (fldDateTime, fldCode, fldCustID) VALUES "
                               "('%1', 'yesterday-1', 1), ('%2', 'late-2', 2),"
                               "('%3', 'tomorrow-1', 1), ('%1', 'yesterday-2', 2)")
                    .arg(stamp(today.addDays(-1), "10:00:00"), stamp(today, "23:59:00"),
                         stamp(today.addDays(1), "00:00:01")));
}

QStringList remaining(const WindowProbe &p)
{
    QStringList codes;
    for (const QVariantList &row :
         p.folder.rows("Gate.gsd", "select fldCode from tblGateLog order by fldID"))
        codes << row.value(0).toString();
    return codes;
}

void purgeThrough(const WindowProbe &p, const QDate &day, bool answer)
{
    p.find<QAction>("mnuSettings")->trigger();
    p.find<QDateTimeEdit>("DTPicker1(4)")->setDate(day);
    Prompts::queueAnswer(answer);
    p.click("cmdClearLog");
}

} // namespace

class TestLogPurge : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }

    void afterStartUpTheWholeTableCounts()
    {
        WindowProbe p(addRows);
        purgeThrough(p, QDate::currentDate(), true);
        QCOMPARE(Prompts::takeAsked(),
                 QStringList{QStringLiteral("Delete Log Records %1 and Older?")
                                 .arg(QDate::currentDate().toString("M/d/yyyy"))});
        QCOMPARE(remaining(p), QStringList{"tomorrow-1"});
        QVERIFY(p.w->logLines().lines().isEmpty());
    }

    void aRangeAfterThePurgeDayDeletesNothing()
    {
        WindowProbe p(addRows);
        p.find<QDateTimeEdit>("DTPicker1(2)")->setDate(QDate::currentDate().addDays(1));
        p.find<QDateTimeEdit>("DTPicker1(3)")->setDate(QDate::currentDate().addDays(1));
        p.click("cmdGateLog");
        purgeThrough(p, QDate::currentDate(), true);
        QCOMPARE(remaining(p).size(), 4);
    }

    void afterALookUpOnlyThatCustomersRowsGo()
    {
        WindowProbe p(addRows);
        Prompts::queueAnswer("2");
        p.click("cmdFilterCustomerID");
        Prompts::takeAsked();
        purgeThrough(p, QDate::currentDate(), true);
        QCOMPARE(remaining(p), (QStringList{"yesterday-1", "tomorrow-1"}));
    }

    // A decision while the question is open lists the recent days again; the
    // purge still takes only the customer it asked about.
    void aDecisionDuringTheQuestionDoesNotWidenThePurge()
    {
        WindowProbe p(addRows);
        Prompts::queueAnswer("2");
        p.click("cmdFilterCustomerID");
        Prompts::takeAsked();
        Prompts::whileNextBoxIsOpen([&] {
            p.find<QLineEdit>("txtCheckCode")->setText("4444");
            p.click("cmdCheckCode");
        });
        purgeThrough(p, QDate::currentDate(), true);
        QCOMPARE(remaining(p), (QStringList{"yesterday-1", "tomorrow-1", "4444"}));
        QVERIFY(p.w->logLines().lines().isEmpty());
    }

    void noDeletesNothingAndLeavesTheListEmpty()
    {
        WindowProbe p(addRows);
        p.find<QDateTimeEdit>("DTPicker1(2)")->setDate(QDate::currentDate().addDays(-1));
        p.click("cmdGateLog");
        QVERIFY(!p.w->logLines().lines().isEmpty());
        purgeThrough(p, QDate::currentDate(), false);
        QCOMPARE(remaining(p).size(), 4);
        QVERIFY(p.w->logLines().lines().isEmpty());
    }

    void anEmptyViewAsksNothing()
    {
        WindowProbe p;
        purgeThrough(p, QDate::currentDate(), true);
        QCOMPARE(Prompts::takeAsked(), QStringList());
    }

    // A failure part-way deletes nothing at all.
    void allRowsOrNone()
    {
        WindowProbe p(addRows);
        p.folder.execStatement(
            "Gate.gsd", "CREATE TRIGGER keep BEFORE DELETE ON tblGateLog "
                        "WHEN old.fldCode = 'late-2' BEGIN SELECT RAISE(ABORT, 'kept'); END");
        purgeThrough(p, QDate::currentDate(), true);
        const QStringList messages = Prompts::takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].startsWith("No log records were deleted"));
        QCOMPARE(remaining(p).size(), 4);
        // and the log still takes new rows: no transaction was left open
        p.find<QLineEdit>("txtCheckCode")->setText("4444");
        p.click("cmdCheckCode");
        QCOMPARE(remaining(p).size(), 5);
    }
};

QTEST_MAIN(TestLogPurge)
#include "test_log_purge.moc"
