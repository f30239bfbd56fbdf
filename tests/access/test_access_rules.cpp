#include "access/access_rules.h"
#include "access/gate_event_record.h"
#include "access/keypad_keys.h"

#include <QTest>

Q_DECLARE_METATYPE(UnitRow)
Q_DECLARE_METATYPE(MasterRow)

namespace {

const QList<ZoneRow> Zones = {
    {"1", "08:00:00", "18:00:00"}, {"2", "22:00:00", "06:00:00"}, {"3", "00:00:00", "00:00:00"},
    {"4", "07:00:00", "20:00:00"}, {"4", "00:00:00", "00:01:00"}, // duplicate: never seen
    {"5", "25:00:00", "06:00:00"},
};

QDateTime at(const QString &text)
{
    return QDateTime::fromString(text, "yyyy-MM-dd HH:mm:ss");
}

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
    void units_data()
    {
        // clang-format off
        QTest::addColumn<UnitRow>("row");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("result");
        QTest::addColumn<bool>("grant");

        const QString noon = "2026-03-10 12:00:00";
        QTest::newRow("rented, no zone") << unit("0") << noon << "Valid" << true;
        QTest::newRow("rented-cr") << unit("0", "Rented-Cr") << noon << "Valid" << true;
        QTest::newRow("lower case status") << unit("0", "rented") << noon << "Locked Out" << false;
        QTest::newRow("trailing blank") << unit("0", "Rented ") << noon << "Locked Out" << false;
        QTest::newRow("vacant") << unit("0", "Vacant") << noon << "Locked Out" << false;

        QTest::newRow("expires today still passes") << unit("0", "Rented", "031526") << "2026-03-15 23:59:00" << "Valid" << true;
        QTest::newRow("expired yesterday") << unit("0", "Rented", "031526") << "2026-03-16 00:00:00" << "Exp 3/15/26" << false;
        QTest::newRow("expiry before status") << unit("0", "Locked", "010212") << noon << "Exp 1/2/12" << false;
        QTest::newRow("2030 expiry is in the future") << unit("0", "Rented", "123130") << noon << "Valid" << true;
        QTest::newRow("99 is 1999") << unit("0", "Rented", "123199") << noon << "Exp 12/31/99" << false;
        QTest::newRow("empty expiry") << unit("0", "Rented", "") << noon << "Valid" << true;
        QTest::newRow("five characters") << unit("0", "Rented", "01011") << noon << "Valid" << true;
        QTest::newRow("seven characters") << unit("0", "Rented", "0101100") << noon << "Valid" << true;

        QTest::newRow("missing zone") << unit("7") << noon << "TimeZone 7" << false;
        QTest::newRow("zone text 07 is not 7") << unit("07") << noon << "TimeZone 07" << false;
        QTest::newRow("zone before status") << unit("1", "Locked") << "2026-03-10 07:59:00" << "After Hours" << false;

        QTest::newRow("08-18 at 07:59") << unit("1") << "2026-03-10 07:59:59" << "After Hours" << false;
        QTest::newRow("08-18 at 08:00") << unit("1") << "2026-03-10 08:00:00" << "Valid" << true;
        QTest::newRow("08-18 at 18:00:59") << unit("1") << "2026-03-10 18:00:59" << "Valid" << true;
        QTest::newRow("08-18 at 18:01") << unit("1") << "2026-03-10 18:01:00" << "After Hours" << false;
        QTest::newRow("22-06 at 23:30") << unit("2") << "2026-03-10 23:30:00" << "Valid" << true;
        QTest::newRow("22-06 at 05:00") << unit("2") << "2026-03-10 05:00:00" << "Valid" << true;
        QTest::newRow("22-06 at 06:00") << unit("2") << "2026-03-10 06:00:00" << "Valid" << true;
        QTest::newRow("22-06 at 12:00") << unit("2") << noon << "After Hours" << false;
        QTest::newRow("00-00 all day") << unit("3") << "2026-03-10 13:37:00" << "Valid" << true;
        QTest::newRow("first of duplicate zones") << unit("4") << "2026-03-10 12:00:00" << "Valid" << true;

        QTest::newRow("excluded: no zone, expired, locked") << unit("0", "Locked", "010120", "-1") << noon << "Exclude" << true;
        QTest::newRow("excluded inside window") << unit("1", "Locked", "010120", "1") << noon << "Exclude" << true;
        QTest::newRow("excluded outside window") << unit("1", "Locked", "010120", "-1") << "2026-03-10 19:00:00" << "After Hours" << false;
        QTest::newRow("excluded, missing zone") << unit("9", "Rented", "000000", "-1") << noon << "TimeZone 9" << false;
        QTest::newRow("empty exclusion is not set") << unit("0", "Locked", "000000", "") << noon << "Locked Out" << false;
        // clang-format on
    }

    void units()
    {
        QFETCH(UnitRow, row);
        QFETCH(QString, now);
        QFETCH(QString, result);
        QFETCH(bool, grant);
        const AccessVerdict verdict = decideUnit(row, Zones, at(now));
        QVERIFY2(!verdict.failed(), qPrintable(verdict.failure));
        QCOMPARE(verdict.result, result);
        QCOMPARE(verdict.grant, grant);
    }

