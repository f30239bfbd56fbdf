// The customer sync: what it reads, what it refuses, what it writes, and what
// the station sees of it while it runs.
#include "access/code_lookup.h"
#include "common/cpu_priority.h"
#include "common/csv_writer.h"
#include "data/file_identity.h"
#include "data/station_data.h"
#include "support/busy_connection.h"
#include "support/fake_access.h"
#include "support/program_run.h"
#include "support/start_folder.h"
#include "sync/customer_database.h"
#include "sync/customer_sync.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

namespace {

using Outcome = CustomerSync::Report::Outcome;
using Row = QStringList;

const QDate Today(2024, 6, 1);

// fldGateCode, fldCustFirstName, fldStatus, fldUnitName, fldCustID,
// fldCustLastName, fldGateTimeZone, fldGateExpireDate, fldGateExclude
Row unit(const QString &code, const QString &name = "Ann", const QString &status = "Rented")
{
    return {code, name, status, "B" + code, "7", "Lee", "0", "000000", "0"};
}

// `count` units with codes from 100000 up.
QList<Row> numbered(int count)
{
    QList<Row> rows;
    for (int i = 0; i < count; ++i)
        rows << unit(QString::number(100000 + i));
    return rows;
}

Row unitWith(int column, const QString &value)
{
    Row row = unit("2222");
    row[column] = value;
    return row;
}

// fldID, fldPassCode, fldFirstName, fldLastName, fldUnitNumber, fldKeyPad,
// fldTimeZone, fldExpireDate
Row master(const QString &id, const QString &code)
{
    return {id, code, "Site", "Manager", "OFFICE", "", "0", "000000"};
}

const QList<Row> OneMaster{master("1", "9999")};

QByteArray csv(const TableSchema &table, const QList<Row> &rows)
{
    QByteArray text = csvRecord(table.columnNames());
    for (const Row &row : rows)
        text += csvRecord(row);
    return text;
}

QString textOf(const CustomerSync::Report &report)
{
    return (QStringList{report.summary} + report.details).join('\n');
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
               ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
               : QByteArray();
}

// numbered() straight into the database, all named `name`.
QString manyUnits(int count, const QString &name)
{
    return QString(
               "WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
               "INSERT INTO tblUnitInfo SELECT 100000 + i, '%2', 'Rented', 'B' || (100000 + i), "
               "7, 'Lee', 0, '000000', 0 FROM n")
        .arg(count - 1)
        .arg(name);
}

// A station folder and the two CSV files its management program exports.
struct Site {
    StartFolder folder;

    Site() { folder.makeStandard(); }

    void write(const QList<Row> &units, const QList<Row> &masters = OneMaster) const
    {
        folder.write("units.csv", csv(Tables::unitInfo(), units));
        folder.write("masters.csv", csv(Tables::masterCodes(), masters));
    }

    // Writes the source and syncs it, for the state a case starts from.
    bool synced(const QList<Row> &units, const QList<Row> &masters = OneMaster) const
    {
        write(units, masters);
        return sync().outcome == Outcome::Changed;
    }

    CustomerSync::Report sync(const CustomerSync::Options &options = {}) const
    {
        return CustomerSync::run(
            SyncSource::csv(folder.file("units.csv"), folder.file("masters.csv")), folder.path(),
            options, mdbTools(), Today);
    }

    // Codes and first names in rowid order: "1111:Ann 2222:Bob".
    QString units() const
    {
        return folder
            .value("Data.gsd", "select group_concat(fldGateCode || ':' || fldCustFirstName, ' ') "
                               "from (select * from tblUnitInfo order by rowid)")
            .toString();
    }
};

// The station's own connections and look-up, kept open across syncs.
struct Station {
    StationSettings settings;
    StationData data;

    explicit Station(const StartFolder &folder)
        : settings(folder.settings())
    {
        StationData::buildConnectionStrings(settings);
        QString error;
        if (!data.connectAll(settings, &error))
            qFatal("%s", qPrintable(error));
    }

    // The first name on the unit the station finds for a code, as for a key press.
    QString firstName(const QString &code)
    {
        std::optional<UnitRow> unit;
        QString error;
        if (!data.prepareForDecision(settings, &error) ||
            !CodeLookup::findUnit(data.AdoCustomerCodes.database(), data.unitCodes(), code, unit,
                                  &error))
            return "failed: " + error;
        return unit ? unit->firstName : "none";
    }
};

} // namespace

