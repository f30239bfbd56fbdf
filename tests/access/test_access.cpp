// The access rules, then the gate attempt and the log writer under it: what is
// decided, opened and logged, and where a row goes when the log does not take it at once.
#include "access/access_rules.h"
#include "access/gate_attempt.h"
#include "access/gate_event_record.h"
#include "access/keypad_keys.h"
#include "access/keypad_lockout.h"
#include "support/flag_texts.h"
#include "support/other_program.h"
#include "support/start_folder.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <cstdio>
#include <functional>

using Result = GateLogWriter::Result;

namespace {

const QList<ZoneRow> Zones = {
    {"1", "08:00:00", "18:00:00"}, {"2", "22:00:00", "06:00:00"}, {"3", "00:00:00", "00:00:00"},
    {"4", "07:00:00", "20:00:00"}, {"4", "00:00:00", "00:01:00"}, // duplicate: never seen
    {"5", "25:00:00", "06:00:00"},
};

const QString Noon = "2026-03-10 12:00:00";

UnitRow unit(const QString &zone, const QString &status = "Rented",
             const QString &expiry = "000000", const QString &exclude = "0")
{
    return UnitRow{"1234", "Ann", "Smith", status, "B12", "345", zone, expiry, exclude};
}

MasterRow master(const QString &zone, const QString &expiry = "000000")
{
    return MasterRow{"5", "9999", "Site", "Manager", "OFFICE", zone, expiry};
}

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

void sampleCodes(const StartFolder &folder)
{
    folder.exec("Data.gsd", SampleCodes);
}

// Both code columns declared as another tool may declare them, holding the
// units' codes (SQL values; units U1, U2, ... in rowid order) and master 5's.
std::function<void(const StartFolder &)>
declaredCodes(const QString &declaration, const QStringList &units, const QString &master)
{
    return [=](const StartFolder &folder) {
        for (const auto &[table, column] : {std::pair{"tblUnitInfo", "fldGateCode"},
                                            std::pair{"tblVextraMasterCodes", "fldPassCode"}}) {
            const QString ddl =
                folder
                    .value("Data.gsd",
                           QString("select sql from sqlite_master where name = '%1'").arg(table))
                    .toString();
            folder.exec("Data.gsd", QString("DROP TABLE %1").arg(table));
            folder.execStatement("Data.gsd", QString(ddl).replace(QString(column) + " TEXT",
                                                                  column + (" " + declaration)));
        }
        for (int i = 0; i < units.size(); ++i)
            folder.exec("Data.gsd", QString("INSERT INTO tblUnitInfo (fldGateCode, fldUnitName, "
                                            "fldStatus, fldGateTimeZone, fldGateExpireDate) "
                                            "VALUES (%1, 'U%2', 'Rented', 0, '000000')")
                                        .arg(units[i])
                                        .arg(i + 1));
        if (!master.isEmpty())
            folder.exec("Data.gsd", QString("INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, "
                                            "fldUnitNumber, fldTimeZone, fldExpireDate) VALUES "
                                            "(5, %1, 'OFFICE', 0, '000000')")
                                        .arg(master));
    };
}

const QString EveryColumn = "fldDateTime || '|' || fldCode || '|' || fldReult || '|' || "
                            "fldCustomer || '|' || fldUnitNumber || '|' || fldCustID || '|' || "
                            "fldZone";

// A start folder connected as the station connects it, with a gate that counts openings.
struct Gate {
    StartFolder folder;
    StationSettings settings;
    StationData data;
    GateLogWriter writer;
    int openings = 0;
    GateAttempt attempt{data, writer, settings, [this] {
                            ++openings;
                            return true;
                        }};

    // `codes` fills the customer database. With `ownMap` another program holds
    // its write lock while the station connects, so no index can be made there.
    explicit Gate(const std::function<void(const StartFolder &)> &codes = sampleCodes,
                  bool ownMap = false)
    {
        folder.makeStandard();
        codes(folder);
        settings = folder.settings();
        StationData::buildConnectionStrings(settings);
        QString error;
        const OtherProgram other(folder.file("Data.gsd"),
                                 ownMap ? QStringList{"BEGIN IMMEDIATE"} : QStringList{});
        if (!data.connectAll(settings, &error) || !writer.open(settings.GateDbPath, &error))
            qFatal("%s", qPrintable(error));
    }

