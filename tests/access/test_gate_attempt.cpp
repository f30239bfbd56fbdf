#include "access/gate_attempt.h"
#include "support/start_folder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <cstdio>

namespace {

// The last second of a day: a stamp taken from a later reading lands on the next day.
const QDateTime Now(QDate(2026, 3, 10), QTime(23, 59, 59));

// Unit 1234 granted (a later row with the code is locked), 2222 locked and also
// a master code, 4444 locked and expired but excluded; master 9999 twice.
const char *const SampleCodes =
    "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, fldStatus, "
    "fldUnitName, fldCustID, fldGateTimeZone, fldGateExpireDate, fldGateExclude) VALUES "
    "('1234', 'Ann', 'Smith', 'Rented', 'B12', 345, 0, '000000', 0),"
    "('1234', 'Dup', 'Later', 'Locked', 'X1', 999, 0, '000000', 0),"
    "('2222', 'Bob', 'Jones', 'Locked', 'C7', 346, 0, '000000', 0),"
    "('4444', 'Eve', 'Stone', 'Locked', 'D4', 347, 0, '010120', 'Yes');"
    "INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, fldFirstName, fldLastName, "
    "fldUnitNumber, fldTimeZone, fldExpireDate) VALUES "
    "(5, '9999', 'Site', 'Manager', 'OFFICE', 0, '000000'),"
    "(6, '9999', 'Never', 'Seen', 'GATE', 0, '000000'),"
    "(7, '2222', 'Never', 'Seen', 'GATE', 0, '000000')";

// A start folder connected as the station connects it, with a gate that counts openings.
struct Attempts {
    StartFolder folder;
    StationSettings settings;
    StationData data;
    GateLogWriter writer;
    int openings = 0;
    GateAttempt attempt{data, writer, settings, [this] {
                            ++openings;
                            return true;
                        }};

    Attempts()
    {
        folder.makeStandard();
        folder.exec("Data.gsd", SampleCodes);
        settings = folder.settings();
        StationData::buildConnectionStrings(settings);
        QString error;
        if (!data.connectAll(settings, &error) || !writer.open(settings.GateDbPath, &error))
            qFatal("%s", qPrintable(error));
    }

    GateAttempt::Outcome run(const QString &code) { return attempt.run(code, "In", Now); }

    // Every row of the log, its columns joined by "|", rows by ";".
    QString log() const
    {
        return folder
            .value("Gate.gsd", "select group_concat(fldDateTime || '|' || fldCode || '|' || "
                               "fldReult || '|' || fldCustomer || '|' || fldUnitNumber || '|' || "
                               "fldCustID || '|' || fldZone, ';') from tblGateLog")
            .toString();
    }
};

} // namespace

class TestGateAttempt : public QObject {
    Q_OBJECT

private slots:
    void decisions_data()
    {
        // clang-format off
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("row"); // result, customer, unit, ID
        QTest::addColumn<bool>("opens");
        QTest::newRow("first of two unit rows") << "1234" << "Valid|Smith, Ann|B12|345" << true;
        QTest::newRow("first of two master rows") << "9999" << "Valid|Manager, Site|OFFICE|10000005" << true;
        QTest::newRow("unit wins over master") << "2222" << "Locked Out|Jones, Bob|C7|346" << false;
        QTest::newRow("text as exclusion flag") << "4444" << "Exclude|Stone, Eve|D4|347" << true;
        QTest::newRow("invalid") << "5555" << "Invalid|Invalid|Invalid|0" << false;
        // clang-format on
    }

    void decisions()
    {
        QFETCH(QString, code);
        QFETCH(QString, row);
        QFETCH(bool, opens);
        Attempts a;
        const GateAttempt::Outcome outcome = a.run(code);
        QCOMPARE(outcome.status, GateAttempt::Outcome::Logged);
        QCOMPARE(outcome.result, row.section('|', 0, 0));
        QCOMPARE(outcome.opened, opens);
        QCOMPARE(a.openings, opens ? 1 : 0);
        QCOMPARE(a.log(), "2026-03-10 23:59:59|" + code + "|" + row + "|In");
    }