class TestSync : public QObject {
    Q_OBJECT

private slots:
    // What spreadsheets write: a byte-order mark, CR LF, quoted commas, doubled
    // quotes, a line break in a field, columns in their own order with one more,
    // and empty lines (and one of bare commas) at the end.
    void spreadsheetCsvIsSyncedExactly()
    {
        Site site;
        site.folder.write("units.csv",
                          "\xEF\xBB\xBF"
                          "fldGateExclude,fldGateCode,Notes,fldCustFirstName,fldStatus,fldUnitName,"
                          "fldCustID,fldCustLastName,fldGateTimeZone,fldGateExpireDate\r\n"
                          "Yes,0123,\"a, b\",\"Ann \"\"Jr\"\"\",Rented-Cr,\"B1\r\nannex\",,"
                          "O'Neil,2,123124\r\n"
                          "\r\n,,,,,,,,,\r\n\r\n");
        site.folder.write("masters.csv", csv(Tables::masterCodes(), OneMaster));
        const CustomerSync::Report report = site.sync();
        QCOMPARE(report.outcome, Outcome::Changed);
        QCOMPARE(site.folder.rows("Data.gsd", "select *, fldCustID is null from tblUnitInfo"),
                 (QList<QVariantList>{{"0123", "Ann \"Jr\"", "Rented-Cr", "B1\r\nannex", "",
                                       "O'Neil", 2, "123124", -1, 1}}));
        QCOMPARE(site.folder.rows("Data.gsd", "select * from tblVextraMasterCodes"),
                 (QList<QVariantList>{{1, "9999", "Site", "Manager", "OFFICE", "", 0, "000000"}}));
        QCOMPARE(site.sync().outcome, Outcome::NoChange);
    }

    // A source that cannot be read as a whole leaves the last good data.
    void unreadableSourcesAreRefused_data()
    {
        const QByteArray header = csvRecord(Tables::unitInfo().columnNames());
        QTest::addColumn<QByteArray>("units");
        QTest::addColumn<QString>("why");
        QTest::newRow("not UTF-8") << header + csvRecord(unit("1111")) + "2222,J\xE9r\xF4me\r\n"
                                   << "line 3 is not UTF-8";
        QTest::newRow("missing column")
            << QByteArray("fldGateCode,fldCustFirstName\r\n1111,Ann\r\n")
            << "has no column fldStatus";
        QTest::newRow("no file") << QByteArray() << "cannot read";
    }

    void unreadableSourcesAreRefused()
    {
        QFETCH(QByteArray, units);
        QFETCH(QString, why);
        Site site;
        QVERIFY(site.synced({unit("1111")}));
        if (units.isEmpty())
            QVERIFY(QFile::remove(site.folder.file("units.csv")));
        else
            site.folder.write("units.csv", units);
        const CustomerSync::Report report = site.sync();
        QCOMPARE(report.outcome, Outcome::Refused);
        QVERIFY2(report.summary.contains(why), qPrintable(report.summary));
        QCOMPARE(site.units(), QString("1111:Ann"));
    }

    // Every row is checked before anything is written; a bad one is named by
    // its row and line and refuses the source, unless --skip-bad writes the rest.
    void rowChecks_data()
    {
        QTest::addColumn<bool>("inMasters");
        QTest::addColumn<Row>("row");
        QTest::addColumn<QString>("fault"); // empty: the row is good

        // clang-format off
        QTest::newRow("exclusion neither yes nor no") << false << unitWith(8, "2") << "tblUnitInfo row 2 (line 3): fldGateExclude";
        QTest::newRow("no expiry") << false << unitWith(7, "") << "";
        QTest::newRow("leap day") << false << unitWith(7, "022924") << "";
        QTest::newRow("day 30 of February") << false << unitWith(7, "023024") << "row 2 (line 3): fldGateExpireDate: \"023024\"";
        QTest::newRow("short row") << false << unitWith(0, "2222").mid(0, 8) << "8 fields where the header has 9";
        QTest::newRow("two faults in one row") << false << Row{"2222", "", "", "", "", "", "x", "99", "0"} << "fldGateTimeZone: \"x\" is not a number; fldGateExpireDate";
        QTest::newRow("master good") << true << master("2", "8888") << "";
        QTest::newRow("master without id") << true << master("", "8888") << "tblVextraMasterCodes row 2 (line 3): fldID: \"\" is not a whole number";
        QTest::newRow("master id twice") << true << master("1", "8888") << "fldID 1 is also on row 1 (line 2)";
        QTest::newRow("master zone and expiry") << true << Row{"2", "8888", "", "", "", "", "", "999999"} << "fldTimeZone: empty (a zone number, 0 for none); fldExpireDate";
        // clang-format on
    }