    GateAttempt::Outcome run(const QString &code) { return attempt.run(code, "In", Now); }
    Result write(const QString &code, QString *why = nullptr, const QString &custId = "345")
    {
        return writer.write({code, "In", "Valid", "Smith, Ann", "B12", custId}, Now, why);
    }

    // The log's rows in order, each as `columns`, joined by ";".
    QString log(const QString &columns = "fldCode") const
    {
        return folder
            .value("Gate.gsd", QStringLiteral("select group_concat(x, ';') from (select %1 as x "
                                              "from tblGateLog order by fldID)")
                                   .arg(columns))
            .toString();
    }
};

} // namespace

class TestAccess : public QObject {
    Q_OBJECT

private slots:
    // A unit with the status given, or with status "master" the master code.
    void rules_data()
    {
        // clang-format off
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("zone");
        QTest::addColumn<QString>("expiry");
        QTest::addColumn<QString>("exclude");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("result"); // or "fault: " and why the row cannot be decided

        QTest::newRow("rented") << "Rented" << "0" << "000000" << "0" << Noon << "Valid";
        QTest::newRow("rented-cr") << "Rented-Cr" << "0" << "000000" << "0" << Noon << "Valid";
        QTest::newRow("lower case status") << "rented" << "0" << "000000" << "0" << Noon << "Locked Out";

        QTest::newRow("expires today still passes") << "Rented" << "0" << "031526" << "0" << "2026-03-15 23:59:59" << "Valid";
        QTest::newRow("expired the next day") << "Rented" << "0" << "031526" << "0" << "2026-03-16 00:00:00" << "Exp 3/15/26";
        QTest::newRow("five characters: none") << "Rented" << "0" << "01011" << "0" << Noon << "Valid";
        QTest::newRow("seven characters: none") << "Rented" << "0" << "0101100" << "0" << Noon << "Valid";
        QTest::newRow("76 is 2076") << "Rented" << "0" << "010176" << "0" << Noon << "Valid";
        QTest::newRow("77 is 1977") << "Rented" << "0" << "010177" << "0" << Noon << "Exp 1/1/77";
        QTest::newRow("05 is 2005 in 2080") << "Rented" << "0" << "010105" << "0" << "2080-01-02 12:00:00" << "Exp 1/1/05";

        QTest::newRow("missing zone") << "Rented" << "7" << "000000" << "0" << Noon << "TimeZone 7";
        QTest::newRow("zone text 07 is not 7") << "Rented" << "07" << "000000" << "0" << Noon << "TimeZone 07";
        QTest::newRow("zone before status") << "Locked" << "1" << "000000" << "0" << "2026-03-10 07:59:00" << "After Hours";
        QTest::newRow("first of duplicate zones") << "Rented" << "4" << "000000" << "0" << Noon << "Valid";
        QTest::newRow("08-18 at 07:59:59") << "Rented" << "1" << "000000" << "0" << "2026-03-10 07:59:59" << "After Hours";
        QTest::newRow("08-18 at 08:00") << "Rented" << "1" << "000000" << "0" << "2026-03-10 08:00:00" << "Valid";
        QTest::newRow("08-18 at 18:00:59") << "Rented" << "1" << "000000" << "0" << "2026-03-10 18:00:59" << "Valid";
        QTest::newRow("08-18 at 18:01") << "Rented" << "1" << "000000" << "0" << "2026-03-10 18:01:00" << "After Hours";
        QTest::newRow("22-06 at 21:59") << "Rented" << "2" << "000000" << "0" << "2026-03-10 21:59:59" << "After Hours";
        QTest::newRow("22-06 at 22:00") << "Rented" << "2" << "000000" << "0" << "2026-03-10 22:00:00" << "Valid";
        QTest::newRow("22-06 at 06:00") << "Rented" << "2" << "000000" << "0" << "2026-03-10 06:00:59" << "Valid";
        QTest::newRow("22-06 at 06:01") << "Rented" << "2" << "000000" << "0" << "2026-03-10 06:01:00" << "After Hours";
        QTest::newRow("00-00 all day") << "Rented" << "3" << "000000" << "0" << "2026-03-10 13:37:00" << "Valid";

        // An expired, locked unit: only a set flag lets it in, a flag that is none refuses.
        for (const auto &[flag, set] : FlagTexts)
            QTest::addRow("flag \"%s\"", qPrintable(flag)) << "Locked" << "0" << "010120" << flag << Noon << (!set ? "fault: unit B12: exclusion flag \"" + flag + "\" is not yes or no" : *set ? "Exclude" : "Exp 1/1/20");
        QTest::newRow("excluded outside window") << "Locked" << "1" << "000000" << "-1" << "2026-03-10 19:00:00" << "After Hours";

        QTest::newRow("master expired") << "master" << "0" << "030926" << "" << Noon << "Exp 3/9/26";
        QTest::newRow("master: 22-06 never wraps") << "master" << "2" << "000000" << "" << "2026-03-10 23:30:00" << "After Hours";
        QTest::newRow("master: 00-00 at 00:00:59") << "master" << "3" << "000000" << "" << "2026-03-10 00:00:59" << "Valid";
        QTest::newRow("master: 00-00 at 00:01") << "master" << "3" << "000000" << "" << "2026-03-10 00:01:00" << "After Hours";

        QTest::newRow("empty zone") << "Rented" << "" << "000000" << "0" << Noon << "fault: time zone \"\" is not a number";
        QTest::newRow("zone with bad times") << "Rented" << "5" << "000000" << "0" << Noon << "fault: time zone 5: start or stop is not a time of day";
        QTest::newRow("six characters, no date") << "Rented" << "0" << "023026" << "0" << Noon << "fault: expiry date 023026 is not a date";
        // clang-format on
    }

