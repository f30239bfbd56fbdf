#include "access/result_words.h"
#include "data/station_data.h"
#include "logview/log_export.h"
#include "logview/log_list_model.h"
#include "logview/log_purge.h"
#include "logview/result_filter.h"
#include "support/start_folder.h"
#include "tables/csv_reader.h"

#include <QBuffer>
#include <QFile>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTest>
#include <cstdio>

namespace {

// Around 2026-03-07, out of time order: customers 1 and 2, results of both kinds.
const QString Sample = "('2026-03-07 23:59:59', 'last-2', 'Valid', 2), "
                       "('2026-03-08 00:00:00', 'next-1', 'Invalid', 1), "
                       "('2026-03-07 00:00:00', 'first-1', 'Exclude', 1), "
                       "('2026-03-06 23:59:59', 'before-2', NULL, 2)";
const QString AllRows = "last-2 next-1 first-1 before-2";
const QDate Day(2026, 3, 7);

// Nine rows written newest first, two to a second: p9 p7 p8 p5 p6 p3 p4 p1 p2 by time.
const QString Paged = "('2026-03-07 10:00:04', 'p1', '', 0), ('2026-03-07 10:00:04', 'p2', '', 0), "
                      "('2026-03-07 10:00:03', 'p3', '', 0), ('2026-03-07 10:00:03', 'p4', '', 0), "
                      "('2026-03-07 10:00:02', 'p5', '', 0), ('2026-03-07 10:00:02', 'p6', '', 0), "
                      "('2026-03-07 10:00:01', 'p7', '', 0), ('2026-03-07 10:00:01', 'p8', '', 0), "
                      "('2026-03-07 10:00:00', 'p9', '', 0)";

QString codeAt(const LogListModel &model, int row)
{
    return model.index(row).data().toString().mid(25, 10).trimmed();
}

// A standard folder's gate log holding `rows`, opened as the station opens it.
struct GateLog {
    StartFolder folder;
    StationSettings settings;
    StationData data;

    explicit GateLog(const QString &rows = Sample)
    {
        folder.makeStandard();
        folder.exec("Gate.gsd",
                    "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, fldCustID) VALUES " +
                        rows);
        settings = folder.settings();
        StationData::buildConnectionStrings(settings);
        if (!data.connectAll(settings, nullptr))
            qFatal("cannot open the gate log");
    }
    QSqlDatabase db() const { return data.AdoGateLog.database(); }
    // The codes a view lists, blank-separated, read in pages of two.
    QString listed(const LogSelection &view, const QString &filter = Filters::All) const
    {
        LogListModel model(nullptr, 2, 1);
        model.list(db(), view, filter, nullptr);
        QStringList codes;
        for (int row = 0; row < model.rowCount(); ++row)
            codes << codeAt(model, row);
        return codes.join(' ');
    }
    // What the file holds now, as written.
    QString stored() const
    {
        return folder.column("Gate.gsd", "SELECT fldCode FROM tblGateLog ORDER BY rowid").join(' ');
    }
};

} // namespace

class TestLogView : public QObject {
    Q_OBJECT

private slots:
    // The 89-character line: blanks pad a short field, a long one is cut. The
    // drill-down reads the customer ID back, or none from a cut one.
    void lines_data()
    {
        // clang-format off
        QTest::addColumn<LogRow>("row");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QVariant>("custId");
        QTest::newRow("padded")
            << LogRow{"2012-03-07 14:05:09", "In", "1234", "Valid", "B12", "Smith, Ann", "345"}
            << "03/07/12 02:05 PM  In    1234        Valid            B12 Smith, Ann                  345"
            << QVariant(345);
        QTest::newRow("cut")
            << LogRow{"", "Entrance", "123456789012", "TimeZone 12345", "UNIT-12345",
                      "Abcdefghijklmnopqrstuvwxyz1234", "123456789"}
            << QString(18, ' ') + " Entra 1234567890  TimeZone 123 UNIT-12 Abcdefghijklmnopqrstuv 1234567\u2026"
            << QVariant();
        QTest::newRow("widest ID") << LogRow{"", "", "", "", "", "", "-1234567"} << QString(81, ' ') + "-1234567" << QVariant(-1234567);
        QTest::newRow("no such day") << LogRow{"2026-02-30 10:00:00", "", "", "", "", "", ""} << "2026-02-30 10:00:0" << QVariant();
        // clang-format on
    }