    void rowChecks()
    {
        QFETCH(bool, inMasters);
        QFETCH(Row, row);
        QFETCH(QString, fault);
        Site site;
        QVERIFY(site.synced({unit("1111")}));
        const QList<Row> units{unit("1111", "Bob"), row};
        const QList<Row> masters{OneMaster.first(), row};
        site.write(inMasters ? QList<Row>{units.first()} : units, inMasters ? masters : OneMaster);
        const QString stored = "select count(*) from tblVextraMasterCodes";
        CustomerSync::Report report = site.sync();
        if (fault.isEmpty()) {
            QCOMPARE(report.outcome, Outcome::Changed);
            QCOMPARE(site.folder.value("Data.gsd", stored), QVariant(inMasters ? 2 : 1));
            return;
        }
        QCOMPARE(report.outcome, Outcome::Refused);
        QVERIFY2(report.summary.contains("1 bad rows"), qPrintable(report.summary));
        QVERIFY2(report.details.value(0).contains(fault), qPrintable(textOf(report)));
        QCOMPARE(site.units(), QString("1111:Ann"));

        report = site.sync({false, true, false});
        QCOMPARE(report.outcome, Outcome::Changed);
        QVERIFY2(report.details.value(0).startsWith("skipped ") &&
                     report.details.value(0).contains(fault),
                 qPrintable(textOf(report)));
        QCOMPARE(site.units(), QString("1111:Bob"));
        QCOMPARE(site.folder.value("Data.gsd", stored), QVariant(1));
    }

    // Rows the station takes but that may not do what was meant: written, and
    // named with the code masked.
    void warningsNameRowsButWrite_data()
    {
        QTest::addColumn<QList<Row>>("units");
        QTest::addColumn<QString>("warning"); // empty: none
        // clang-format off
        QTest::newRow("letters") << QList<Row>{unit("12a4")} << "row 1 (line 2): code **a4 holds more than digits";
        QTest::newRow("too long") << QList<Row>{unit("12345")} << "code ***45 has 5 digits where the keypads send 4";
        QTest::newRow("zone 64") << QList<Row>{unitWith(6, "64")} << "zone 64 is not one of 0-63";
        QTest::newRow("lower case") << QList<Row>{unit("1111", "Ann", "rented")} << "status \"rented\" does not open the gate";
        QTest::newRow("vacant") << QList<Row>{unit("1111", "Ann", "Vacant")} << "";
        QTest::newRow("duplicate") << QList<Row>{unit("1111"), unit("2222"), unit("1111", "Bob")} << "unit **11 is on row 1 (line 2), row 3 (line 4): the first is used";
        QTest::newRow("after a line break") << QList<Row>{unit("1111", "Ann\nLee"), unit("1111")} << "unit **11 is on row 1 (line 2), row 2 (line 4)";
        // clang-format on
    }

    void warningsNameRowsButWrite()
    {
        QFETCH(QList<Row>, units);
        QFETCH(QString, warning);
        Site site;
        site.write(units);
        const CustomerSync::Report report = site.sync();
        QCOMPARE(report.outcome, Outcome::Changed);
        const QStringList warnings = report.details.filter(QRegularExpression("^tbl"));
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
        QVERIFY2(warning.isEmpty() || warnings.first().contains(warning),
                 qPrintable(textOf(report)));
        QVERIFY2(!textOf(report).contains(units.first().first()), qPrintable(textOf(report)));
        QCOMPARE(site.folder.value("Data.gsd", "select count(*) from tblUnitInfo"),
                 QVariant(units.size()));
    }

