#include "access/access_rules.h"
#include "access/gate_event_record.h"
#include "access/keypad_keys.h"
#include "support/flag_texts.h"

#include <QTest>

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

} // namespace

class TestAccessRules : public QObject {
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
        QTest::addColumn<QString>("result"); // empty: the row cannot be decided

        QTest::newRow("rented") << "Rented" << "0" << "000000" << "0" << Noon << "Valid";
        QTest::newRow("rented-cr") << "Rented-Cr" << "0" << "000000" << "0" << Noon << "Valid";
        QTest::newRow("lower case status") << "rented" << "0" << "000000" << "0" << Noon << "Locked Out";

        QTest::newRow("expires today still passes") << "Rented" << "0" << "031526" << "0" << "2026-03-15 23:59:59" << "Valid";
        QTest::newRow("expired the next day") << "Rented" << "0" << "031526" << "0" << "2026-03-16 00:00:00" << "Exp 3/15/26";
        QTest::newRow("expiry before status") << "Locked" << "0" << "010212" << "0" << Noon << "Exp 1/2/12";
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
            QTest::addRow("flag \"%s\"", qPrintable(flag)) << "Locked" << "0" << "010120" << flag << Noon << (!set ? "" : *set ? "Exclude" : "Exp 1/1/20");
        QTest::newRow("excluded outside window") << "Locked" << "1" << "000000" << "-1" << "2026-03-10 19:00:00" << "After Hours";

        QTest::newRow("master expired") << "master" << "0" << "030926" << "" << Noon << "Exp 3/9/26";
        QTest::newRow("master: 22-06 never wraps") << "master" << "2" << "000000" << "" << "2026-03-10 23:30:00" << "After Hours";
        QTest::newRow("master: 00-00 at 00:00:59") << "master" << "3" << "000000" << "" << "2026-03-10 00:00:59" << "Valid";
        QTest::newRow("master: 00-00 at 00:01") << "master" << "3" << "000000" << "" << "2026-03-10 00:01:00" << "After Hours";

        QTest::newRow("empty zone") << "Rented" << "" << "000000" << "0" << Noon << "";
        QTest::newRow("zone with bad times") << "Rented" << "5" << "000000" << "0" << Noon << "";
        QTest::newRow("six characters, no date") << "Rented" << "0" << "023026" << "0" << Noon << "";
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
        QCOMPARE(verdict.failed(), result.isEmpty());
        QCOMPARE(verdict.result, result);
        QCOMPARE(verdict.grant, result == "Valid" || result == "Exclude");
    }

    void faultsNameTheRow()
    {
        const QDateTime noon = QDateTime::fromString(Noon, "yyyy-MM-dd HH:mm:ss");
        QCOMPARE(decideUnit(unit("0", "Rented", "000000", "Maybe"), Zones, noon).failure,
                 "unit B12: exclusion flag \"Maybe\" is not yes or no");
        QCOMPARE(decideUnit(unit("5"), Zones, noon).failure,
                 "time zone 5: start or stop is not a time of day");
    }

    void codeEntries()
    {
        QVERIFY(isCodeEntry("0123"));
        for (const char *entry : {"", "12a", " 12", "-12", "1e3", "١٢"}) // other scripts' digits
            QVERIFY2(!isCodeEntry(QString::fromUtf8(entry)), entry);
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

    // The rows themselves are checked as stored, in test_gate_attempt.
    void masterIdThatIsNoNumber()
    {
        MasterRow noId = master("0");
        noId.id = "x";
        QVERIFY(!masterEvent("9999", "Out", noId, "Valid").has_value());
    }
};

QTEST_GUILESS_MAIN(TestAccessRules)
#include "test_access_rules.moc"