    void lines()
    {
        QFETCH(LogRow, row);
        QFETCH(QString, line);
        QFETCH(QVariant, custId);
        QCOMPARE(logLine(row), line.leftJustified(89));
        const std::optional<qint32> readBack = customerIdOfLine(logLine(row));
        QCOMPARE(readBack ? QVariant(*readBack) : QVariant(), custId);
    }

    // The filter picks rows in SQL: whole words or the first three letters, case
    // and all; a result word (gatectl's --result) picks its own rows.
    void filters_data()
    {
        using namespace ResultWords;
        // clang-format off
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("passes");
        QTest::newRow("allowed: Valid") << Filters::AllowedAccess << Valid << true;
        QTest::newRow("allowed: Exclude") << Filters::AllowedAccess << Exclude << true;
        QTest::newRow("allowed: valid") << Filters::AllowedAccess << "valid" << false;
        QTest::newRow("allowed: Valid and a blank") << Filters::AllowedAccess << "Valid " << false;
        QTest::newRow("after hours") << Filters::AfterHours << AfterHours << true;
        QTest::newRow("expired: any Exp") << Filters::ExpiredDate << "Expired" << true;
        QTest::newRow("expired: exp") << Filters::ExpiredDate << "expired" << false;
        QTest::newRow("expired: Exclude") << Filters::ExpiredDate << Exclude << false;
        QTest::newRow("zone: any Tim") << Filters::TimeZone << "Time Zone" << true;
        QTest::newRow("list selection") << Filters::ListSelection << Invalid << true;
        QTest::newRow("a result word") << ManualOpen << ManualOpen << true;
        QTest::newRow("a result word, another result") << ManualOpen << ManualClose << false;
        QTest::newRow("unknown filter") << "valid" << Valid << false;
        QTest::newRow("a result word, its former word's row") << PadLocked << "Keypad Locked" << true;
        QTest::newRow("a former word, its new word's row") << "Keypad Locked" << PadLocked << true;
        // clang-format on
    }

    void filters()
    {
        QFETCH(QString, filter);
        QFETCH(QString, result);
        QFETCH(bool, passes);
        GateLog log(QStringLiteral("('2026-03-07 12:00:00', 'probe', '%1', 1)").arg(result));
        // Another tool declared the result column without regard to case.
        log.folder.exec("Gate.gsd",
                        "ALTER TABLE tblGateLog RENAME TO old; CREATE TABLE tblGateLog (fldID "
                        "INTEGER PRIMARY KEY, fldDateTime TEXT, fldCode TEXT, fldReult TEXT "
                        "COLLATE NOCASE, fldCustomer TEXT, fldUnitNumber TEXT, fldCustID INTEGER, "
                        "fldZone TEXT); INSERT INTO tblGateLog SELECT * FROM old; DROP TABLE old");
        QCOMPARE(log.listed(LogSelection::everything(), filter), passes ? "probe" : "");
    }

    // What a view lists (a range: whole days, in time order), and what purging it
    // through the day deletes: the day's last second goes, the next midnight
    // stays; the result filter narrows the list only.
    void views_data()
    {
        // clang-format off
        QTest::addColumn<LogSelection>("view");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("everything") << LogSelection::everything() << Filters::All << AllRows << "next-1";
        QTest::newRow("one customer") << LogSelection::customer(2) << Filters::All << "last-2 before-2" << "next-1 first-1";
        QTest::newRow("the day") << LogSelection::dateRange(Day, Day) << Filters::All << "first-1 last-2" << "next-1 before-2";
        QTest::newRow("the next day") << LogSelection::dateRange(Day.addDays(1), Day.addDays(1)) << Filters::All << "next-1" << AllRows;
        QTest::newRow("allowed, the day") << LogSelection::dateRange(Day, Day.addDays(1)) << Filters::AllowedAccess << "first-1 last-2" << "next-1 before-2";
        QTest::newRow("one customer, two days") << LogSelection::customerDateRange(1, Day, Day.addDays(1)) << Filters::All << "first-1 next-1" << "last-2 next-1 before-2";
        // clang-format on
    }