    void masters_data()
    {
        // clang-format off
        QTest::addColumn<MasterRow>("row");
        QTest::addColumn<QString>("now");
        QTest::addColumn<QString>("result");

        QTest::newRow("no zone") << master("0") << "2026-03-10 03:00:00" << "Valid";
        QTest::newRow("expired") << master("0", "030926") << "2026-03-10 12:00:00" << "Exp 3/9/26";
        QTest::newRow("missing zone") << master("7") << "2026-03-10 12:00:00" << "TimeZone 7";
        QTest::newRow("08-18 at 18:00") << master("1") << "2026-03-10 18:00:00" << "Valid";
        QTest::newRow("08-18 at 18:01") << master("1") << "2026-03-10 18:01:00" << "After Hours";
        QTest::newRow("22-06 never wraps: 23:30") << master("2") << "2026-03-10 23:30:00" << "After Hours";
        QTest::newRow("22-06 never wraps: 05:00") << master("2") << "2026-03-10 05:00:00" << "After Hours";
        QTest::newRow("00-00 only at midnight") << master("3") << "2026-03-10 00:00:30" << "Valid";
        QTest::newRow("00-00 not a minute later") << master("3") << "2026-03-10 00:01:00" << "After Hours";
        // clang-format on
    }

    void masters()
    {
        QFETCH(MasterRow, row);
        QFETCH(QString, now);
        QFETCH(QString, result);
        const AccessVerdict verdict = decideMaster(row, Zones, at(now));
        QVERIFY2(!verdict.failed(), qPrintable(verdict.failure));
        QCOMPARE(verdict.result, result);
        QCOMPARE(verdict.grant, result == "Valid");
    }

    // Rows that cannot be decided refuse without a result word: nothing is logged or opened.
    void undecidableRows_data()
    {
        QTest::addColumn<UnitRow>("row");
        QTest::newRow("empty zone") << unit("");
        QTest::newRow("zone not a number") << unit("x1");
        QTest::newRow("six characters, no date") << unit("0", "Rented", "023026");
        QTest::newRow("six letters") << unit("0", "Rented", "ABCDEF");
        QTest::newRow("zone with bad times") << unit("5");
    }

    void undecidableRows()
    {
        QFETCH(UnitRow, row);
        const AccessVerdict verdict = decideUnit(row, Zones, at("2026-03-10 05:00:00"));
        QVERIFY(verdict.failed());
        QVERIFY(!verdict.grant);
    }

    void twoDigitYears_data()
    {
        // clang-format off
        QTest::addColumn<QString>("today");
        QTest::addColumn<QString>("expiry");
        QTest::addColumn<int>("year");
        QTest::newRow("00 in 2026") << "2026-12-06" << "010100" << 2000;
        QTest::newRow("76 in 2026") << "2026-12-06" << "010176" << 2076;
        QTest::newRow("77 in 2026") << "2026-12-06" << "010177" << 1977;
        QTest::newRow("99 in 2026") << "2026-12-06" << "010199" << 1999;
        QTest::newRow("05 in 2080") << "2080-01-01" << "010105" << 2005;
        QTest::newRow("30 in 2026") << "2026-12-06" << "123130" << 2030;
        QTest::newRow("leap day") << "2026-12-06" << "022928" << 2028;
        // clang-format on
    }

    void twoDigitYears()
    {
        QFETCH(QString, today);
        QFETCH(QString, expiry);
        QFETCH(int, year);
        const auto date = expiryDate(expiry, QDate::fromString(today, Qt::ISODate));
        QVERIFY(date.has_value());
        QCOMPARE(date->year(), year);
    }

    void codeEntries()
    {
        QVERIFY(isCodeEntry("0123"));
        QVERIFY(!isCodeEntry(""));
        QVERIFY(!isCodeEntry("12a"));
        QVERIFY(!isCodeEntry(" 12"));
        QVERIFY(!isCodeEntry("-12"));
        QVERIFY(!isCodeEntry("1e3"));
        QVERIFY(!isCodeEntry(QString::fromUtf8("١٢"))); // other scripts' digits
    }

    void keypadLetters()
    {
        QString digits;
        for (char c : QByteArray("ABCEFGIJKN"))
            digits += keypadKey(c).digit;
        QCOMPARE(digits, QStringLiteral("1234567890"));
        for (char c : QByteArray("MO"))
            QCOMPARE(keypadKey(c).kind, KeypadKey::Clear);
        for (char c : QByteArray("DHLPa1 \r\xFE"))
            QCOMPARE(keypadKey(c).kind, KeypadKey::Other);
        QCOMPARE(keypadKey(0x1A).kind, KeypadKey::EndOfFile);
    }

    void eventRows()
    {
        const GateEvent u = unitEvent("1234", "In", unit("0"), "Valid");
        QCOMPARE(u.customer, QStringLiteral("Smith, Ann"));
        QCOMPARE(u.unitNumber, QStringLiteral("B12"));
        QCOMPARE(u.custId, QStringLiteral("345"));
        QCOMPARE(u.location, QStringLiteral("In"));

        const auto m = masterEvent("9999", "Out", master("0"), "Valid");
        QVERIFY(m.has_value());
        QCOMPARE(m->custId, QStringLiteral("10000005"));
        QCOMPARE(m->customer, QStringLiteral("Manager, Site"));
        QCOMPARE(m->unitNumber, QStringLiteral("OFFICE"));
        MasterRow noId = master("0");
        noId.id = "x";
        QVERIFY(!masterEvent("9999", "Out", noId, "Valid").has_value());

        const GateEvent i = invalidEvent("5555", "Out");
        QCOMPARE(i.result, QStringLiteral("Invalid"));
        QCOMPARE(i.customer, QStringLiteral("Invalid"));
        QCOMPARE(i.unitNumber, QStringLiteral("Invalid"));
        QCOMPARE(i.custId, QStringLiteral("0"));

        UnitRow nameless = unit("0");
        nameless.firstName.clear();
        QCOMPARE(unitEvent("1", "", nameless, "Valid").customer, QStringLiteral("Smith, "));
    }
};

QTEST_GUILESS_MAIN(TestAccessRules)
#include "test_access_rules.moc"