    void rules()
    {
        QFETCH(QString, status);
        QFETCH(QString, zone);
        QFETCH(QString, expiry);
        QFETCH(QString, exclude);
        QFETCH(QString, now);
        QFETCH(QString, result);
        const QDateTime when = QDateTime::fromString(now, "yyyy-MM-dd HH:mm:ss");
        const AccessVerdict verdict =
            status == "master" ? decideMaster(master(zone, expiry), Zones, when)
                               : decideUnit(unit(zone, status, expiry, exclude), Zones, when);
        QCOMPARE(verdict.failed() ? "fault: " + verdict.failure : verdict.result, result);
        QCOMPARE(verdict.grant, result == "Valid" || result == "Exclude");
    }

    // Refusals count within their window; each further lockout within the hour
    // doubles, up to an hour; 0 turns it off.
    void keypadLockout()
    {
        constexpr qint64 s = 1000;
        KeypadLockout lockout({3, 120, 300});
        QVERIFY(!lockout.refused(0));
        QVERIFY(!lockout.refused(100 * s));
        QVERIFY(!lockout.refused(121 * s)); // the first has left the window
        QVERIFY(lockout.refused(122 * s));
        QVERIFY(lockout.isLocked(422 * s - 1));
        QVERIFY(!lockout.isLocked(422 * s));
        QList<qint64> lengths;
        for (qint64 t = 422 * s; lengths.size() < 5;) {
            while (!lockout.refused(t))
                t += s;
            lengths << (lockout.lockedUntilMs() - t) / s;
            t = lockout.lockedUntilMs();
        }
        QCOMPARE(lengths, (QList<qint64>{600, 1200, 2400, 3600, 3600}));
        const qint64 later = lockout.lockedUntilMs() + 3600 * s;
        for (int i = 0; i < 3; ++i)
            lockout.refused(later);
        QCOMPARE(lockout.lockedUntilMs() - later, 300 * s);
        lockout.lift();
        QVERIFY(!lockout.isLocked(later));

        KeypadLockout off({0, 120, 300});
        for (int i = 0; i < 10; ++i)
            QVERIFY(!off.refused(i));
    }