    // A code column that drops leading zeros (0123 became 123) is warned about
    // once per table, its rows written as they stand: an Access number column
    // (mdb-export quotes text columns only), or CSV codes that are numbers
    // shorter than the keypads' codes.
    void codeColumnsThatDropZeros_data()
    {
        QTest::addColumn<QList<Row>>("units");     // a CSV export; none: the Access file
        QTest::addColumn<QString>("numberColumn"); // the Access table whose codes are unquoted
        QTest::addColumn<QString>("warning");      // empty: none
        // clang-format off
        QTest::newRow("csv: short numbers") << QList<Row>{unit("123"), unit("4567"), unit("99")} << "" << "tblUnitInfo: fldGateCode: 2 codes have fewer digits than the keypads send (4)";
        QTest::newRow("csv: a short code that kept its zero") << QList<Row>{unit("012"), unit("4567")} << "" << "";
        QTest::newRow("access: text columns") << QList<Row>{} << "" << "";
        QTest::newRow("access: unit codes") << QList<Row>{} << "tblUnitInfo" << "tblUnitInfo: fldGateCode is a number column";
        QTest::newRow("access: master codes") << QList<Row>{} << "tblVextraMasterCodes" << "tblVextraMasterCodes: fldPassCode is a number column";
        // clang-format on
    }

    void codeColumnsThatDropZeros()
    {
        QFETCH(QList<Row>, units);
        QFETCH(QString, numberColumn);
        QFETCH(QString, warning);
        Site site;
        FakeAccess access;
        if (!numberColumn.isEmpty()) {
            for (const auto &[quoted, number] :
                 {std::pair{"\"0123\"", "123"}, std::pair{"\"2222\"", "2222"},
                  std::pair{"\"9999\"", "9999"}})
                access.tables[numberColumn].first.replace(quoted, number);
        }
        if (!units.isEmpty())
            site.write(units);
        const CustomerSync::Report report =
            units.isEmpty() ? CustomerSync::run(SyncSource::access("Data.mdb"), site.folder.path(),
                                                {}, access.reader(), Today)
                            : site.sync();
        QCOMPARE(report.outcome, Outcome::Changed);
        const QStringList warnings = report.details.filter(QRegularExpression("^tbl\\w+: fld"));
        QCOMPARE(warnings.size(), warning.isEmpty() ? 0 : 1);
        QVERIFY2(warning.isEmpty() || warnings.first().startsWith(warning),
                 qPrintable(textOf(report)));
    }

    // Codes added, removed and changed, what changed on the row the station
    // reads, codes masked; a dry run tells the same and leaves the file as it was.
    void reportNamesEachChange()
    {
        Site site;
        QVERIFY(site.synced({unit("1111"), unit("2222"), unit("3333")}));
        Row changed = unit("1111", "Ann", "Locked");
        changed[6] = "2";
        changed[7] = "123124";
        changed[8] = "True";
        site.write({changed, unit("3333", "Cy"), unit("4444")}, {});
        const QByteArray before = fileHash(site.folder.file("Data.gsd"));
        const CustomerSync::Report dry = site.sync({true, false, true});
        QCOMPARE(dry.outcome, Outcome::Changed);
        QCOMPARE(fileHash(site.folder.file("Data.gsd")), before);
        QCOMPARE(QDir(site.folder.path()).entryList({"Data.gsd*"}), QStringList{"Data.gsd"});
        const CustomerSync::Report report = site.sync({false, false, true});
        QCOMPARE(report.outcome, Outcome::Changed);
        QVERIFY2(report.summary.startsWith("units: 1 added, 1 removed, 2 changed; master codes: "
                                           "0 added, 1 removed, 0 changed; written in one "
                                           "transaction, write lock held "),
                 qPrintable(report.summary));
        QCOMPARE(report.details,
                 (QStringList{"changed unit **11 from row 1 (line 2): status \"Rented\" -> "
                              "\"Locked\", zone \"0\" -> \"2\", expiry \"000000\" -> \"123124\", "
                              "exclusion \"no\" -> \"yes\"",
                              "changed unit **33 from row 2 (line 3): fldCustFirstName",
                              "added unit **44 from row 3 (line 4)", "removed unit **22",
                              "removed master code **99"}));
        QCOMPARE(dry.summary,
                 "dry run, nothing written: " + report.summary.section("; written", 0, 0));
        QCOMPARE(dry.details, report.details);
        QCOMPARE(site.units(), QString("1111:Ann 3333:Cy 4444:Ann"));
    }