    // Another program holds the log: a reader never stops the row; a writer
    // sends it to the spool and the gate opens at once; with no spool either,
    // the opening is reported as not logged.
    void lockedLog_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("lock");
        QTest::addColumn<bool>("spoolBlocked");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("why");
        QTest::addColumn<bool>("decided");
        const QStringList reader{"BEGIN", "select * from tblGateLog"};
        const QStringList writer{"BEGIN IMMEDIATE"};
        QTest::newRow("reader") << reader << false << "1234" << "" << true;
        QTest::newRow("writer, grant") << writer << false << "1234" << "database is locked" << true;
        QTest::newRow("writer, refusal") << writer << false << "2222" << "database is locked" << true;
        QTest::newRow("writer, no spool") << writer << true << "1234" << "gate opened, but not logged: " << false;
        // clang-format on
    }

    void lockedLog()
    {
        QFETCH(QStringList, lock);
        QFETCH(bool, spoolBlocked);
        QFETCH(QString, code);
        QFETCH(QString, why);
        QFETCH(bool, decided);
        Attempts a;
        if (spoolBlocked)
            QVERIFY(QDir().mkdir(a.writer.spoolPath()));
        GateAttempt::Outcome outcome;
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-program");
            other.setDatabaseName(a.folder.file("Gate.gsd"));
            QVERIFY(other.open());
            QSqlQuery held(other);
            for (const QString &statement : lock)
                QVERIFY(held.exec(statement));
            outcome = a.run(code);
            other.close(); // lets go
        }
        QSqlDatabase::removeDatabase("other-program");
        QCOMPARE(outcome.status,
                 decided ? GateAttempt::Outcome::Logged : GateAttempt::Outcome::NotDecided);
        QVERIFY2(outcome.why.left(why.size()) == why, qPrintable(outcome.why));
        QCOMPARE(a.openings, code == "1234" ? 1 : 0); // the gate never waits for the log
        QString flushed;
        a.writer.flushSpool(&flushed);
        QCOMPARE(a.log().count(code), decided ? 1 : 0);
    }

    // The connections stay open between keys, yet each key is decided on the
    // files as they are now: rows another program committed, a customer database
    // renamed over the old one, one removed or locked for a while. Rows for a gate
    // database replaced under the station wait in the spool.
    void eachKeySeesTheFilesAsTheyAreNow()
    {
        Attempts a;
        QCOMPARE(a.run("7777").result, "Invalid");
        a.folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                  "fldGateTimeZone) VALUES ('7777', 'Rented', 0)");
        QCOMPARE(a.run("7777").result, "Valid");

        a.folder.createDatabase("Data.new", {"customer.sql"});
        a.folder.exec("Data.new", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                  "fldGateTimeZone, fldCustID) VALUES ('8888', 'Rented', 0, 88)");
        QVERIFY(::rename(qPrintable(a.folder.file("Data.new")),
                         qPrintable(a.folder.file("Data.gsd"))) == 0);
        QCOMPARE(a.run("8888").result, "Valid");
        QCOMPARE(a.run("7777").result, "Invalid");

        QVERIFY(QFile::rename(a.folder.file("Data.gsd"), a.folder.file("Data.away")));
        QCOMPARE(a.run("8888").status, GateAttempt::Outcome::NotDecided);
        QVERIFY(QFile::rename(a.folder.file("Data.away"), a.folder.file("Data.gsd")));
        QCOMPARE(a.run("8888").result, "Valid");

        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other-program");
            other.setDatabaseName(a.folder.file("Data.gsd"));
            QVERIFY(other.open());
            QSqlQuery held(other);
            QVERIFY(held.exec("BEGIN EXCLUSIVE"));
            const int openings = a.openings;
            QVERIFY(a.run("8888").why.contains("locked"));
            QCOMPARE(a.openings, openings);
            other.close();
        }
        QSqlDatabase::removeDatabase("other-program");
        QCOMPARE(a.run("8888").result, "Valid");

        a.folder.createDatabase("Gate.new", {"gate.sql"});
        QVERIFY(::rename(qPrintable(a.folder.file("Gate.new")),
                         qPrintable(a.folder.file("Gate.gsd"))) == 0);
        QVERIFY(a.run("8888").why.startsWith("gate database removed or replaced"));
        QCOMPARE(a.writer.spooledRows(), 1);
    }

    void exitingSkipsEverything()
    {
        Attempts a;
        a.settings.ExitRequested = true;
        QVERIFY(QFile::remove(a.folder.file("Data.gsd"))); // nothing may be read
        QCOMPARE(a.run("1234").status, GateAttempt::Outcome::Skipped);
        QCOMPARE(a.openings, 0);
        QCOMPARE(a.log(), QString());
    }
};

QTEST_GUILESS_MAIN(TestGateAttempt)
#include "test_gate_attempt.moc"
