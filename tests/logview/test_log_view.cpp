#include "access/result_words.h"
#include "data/station_data.h"
#include "logview/log_purge.h"
#include "logview/result_filter.h"
#include "support/start_folder.h"

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

} // namespace

class TestLogView : public QObject {
    Q_OBJECT

private slots:
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
        QTest::newRow("expired: dated") << Filters::ExpiredDate << ExpiredPrefix + "3/15/12" << true;
        QTest::newRow("expired: any Exp") << Filters::ExpiredDate << "Expired" << true;
        QTest::newRow("expired: Exclude") << Filters::ExpiredDate << Exclude << false;
        QTest::newRow("zone: numbered") << Filters::TimeZone << TimeZonePrefix + "7" << true;
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
};

QTEST_GUILESS_MAIN(TestLogView)
#include "test_log_view.moc"