    // Characters from a keypad, in order, applied to an empty entry.
    void keypadKeys_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<int>("codeLength");
        QTest::addColumn<QString>("entry");
        QTest::addColumn<bool>("decide"); // after the last character
        QTest::newRow("digit letters") << QByteArray("ABCEFGIJKN") << 10 << "1234567890" << true;
        QTest::newRow("clear M") << QByteArray("ABM") << 4 << "" << false;
        QTest::newRow("clear O") << QByteArray("ABO") << 4 << "" << false;
        QTest::newRow("other characters") << QByteArray("ADHLPa1 \r\xFE") << 4 << "1" << false;
        QTest::newRow("end of file") << QByteArray("A\x1A") << 4 << "1" << false;
        QTest::newRow("length 1") << QByteArray("B") << 1 << "2" << true;
        QTest::newRow("length 0: other key decides") << QByteArray("D") << 0 << "" << true;
        QTest::newRow("length 0: end of file does not") << QByteArray("\x1A") << 0 << "" << false;
        // clang-format on
    }

    void keypadKeys()
    {
        QFETCH(QByteArray, keys);
        QFETCH(int, codeLength);
        QFETCH(QString, entry);
        QFETCH(bool, decide);
        KeypadStep step;
        for (char key : keys)
            step = keypadStep(step.entry, key, codeLength);
        QCOMPARE(step.entry, entry);
        QCOMPARE(step.decide, decide);
        QCOMPARE(step.endOfFile, keys.endsWith('\x1A'));
    }

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
        Gate gate;
        const GateAttempt::Outcome outcome = gate.run(code);
        QCOMPARE(outcome.status, GateAttempt::Outcome::Logged);
        QCOMPARE(outcome.result, row.section('|', 0, 0));
        QCOMPARE(outcome.opened, opens);
        QCOMPARE(gate.openings, opens ? 1 : 0);
        QCOMPARE(gate.log(EveryColumn), "2026-03-10 23:59:59|" + code + "|" + row + "|In");
    }

    // Codes are exact text whatever the code columns declare: their type and
    // collation only narrow the rows read, through an index and through the
    // station's own map alike, and the first exact row wins.
    void exactCodes_data()
    {
        QTest::addColumn<QString>("declaration");
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QString>("master");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("found"); // the unit, OFFICE for the master, or Invalid
        const QString rtrim = "TEXT COLLATE RTRIM", nocase = "TEXT COLLATE NOCASE";
        // clang-format off
        QTest::newRow("numeric: 0123 is not 123") << "NUMERIC" << QStringList{"'0123'"} << "" << "0123" << "Invalid";
        QTest::newRow("numeric: stored as 123") << "NUMERIC" << QStringList{"'0123'"} << "" << "123" << "U1";
        QTest::newRow("integer: master 0987 is not 987") << "INTEGER" << QStringList{} << "'987'" << "0987" << "Invalid";
        QTest::newRow("rtrim: a trailing blank is part of the code") << rtrim << QStringList{"'4567 '"} << "" << "4567" << "Invalid";
        QTest::newRow("rtrim: the exact row after an inexact one") << rtrim << QStringList{"'4567 '", "'4567'"} << "" << "4567" << "U2";
        QTest::newRow("nocase: the exact row after an inexact one") << nocase << QStringList{"'ab12'", "'AB12'"} << "" << "AB12" << "U2";
        QTest::newRow("nocase: an inexact unit, the exact master") << nocase << QStringList{"'ab12'"} << "'AB12'" << "AB12" << "OFFICE";
        QTest::newRow("untyped: the number 1234 is the text 1234") << "" << QStringList{"1234"} << "" << "1234" << "U1";
        QTest::newRow("untyped: the first of text and number rows") << "" << QStringList{"'x'", "'1234'", "1234"} << "" << "1234" << "U2";
        QTest::newRow("text: a unit without a code") << "TEXT" << QStringList{"NULL"} << "" << "" << "Invalid";
        // clang-format on
    }

    void exactCodes()
    {
        QFETCH(QString, declaration);
        QFETCH(QStringList, units);
        QFETCH(QString, master);
        QFETCH(QString, typed);
        QFETCH(QString, found);
        for (const bool ownMap : {false, true}) {
            Gate gate(declaredCodes(declaration, units, master), ownMap);
            QCOMPARE(gate.data.unitCodes().way(),
                     ownMap ? CodeIndex::Way::OwnMap : CodeIndex::Way::MadeIndex);
            QCOMPARE(gate.run(typed).status, GateAttempt::Outcome::Logged);
            QCOMPARE(gate.log("fldUnitNumber"), found);
        }
    }

    // The connections stay open between keys, yet each key is decided on the
    // files as they are now: rows another program committed, a customer database
    // renamed over the old one, one removed or locked for a while. A gate
    // database replaced under the station is not read until every connection
    // lets go of the old one (the station takes it up).
    void eachKeySeesTheFilesAsTheyAreNow()
    {
        Gate a;
        QCOMPARE(a.run("1234").result, "Valid");
        a.folder.createDatabase("Data.new", {"customer.sql"});
        a.folder.exec("Data.new", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                  "fldGateTimeZone, fldCustID) VALUES ('8888', 'Rented', 0, 88)");
        QVERIFY(::rename(qPrintable(a.folder.file("Data.new")),
                         qPrintable(a.folder.file("Data.gsd"))) == 0);
        QCOMPARE(a.run("8888").result, "Valid");
        QCOMPARE(a.run("1234").result, "Invalid");

        {
            // WAL while the station reads: another program's write lock holds up nothing.
            const OtherProgram other(a.folder.file("Data.gsd"),
                                     {"BEGIN EXCLUSIVE", "DELETE FROM tblUnitInfo"});
            QVERIFY(other.ok());
            QCOMPARE(a.run("8888").result, "Valid");
        }

        a.folder.createDatabase("Gate.new", {"gate.sql"});
        QVERIFY(::rename(qPrintable(a.folder.file("Gate.new")),
                         qPrintable(a.folder.file("Gate.gsd"))) == 0);
        const GateAttempt::Outcome replaced = a.run("8888");
        QCOMPARE(replaced.status, GateAttempt::Outcome::Unread);
        QVERIFY2(replaced.why.contains("was replaced or removed"), qPrintable(replaced.why));
        QCOMPARE(a.log(), QString());
        QCOMPARE(a.writer.spooledRows(), 0);
    }

    // Without WAL (a network share; here another program reads while the log
    // opens) a reader blocks every COMMIT: the row waits in the spool, a flush
    // that cannot commit keeps it there, and it lands once the reader is gone.
    void failedCommitsKeepTheRow()
    {
        StartFolder folder;
        folder.makeStandard();
        const QString path = folder.file("Gate.gsd");
        GateLogWriter writer;
        QString why;
        {
            const OtherProgram reader(path, {"BEGIN", "select count(*) from tblGateLog"});
            QVERIFY(reader.ok() && writer.open(path, nullptr));
            QCOMPARE(writer.write({"1111", "In", "Valid", "", "", ""}, Now, &why), Result::Spooled);
            QVERIFY(!writer.flushSpool(&why));
            QVERIFY2(why.contains("locked"), qPrintable(why));
            QCOMPARE(writer.spooledRows(), 1);
        }
        QVERIFY2(writer.flushSpool(&why), qPrintable(why));
        QCOMPARE(folder.column("Gate.gsd", "select fldCode from tblGateLog"), QStringList("1111"));
        QCOMPARE(folder.value("Gate.gsd", "PRAGMA journal_mode"), QVariant("delete"));
    }

    // A trigger stands in for a read-only database: file modes do not stop root. A row
    // neither the log nor the spool takes leaves the attempt undecided, the gate opened.
    void refusedRowSpooledOrLost()
    {
        Gate gate;
        gate.folder.execStatement("Gate.gsd", "CREATE TRIGGER refuse BEFORE INSERT ON tblGateLog "
                                              "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QVERIFY(QDir().mkdir(gate.writer.spoolPath()));
        const GateAttempt::Outcome lost = gate.run("1234");
        QCOMPARE(lost.status, GateAttempt::Outcome::NotDecided);
        QCOMPARE(gate.openings, 1);
        for (const QString &part : {QString("gate opened, but not logged: "), QString("refused"),
                                    gate.writer.spoolPath()})
            QVERIFY2(lost.why.contains(part), qPrintable(lost.why));
    }

    // Refused rows wait in order and later rows go behind them. A crash leaves
    // the flush marker, rows committed or not, and a torn last line: each row
    // lands once, also when the first has no customer number (NULL in the log).
    void lockedLogSpools_data()
    {
        QTest::addColumn<bool>("committed");
        QTest::addColumn<QString>("firstCustId");
        QTest::newRow("crash before commit") << false << "345";
        QTest::newRow("crash after commit") << true << "345";
        QTest::newRow("crash after commit, no customer") << true << "";
    }
    void lockedLogSpools()
    {
        QFETCH(bool, committed);
        QFETCH(QString, firstCustId);
        Gate gate;
        QCOMPARE(gate.write("1111"), Result::Logged);
        QString why;
        {
            const OtherProgram locker(gate.settings.GateDbPath, {"BEGIN IMMEDIATE"});
            QCOMPARE(gate.write("1111", &why, firstCustId), Result::Spooled);
            QVERIFY(!why.isEmpty());
            QCOMPARE(gate.write("2222"), Result::Spooled);
            QVERIFY(!gate.writer.flushSpool(&why));
        }
        const QString spool = gate.writer.spoolPath();
        QVERIFY(QFile::copy(spool, spool + ".crash"));
        QVERIFY(!committed || gate.writer.flushSpool(nullptr));
        QFile::remove(spool);
        QFile file(spool + ".crash");
        QVERIFY(file.open(QIODevice::Append));
        file.write("{\"flushAbove\":1}\n{\"fldCode\":\"9999\"}");
        file.close();
        QVERIFY(file.rename(spool));
        QVERIFY(gate.writer.open(gate.settings.GateDbPath, nullptr));
        QCOMPARE(gate.writer.spooledRows(), 2);
        QCOMPARE(gate.write("4444"), Result::Spooled);
        QVERIFY2(gate.writer.flushSpool(&why), qPrintable(why));
        QCOMPARE(gate.writer.spooledRows(), 0);
        QCOMPARE(gate.write("5555"), Result::Logged);
        QCOMPARE(gate.log(), "1111;1111;2222;4444;5555");
    }

    // Text columns hold empty text, never NULL; the customer number is a number,
    // or NULL when there is none. Straight into the log and through the spool.
    void emptyTextsStoredAsText()
    {
        Gate gate;
        const GateEvent bare{"1234", {}, "Valid", {}, {}, {}};
        const GateEvent invalid = invalidEvent("5678", {});
        for (bool spooled : {false, true}) {
            const OtherProgram locker(gate.settings.GateDbPath,
                                      spooled ? QStringList{"BEGIN IMMEDIATE"} : QStringList{});
            for (const GateEvent &event : {bare, invalid})
                QCOMPARE(gate.writer.write(event, Now, nullptr),
                         spooled ? Result::Spooled : Result::Logged);
        }
        QVERIFY(gate.writer.flushSpool(nullptr));
        QCOMPARE(gate.folder.rows("Gate.gsd", "select fldCode, typeof(fldZone), "
                                              "typeof(fldCustomer), typeof(fldUnitNumber), "
                                              "typeof(fldCustID), count(*) from tblGateLog "
                                              "group by 1, 2, 3, 4, 5"),
                 (QList<QVariantList>{{"1234", "text", "text", "text", "null", 2},
                                      {"5678", "text", "text", "text", "integer", 2}}));
    }
};

QTEST_GUILESS_MAIN(TestAccess)
#include "test_access.moc"