    void views()
    {
        QFETCH(LogSelection, view);
        QFETCH(QString, filter);
        QFETCH(QString, listed);
        QFETCH(QString, kept);
        GateLog log;
        QCOMPARE(log.listed(view, filter), listed);
        LogPurge purge(view, Day, 1);
        QVERIFY(purge.start(log.settings.GateConnectionString, nullptr));
        while (purge.step() == LogPurge::Step::Deleted) {
        }
        QCOMPARE(purge.stopReason(), QString());
        QCOMPARE(log.stored(), kept);
        QCOMPARE(purge.deleted(), 4 - kept.split(' ').size());
    }

    // The export, read back by the project's CSV reader, in pages of two: commas,
    // quotes, line breaks and letters beyond ASCII survive; a date another tool
    // wrote with a "T" comes out in the station's form.
    void exportRoundTrips()
    {
        GateLog log("('2026-03-07 10:00:00', '1', 'Valid', 7), "
                    "('2026-03-07 10:00:01', '2', 'Invalid', 0), "
                    "('2026-03-07T10:00:02', '3', 'Valid', 7)");
        const QStringList names{"G\u00f6del, \"Kurt\"", "\u0141ukasiewicz\r\nJan", "Ng"};
        QSqlQuery q(log.db());
        for (int i = 0; i < names.size(); ++i)
            QVERIFY(q.exec(QString("UPDATE tblGateLog SET fldCustomer = '%1' WHERE fldCode = '%2'")
                               .arg(QString(names[i]).replace("'", "''"))
                               .arg(i + 1)));
        LogListing listing;
        QVERIFY(listing.open(log.db(), LogSelection::dateRange(Day, Day), Filters::All, nullptr));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        qint64 written = 0;
        QVERIFY(
            LogExport::write(log.db(), listing, 2, LogExport::Format::Csv, out, written, nullptr));
        QCOMPARE(written, 3);
        QList<CsvRow> csv;
        QVERIFY(parseCsvFile(out.data(), csv, nullptr));
        QList<QStringList> read;
        for (const CsvRow &row : csv) {
            read << QStringList();
            for (const CsvField &field : row)
                read.last() << field.text;
        }
        QCOMPARE(read, (QList<QStringList>{
                           logColumnTitles(),
                           {"2026-03-07 10:00:00", "", "1", "Valid", "", names[0], "7"},
                           {"2026-03-07 10:00:01", "", "2", "Invalid", "", names[1], "0"},
                           {"2026-03-07 10:00:02", "", "3", "Valid", "", names[2], "7"}}));
    }