    // A truncated export or an empty file from a failed copy: more than half
    // of a table's codes would go.
    void shrinkGuard_data()
    {
        QTest::addColumn<int>("unitsKept");
        QTest::addColumn<int>("mastersKept");
        QTest::addColumn<bool>("allowShrink");
        QTest::addColumn<QString>("refusal"); // empty: written
        QTest::newRow("half the units go") << 2 << 1 << false << "";
        QTest::newRow("three of four go")
            << 1 << 1 << false << "tblUnitInfo would lose 3 of its 4 codes, more than half";
        QTest::newRow("the only master code goes")
            << 4 << 0 << false << "tblVextraMasterCodes would lose 1 of its 1";
        QTest::newRow("allowed") << 0 << 0 << true << "";
    }

    void shrinkGuard()
    {
        QFETCH(int, unitsKept);
        QFETCH(int, mastersKept);
        QFETCH(bool, allowShrink);
        QFETCH(QString, refusal);
        Site site;
        const QList<Row> units{unit("1111"), unit("2222"), unit("3333"), unit("4444")};
        QVERIFY(site.synced(units));
        site.write(units.mid(0, unitsKept), OneMaster.mid(0, mastersKept));
        const CustomerSync::Report report = site.sync({false, false, allowShrink});
        QCOMPARE(report.outcome, refusal.isEmpty() ? Outcome::Changed : Outcome::Refused);
        QVERIFY2(report.summary.contains(refusal), qPrintable(report.summary));
        QCOMPARE(site.folder.value("Data.gsd", "select count(*) from tblUnitInfo"),
                 QVariant(refusal.isEmpty() ? unitsKept : 4));
    }

    // The station takes the first row (rowid order) carrying a code: the
    // source's first must be first in the table too, and stay so.
    void duplicateCodesKeepTheSourceOrder_data()
    {
        QTest::addColumn<QList<Row>>("before");
        QTest::addColumn<QList<Row>>("after");
        QTest::addColumn<QString>("stored");
        QTest::newRow("order reversed")
            << QList<Row>{unit("1111", "Ann"), unit("1111", "Bob")}
            << QList<Row>{unit("1111", "Bob"), unit("1111", "Ann")} << "1111:Bob 1111:Ann";
        QTest::newRow("a new first row")
            << QList<Row>{unit("2222"), unit("1111", "Ann")}
            << QList<Row>{unit("1111", "Bob"), unit("1111", "Ann"), unit("2222")}
            << "2222:Ann 1111:Bob 1111:Ann";
        QTest::newRow("the first row goes")
            << QList<Row>{unit("1111", "Ann"), unit("1111", "Bob"), unit("1111", "Cy")}
            << QList<Row>{unit("1111", "Bob"), unit("1111", "Cy")} << "1111:Bob 1111:Cy";
    }

    void duplicateCodesKeepTheSourceOrder()
    {
        QFETCH(QList<Row>, before);
        QFETCH(QList<Row>, after);
        QFETCH(QString, stored);
        Site site;
        QVERIFY(site.synced(before));
        Station station(site.folder);
        site.write(after);
        QCOMPARE(site.sync().outcome, Outcome::Changed);
        QCOMPARE(site.units(), stored);
        QCOMPARE(station.firstName("1111"), after.first()[1]);
        QCOMPARE(site.sync().outcome, Outcome::NoChange);
    }

    // A master code's key (fldID) is its rowid: keys that trade places between
    // codes meet no row still holding them.
    void masterCodesMayTradeKeys()
    {
        Site site;
        QVERIFY(site.synced({unit("1111")}, {master("1", "9999"), master("2", "8888")}));
        site.write({unit("1111")}, {master("2", "9999"), master("1", "8888")});
        const CustomerSync::Report report = site.sync();
        QVERIFY2(report.outcome == Outcome::Changed, qPrintable(report.summary));
        QCOMPARE(site.folder.value("Data.gsd", "select group_concat(fldID || ':' || fldPassCode, "
                                               "' ') from tblVextraMasterCodes"),
                 QVariant("1:8888 2:9999"));
    }

    // A key pressed during a sync is decided on the old rows or the new ones:
    // a reader polling all through sees one or the other, never a mix or an
    // empty table, and the station, never restarted, finds the new rows after.
    // A small change is written in place; one too large for a short
    // transaction replaces the file, unless the station reads it in WAL mode,
    // where a writer shuts no reader out.
    void readersSeeOldRowsOrNewRows_data()
    {
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("renamed");
        QTest::addColumn<int>("added");
        QTest::addColumn<bool>("stationRunning");
        QTest::addColumn<bool>("newFile");
        constexpr int large = CustomerSync::MaxInPlaceRows + 1;
        // more than one chunk each
        QTest::newRow("in place") << 2000 << 700 << 600 << false << false;
        QTest::newRow("large: new file") << large << large << 0 << false << true;
        QTest::newRow("large, the station reading") << large << large << 0 << true << false;
    }

