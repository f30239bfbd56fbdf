#include "data/station_data.h"
#include "logview/log_line.h"
#include "logview/log_query.h"
#include "logview/result_filter.h"
#include "support/start_folder.h"

#include <QTest>

namespace {

LogRow row(const QString &result)
{
    return LogRow{"2012-03-07 14:05:09", "In", "1234", result, "B12", "Smith, Ann", "345"};
}

} // namespace

class TestLogView : public QObject {
    Q_OBJECT

private slots:
    void lineLayout()
    {
        const QString line = logLine(row("Valid"));
        QCOMPARE(line.size(), 89);
        QCOMPARE(line, QStringLiteral("03/07/12 02:05 PM  In    1234        Valid            "
                                      "B12 Smith, Ann                  345"));
        QCOMPARE(line.mid(81), QStringLiteral("     345"));
    }

    void fieldsAreCutAndPadded()
    {
        LogRow r{"",
                 "Entrance",
                 "123456789012",
                 "TimeZone 12345",
                 "UNIT-12345",
                 "Abcdefghijklmnopqrstuvwxyz1234",
                 "123456789"};
        const QString line = logLine(r);
        QCOMPARE(line.size(), 89);
        QCOMPARE(line.left(18), QString(18, ' '));
        QCOMPARE(line.mid(19, 5), QStringLiteral("Entra"));
        QCOMPARE(line.mid(25, 10), QStringLiteral("1234567890"));
        QCOMPARE(line.mid(35, 2), QStringLiteral("  "));
        QCOMPARE(line.mid(37, 12), QStringLiteral("TimeZone 123"));
        QCOMPARE(line.mid(50, 7), QStringLiteral("UNIT-12"));
        QCOMPARE(line.mid(58, 22), QStringLiteral("Abcdefghijklmnopqrstuv"));
        QCOMPARE(line.mid(81, 8), QStringLiteral("12345678"));
    }

    void dateTexts_data()
    {
        // clang-format off
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::newRow("afternoon") << "2012-03-07 14:05:09" << "03/07/12 02:05 PM";
        QTest::newRow("midnight") << "2026-12-06 00:00:00" << "12/06/26 12:00 AM";
        QTest::newRow("noon") << "2026-12-06 12:30:00" << "12/06/26 12:30 PM";
        QTest::newRow("no date") << "garbage" << "garbage";
        QTest::newRow("no such day") << "2026-02-30 10:00:00" << "2026-02-30 10:00:00";
        QTest::newRow("ISO with T") << "2026-12-06T23:15:00" << "12/06/26 11:15 PM";
        // clang-format on
    }

    void dateTexts()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QCOMPARE(logDateText(stored), shown);
    }

    void headingsStandOverTheirColumns()
    {
        const QString headings = logHeadings();
        QCOMPARE(headings.indexOf("Zone"), 19);
        QCOMPARE(headings.indexOf("Code"), 25);
        QCOMPARE(headings.indexOf("Result"), 37);
        QCOMPARE(headings.indexOf("Unit") + 4, 57);
        QCOMPARE(headings.indexOf("Customer"), 58);
        QCOMPARE(headings.indexOf("Cust ID") + 7, 89);
    }

    void filters_data()
    {
        // clang-format off
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("listed");
        QTest::newRow("ALL") << "ALL" << "anything" << true;
        QTest::newRow("List Selection") << "List Selection" << "" << true;
        QTest::newRow("allowed: Valid") << "Allowed Access" << "Valid" << true;
        QTest::newRow("allowed: Exclude") << "Allowed Access" << "Exclude" << true;
        QTest::newRow("allowed: 'Valid '") << "Allowed Access" << "Valid " << false;
        QTest::newRow("after hours") << "After Hours" << "After Hours" << true;
        QTest::newRow("locked out") << "Locked Out" << "Locked Out" << true;
        QTest::newRow("locked out: lower case") << "Locked Out" << "locked out" << false;
        QTest::newRow("expired: Exp date") << "Expired Date" << "Exp 3/15/12" << true;
        QTest::newRow("expired: any Exp text") << "Expired Date" << "Expensive" << true;
        QTest::newRow("expired: exp") << "Expired Date" << "exp 3/15/12" << false;
        QTest::newRow("time zone") << "Time Zone?" << "TimeZone 7" << true;
        QTest::newRow("time zone: Tim") << "Time Zone?" << "Timer" << true;
        QTest::newRow("invalid") << "Invalid Number" << "Invalid" << true;
        QTest::newRow("invalid: Valid") << "Invalid Number" << "Valid" << false;
        QTest::newRow("no entry") << "" << "Valid" << false;
        // clang-format on
    }

    void filters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, result);
        QFETCH(bool, listed);
        QCOMPARE(passesFilter(filter, result), listed);
    }

    void dateRangeCoversWholeDays()
    {
        StartFolder folder;
        folder.makeStandard();
        folder.exec("Gate.gsd",
                    "INSERT INTO tblGateLog (fldDateTime, fldCode) VALUES "
                    "('2012-03-06 23:59:59', 'before'), ('2012-03-07 00:00:00', 'first'),"
                    "('2012-03-09 23:59:30', 'last minute'), "
                    "('2012-03-08 12:00:00', 'middle'), "
                    "('2012-03-10 00:00:00', 'after')");
        StationSettings s = folder.settings();
        StationData::buildConnectionStrings(s);
        StationData data;
        QVERIFY(data.connectAll(s, nullptr));
        QList<LogRow> rows;
        QString error;
        QVERIFY2(queryLog(data.AdoGateLog.database(),
                          LogSelection::dateRange(QDate(2012, 3, 7), QDate(2012, 3, 9)), rows,
                          &error),
                 qPrintable(error));
        QStringList codes;
        for (const LogRow &r : rows)
            codes << r.code;
        QCOMPARE(codes, (QStringList{"first", "middle", "last minute"}));

        QVERIFY(queryLog(data.AdoGateLog.database(),
                         LogSelection::dateRange(QDate(2012, 3, 9), QDate(2012, 3, 7)), rows,
                         nullptr));
        QVERIFY(rows.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLogView)
#include "test_log_view.moc"