    // Pages of two read in any order, only one kept: each is read from the
    // nearer end or next to the page before, and rows of one second keep their order.
    void pages_data()
    {
        // clang-format off
        QTest::addColumn<LogSelection>("view");
        QTest::addColumn<QList<int>>("visits");
        QTest::addColumn<QString>("listed");
        const LogSelection range = LogSelection::dateRange(Day, Day);
        const QString byTime = "p9 p7 p8 p5 p6 p3 p4 p1 p2";
        QTest::newRow("by time, down") << range << QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8} << byTime;
        QTest::newRow("by time, jumps") << range << QList<int>{0, 8, 4, 3, 5, 1, 7, 2, 6} << byTime;
        QTest::newRow("as written, jumps") << LogSelection::everything() << QList<int>{0, 8, 4, 3, 5, 1, 7, 2, 6}
                                           << "p1 p2 p3 p4 p5 p6 p7 p8 p9";
        // clang-format on
    }

    void pages()
    {
        QFETCH(LogSelection, view);
        QFETCH(QList<int>, visits);
        QFETCH(QString, listed);
        GateLog log(Paged);
        LogListModel model(nullptr, 2, 1);
        QVERIFY(model.list(log.db(), view, Filters::All, nullptr));
        QStringList codes(model.rowCount());
        for (int row : visits)
            codes[row] = codeAt(model, row);
        QCOMPARE(codes.join(' '), listed);
    }

    // A page is read when first shown, from the log as it was when listed, and
    // only the pages last shown are kept.
    void linesAreReadAsShown()
    {
        GateLog log(Paged);
        LogListModel model(nullptr, 2, 1);
        QVERIFY(model.list(log.db(), LogSelection::everything(), Filters::All, nullptr));
        log.folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldCode) VALUES ('late')");
        QCOMPARE(codeAt(model, 8), "p9");
        log.folder.exec("Gate.gsd", "DELETE FROM tblGateLog WHERE fldCode <> 'late'");
        QCOMPARE(codeAt(model, 8), "p9");
        QCOMPARE(codeAt(model, 0), "");
        QCOMPARE(codeAt(model, 8), "");
        QSignalSpy failed(&model, &LogListModel::readFailed);
        log.folder.exec("Gate.gsd", "DROP TABLE tblGateLog");
        QCOMPARE(codeAt(model, 4), "");
        QCOMPARE(failed.size(), 1);
    }

    // A purge of the whole log through the day, a row at a time: before-2,
    // first-1, then last-2. After the first row goes, something may stop it;
    // rows written meanwhile stay.
    void purgeStops_data()
    {
        // clang-format off
        QTest::addColumn<QString>("after1");
        QTest::addColumn<qint64>("deleted");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing") << "" << 3LL << "next-1" << "";
        QTest::newRow("cancelled") << "cancel" << 1LL << "last-2 next-1 first-1" << "";
        QTest::newRow("locked") << "lock" << 1LL << "last-2 next-1 first-1" << "stayed locked (database is locked";
        QTest::newRow("locked a while") << "lock briefly" << 3LL << "next-1" << "";
        QTest::newRow("a row refused") << "refuse" << 2LL << "last-2 next-1" << "kept";
        QTest::newRow("a row written") << "write" << 3LL << "next-1 written" << "";
        QTest::newRow("replaced") << "replace" << 1LL << "last-2 next-1 first-1" << "is gone or was replaced";
        QTest::newRow("removed") << "remove" << 1LL << "" << "is gone or was replaced";
        // clang-format on
    }

    void purgeStops()
    {
        QFETCH(QString, after1);
        QFETCH(qint64, deleted);
        QFETCH(QString, kept);
        QFETCH(QString, reason);
        GateLog log;
        LogPurge purge(LogSelection::everything(), Day, 1);
        QVERIFY(purge.start(log.settings.GateConnectionString, nullptr));
        QCOMPARE(purge.total(), 3LL);
        QCOMPARE(purge.step(), LogPurge::Step::Deleted);
        QSqlQuery locker(log.db());
        if (after1.startsWith("lock"))
            QVERIFY(locker.exec("BEGIN IMMEDIATE"));
        if (after1 == "refuse")
            log.folder.execStatement(
                "Gate.gsd", "CREATE TRIGGER keep BEFORE DELETE ON tblGateLog "
                            "WHEN old.fldCode = 'last-2' BEGIN SELECT RAISE(ABORT, 'kept'); END");
        if (after1 == "write")
            log.folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldDateTime, fldCode) "
                                        "VALUES ('2026-03-01 00:00:00', 'written')");
        const QString file = log.folder.file("Gate.gsd");
        if (after1 == "replace") {
            QVERIFY(locker.exec("VACUUM INTO '" + file + ".copy'"));
            QVERIFY(std::rename(qPrintable(file + ".copy"), qPrintable(file)) == 0);
        }
        if (after1 == "remove")
            QVERIFY(QFile::remove(file));
        int lockedSteps = 0;
        LogPurge::Step step = LogPurge::Step::Deleted;
        while (after1 != "cancel" && step == LogPurge::Step::Deleted) {
            while ((step = purge.step()) == LogPurge::Step::Locked) {
                if (++lockedSteps == 2 && after1 == "lock briefly")
                    QVERIFY(locker.exec("ROLLBACK"));
            }
        }
        if (after1 == "lock") {
            QCOMPARE(lockedSteps, LogPurge::LockedTries - 1);
            QVERIFY(locker.exec("ROLLBACK"));
        }
        QCOMPARE(purge.deleted(), deleted);
        QCOMPARE(step == LogPurge::Step::Stopped, !reason.isEmpty());
        QVERIFY2(purge.stopReason().contains(reason), qPrintable(purge.stopReason()));
        if (after1 != "remove")
            QCOMPARE(log.stored(), kept);
    }
};

QTEST_GUILESS_MAIN(TestLogView)
#include "test_log_view.moc"