    void readersSeeOldRowsOrNewRows()
    {
        QFETCH(int, units);
        QFETCH(int, renamed);
        QFETCH(int, added);
        QFETCH(bool, stationRunning);
        QFETCH(bool, newFile);
        Site site;
        site.folder.exec("Data.gsd", manyUnits(units, "Old") +
                                         ";INSERT INTO tblVextraMasterCodes VALUES (1, '9999', "
                                         "'Site', 'Manager', 'OFFICE', '', 0, '000000');"
                                         "CREATE TABLE tblOther (x TEXT); "
                                         "INSERT INTO tblOther VALUES ('kept')");
        site.folder.exec("Gate.gsd", "INSERT INTO tblTimeZones VALUES (1, '07:00:00', '19:00:00');"
                                     "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult) "
                                     "VALUES ('2024-05-31 10:00:00', '1234', 'Valid')");
        QList<Row> rows = numbered(units + added);
        for (int i = 0; i < rows.size(); ++i)
            rows[i][1] = i < renamed || i >= units ? "New" : "Old";
        site.write(rows);
        std::optional<Station> station;
        if (stationRunning) {
            station.emplace(site.folder);
            QCOMPARE(station->firstName("100000"), QString("Old"));
        }
        const auto fileBefore = fileIdentity(site.folder.file("Data.gsd"));

        const QByteArray gate = fileHash(site.folder.file("Gate.gsd"));
        // Reopens the file when it is replaced, as the station does.
        QSet<QString> seen;
        const QString data = site.folder.file("Data.gsd");
        BusyConnection reader(
            data, "QSQLITE_BUSY_TIMEOUT=5000",
            [&seen, data, identity = fileIdentity(data)](QSqlDatabase &db) mutable {
                if (fileIdentity(data) != identity) {
                    identity = fileIdentity(data);
                    db.close();
                    db.open();
                }
                QSqlQuery query(db);
                query.exec("select count(*) || ' units, ' || sum(fldCustFirstName = 'New') || "
                           "' new, ' || (select count(*) from tblVextraMasterCodes) || "
                           "' master' from tblUnitInfo");
                seen << (query.next() ? query.value(0).toString() : "failed");
            });
        QTRY_VERIFY(reader.rounds() > 0);
        const CustomerSync::Report report = site.sync();
        reader.stop();
        QCOMPARE(fileHash(site.folder.file("Gate.gsd")), gate); // zones and log never written

        QCOMPARE(report.outcome, Outcome::Changed);
        QVERIFY2(report.summary.contains(newFile ? "as a new file" : "in one transaction"),
                 qPrintable(report.summary));
        QCOMPARE(fileIdentity(site.folder.file("Data.gsd")) != fileBefore, newFile);
        const QSet<QString> oldOrNew{
            QString("%1 units, 0 new, 1 master").arg(units),
            QString("%1 units, %2 new, 1 master").arg(units + added).arg(renamed + added)};
        QVERIFY2(QSet<QString>(seen).subtract(oldOrNew).isEmpty(),
                 qPrintable(seen.values().join('\n')));
        QCOMPARE(
            site.folder.value("Data.gsd", "select count(distinct fldGateCode) from tblUnitInfo"),
            QVariant(units + added));
        if (!station)
            station.emplace(site.folder);
        QCOMPARE(station->firstName("100000"), QString("New"));
        QCOMPARE(station->firstName(QString::number(100000 + units - 1)),
                 QString(renamed < units ? "Old" : "New"));
        QCOMPARE(site.sync().outcome, Outcome::NoChange);
        // The customer database's other tables and its indexes outlive a new file.
        QCOMPARE(site.folder.value("Data.gsd", "select x from tblOther"), QVariant("kept"));
        QCOMPARE(site.folder
                     .value("Data.gsd", "select group_concat(name, ' ') from (select name from "
                                        "sqlite_master where type = 'index' order by name)")
                     .toString(),
                 QString("idxMasterCodesPassCode idxUnitInfoGateCode"));
    }

    // Another program's commit between reading the rows and writing the change
    // (the plan may no longer fit) leaves the file as that program left it.
    void aCommitInBetweenIsNeverOverwritten_data()
    {
        QTest::addColumn<bool>("newFile");
        QTest::newRow("in place") << false;
        QTest::newRow("new file") << true;
    }

    void aCommitInBetweenIsNeverOverwritten()
    {
        QFETCH(bool, newFile);
        Site site;
        const QString path = site.folder.file("Data.gsd");
        CustomerDatabase db(path);
        QString error;
        QList<CurrentRow> units, masters;
        QVERIFY2(db.open(&error) && db.read(units, masters, &error), qPrintable(error));
        site.folder.exec(
            "Data.gsd",
            "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName) VALUES ('5555', 'Eve')");
        TablePlan plan;
        plan.inserts << QVariantList{"1111", "Ann", "Rented", "", QVariant(), "", 0, "000000", 0};
        qint64 lockMs = -1;
        const auto written =
            newFile ? db.replaceFile({{&SyncTables::units(), plan.inserts}}, lockMs, &error)
                    : db.applyInPlace({{&SyncTables::units(), &plan}}, 100, lockMs, &error);
        QCOMPARE(written, CustomerDatabase::Write::ChangedMeanwhile);
        QCOMPARE(site.units(), QString("5555:Eve"));
        QCOMPARE(QDir(site.folder.path()).entryList({"Data.gsd*"}), QStringList{"Data.gsd"});
        QVERIFY2(db.read(units, masters, &error), qPrintable(error));
        QCOMPARE(db.applyInPlace({{&SyncTables::units(), &plan}}, 100, lockMs, &error),
                 CustomerDatabase::Write::Done);
        QCOMPARE(site.units(), QString("5555:Eve 1111:Ann"));
    }

    // One file holding all four tables: the station writes its log there, so a
    // change too large for one short transaction cannot replace the file.
    void aFileWithTheGateLogIsNeverReplaced()
    {
        Site site;
        site.folder.createDatabase("All.gsd", {"customer.sql", "gate.sql"});
        StationSettings settings = site.folder.settings();
        settings.DataDbPath = settings.GateDbPath = site.folder.file("All.gsd");
        site.folder.writeSettings(settings);
        QVERIFY(site.synced({unit("1111")}));
        site.write(QList<Row>{unit("1111")} + numbered(CustomerSync::MaxInPlaceRows + 1));
        const CustomerSync::Report report = site.sync();
        QCOMPARE(report.outcome, Outcome::Refused);
        QVERIFY2(report.summary.contains("All.gsd also holds the gate log"),
                 qPrintable(report.summary));
        QCOMPARE(site.folder.value("All.gsd", "select group_concat(fldGateCode) from tblUnitInfo"),
                 QVariant("1111"));
    }

    // Real files written by Access, read by mdbtools as the sync reads them:
    // memo line breaks, doubled quotes, dates, a non-ASCII table name.
    void realAccessFilesAreReadThroughMdbTools()
    {
        const QDir files(GATE_ACCESS_TESTDATA);
        if (!files.exists())
            QSKIP(qPrintable("the real Access files are not next to the project: " +
                             files.absolutePath()));
        using K = ColumnKind;
        const TableSchema employees{
            "Employees",
            false,
            {{"EmployeeID", K::Number}, {"Address", K::Text}, {"BirthDate", K::DateTime}}};
        const TableSchema sales{
            "Umsätze", false, {{"OrderID", K::Number}, {"OrderDate", K::DateTime}}};
        QList<QList<TextRow>> rows;
        QString error;
        QVERIFY2(readAccessTables(mdbTools(), files.filePath("nwind.mdb"), {employees, sales}, rows,
                                  &error),
                 qPrintable(error));
        QStringList faults;
        QCOMPARE(storedValues(employees, rows[0].first(), faults),
                 (QVariantList{1, "507 - 20th Ave. E.\r\nApt. 2A", "1948-12-08 00:00:00"}));
        QCOMPARE(rows[1].size(), 830);
        for (const TextRow &row : rows[1])
            storedValues(sales, row, faults);
        QCOMPARE(faults, QStringList());

        Site site;
        const CustomerSync::Report report =
            CustomerSync::run(SyncSource::access(files.filePath("sample.accdb")),
                              site.folder.path(), {}, mdbTools(), Today);
        QCOMPARE(report.outcome, Outcome::Refused);
        QVERIFY2(report.summary.contains("has no table tblUnitInfo, tblVextraMasterCodes"),
                 qPrintable(report.summary));
    }

    // gatectl's exit status: 0 for a change, 1 when refused, 2 for a wrong command line.
    void commandLineExitStatus()
    {
        Site site;
        const QStringList source{site.folder.file("units.csv"), site.folder.file("masters.csv"),
                                 site.folder.path()};
        const auto gatectl = [](const QStringList &args, const QString &says) {
            const ProgramRun run = runProgram(GATECTL, QStringList{"sync"} + args);
            return run.said().contains(says) ? run.exitCode : -1;
        };
        site.write({unit("1111")});
        QCOMPARE(gatectl(source, "units: 1 added"), 0);
        site.write({unitWith(7, "13")});
        QCOMPARE(gatectl(source, "refused"), 1);
        QCOMPARE(gatectl(source.mid(1), "refused"), 1); // masters.csv read as an Access file
        QCOMPARE(gatectl({"--watch", "0", site.folder.path()}, "--watch takes seconds"), 2);
    }

    // The watch syncs each change once the file has settled, logs each sync,
    // and keeps the last good data while the source
    // is bad or missing.
    void watchFollowsTheSourceAndKeepsTheLastGoodData()
    {
        Site site;
        site.write({unit("1111", "Ann")});
        QProcess watch;
        watch.start(GATECTL, {"sync", "--watch", "1", site.folder.file("units.csv"),
                              site.folder.file("masters.csv"), site.folder.path()});
        QString log;
        const auto logSoFar = [&]() -> const QString & {
            return log += watch.readAllStandardError();
        };
        QTRY_COMPARE_WITH_TIMEOUT(site.units(), QString("1111:Ann"), 15000);
        // Below the station: a key never waits for the sync's core.
        QFile stat(QStringLiteral("/proc/%1/stat").arg(watch.processId()));
        QVERIFY(stat.open(QIODevice::ReadOnly));
        QCOMPARE(stat.readAll().split(')').last().split(' ').value(17).toInt(), HousekeepingNice);

        // Half a file, then the rest a moment later: never read in between. A
        // loaded machine may stall past the 2 s the file must stay unchanged.
        const QByteArray next = csv(Tables::unitInfo(), {unit("1111", "Bob"), unit("2222")});
        site.folder.write("units.csv", next.left(next.size() - 12));
        QElapsedTimer between;
        between.start();
        QTest::qWait(700);
        site.folder.write("units.csv", next);
        const bool halfFileUnsettled = between.elapsed() < 1900;
        QTRY_VERIFY_WITH_TIMEOUT(logSoFar().contains("units: 1 added, 0 removed, 1 changed"),
                                 15000);
        QCOMPARE(site.units(), QString("1111:Bob 2222:Ann"));

        site.write({unitWith(7, "99")});
        QTRY_VERIFY_WITH_TIMEOUT(logSoFar().contains("keeping the last good data"), 15000);
        QVERIFY(QFile::remove(site.folder.file("masters.csv")));
        QTRY_VERIFY_WITH_TIMEOUT(logSoFar().contains("cannot read"), 15000);
        QCOMPARE(site.units(), QString("1111:Bob 2222:Ann"));

        // A database that cannot be opened for a while: the unchanged source is tried again.
        const QString data = site.folder.file("Data.gsd");
        QVERIFY(QFile::rename(data, data + ".away"));
        site.write({unit("1111", "Bob"), unit("2222"), unit("3333", "Cy")});
        QTRY_VERIFY_WITH_TIMEOUT(logSoFar().contains("cannot open"), 15000);
        QVERIFY(QFile::rename(data + ".away", data));
        QTRY_COMPARE_WITH_TIMEOUT(site.units(), QString("1111:Bob 2222:Ann 3333:Cy"), 15000);
        QTRY_VERIFY_WITH_TIMEOUT(
            logSoFar().trimmed().section('\n', -1).contains("sync: units: 1 added"), 15000);
        watch.kill();
        watch.waitForFinished();
        logSoFar();
        QVERIFY2(!halfFileUnsettled || !log.contains("bad rows, the first tblUnitInfo row 2"),
                 qPrintable(log));
    }
};

QTEST_GUILESS_MAIN(TestSync)
#include "test_sync.moc"
