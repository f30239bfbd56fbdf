#include "admin/access_import.h"
#include "admin/csv_reader.h"
#include "admin/station_folder.h"
#include "data/station_data.h"
#include "settings/settings_file.h"
#include "support/start_folder.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace {

// Tables as mdb-export writes them (header row, text quoted with doubled
// quotes, dates by -T, NULL as nothing), with the counts mdb-count gives.
struct FakeAccess {
    QMap<QString, QByteArray> csv;
    QMap<QString, qint64> counts;

    FakeAccess()
    {
        set("tblUnitInfo",
            "fldGateCode,fldCustFirstName,fldStatus,fldUnitName,fldCustID,fldCustLastName,"
            "fldGateTimeZone,fldGateExpireDate,fldGateExclude,fldExtra\n"
            "\"0123\",\"Ann\",\"Rented\",\"B12\",345,\"O'Neil, \"\"Jr\"\"\",1,\"123130\",0,7\n"
            "\"2222\",,\"Locked\",\"C7\",346,\"Two\nLines\",0,\"000000\",1,8\n",
            2);
        set("tblVextraMasterCodes",
            "fldID,fldPassCode,fldFirstName,fldLastName,fldUnitNumber,fldKeyPad,fldTimeZone,"
            "fldExpireDate\r\n5,\"9999\",\"Site\",\"Manager\",\"OFFICE\",\"\",0,\"000000\"\r\n",
            1);
        set("tblGateLog",
            "fldID,fldDateTime,fldCode,fldReult,fldCustomer,fldUnitNumber,fldCustID,fldZone\n"
            "7,2012-03-07 14:05:09,\"0123\",\"Valid\",\"O'Neil, Ann\",\"B12\",345,\"In\"\n",
            1);
        set("tblTimeZones",
            "fldTimeZone,fldStartTime,fldStopTime\n1,1899-12-30 07:00:00,1899-12-30 20:00:00\n", 1);
    }

    void set(const QString &table, const QByteArray &content, qint64 count)
    {
        csv[table] = content;
        counts[table] = count;
    }

    AccessImport::TableExport source() const
    {
        return [this](const QString &, const QString &table, QByteArray &out, qint64 &count,
                      QString *) {
            out = csv.value(table);
            count = counts.value(table);
            return true;
        };
    }
};

bool import(const FakeAccess &access, const StartFolder &folder, QString *error,
            QStringList *report = nullptr)
{
    return AccessImport::run(access.source(), "Data.mdb", "Gate.mdb", folder.path(), report, error);
}

} // namespace

class TestGatectl : public QObject {
    Q_OBJECT

private slots:
    void csvFields()
    {
        QList<CsvRow> rows;
        QVERIFY(parseCsv("a,\"b,c\",\"say \"\"hi\"\"\",,\"\"\r\n\"multi\nline\",2", rows, nullptr));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows[0].size(), 5);
        QCOMPARE(rows[0][1].text, QStringLiteral("b,c"));
        QCOMPARE(rows[0][2].text, QStringLiteral("say \"hi\""));
        QVERIFY(!rows[0][3].quoted); // NULL
        QVERIFY(rows[0][4].quoted);  // empty text
        QCOMPARE(rows[1][0].text, QStringLiteral("multi\nline"));
        QString error;
        QVERIFY(!parseCsv("a\n\"open,b\n", rows, &error));
        QVERIFY2(error.contains("line 2"), qPrintable(error));
    }

    void importConvertsEveryTable()
    {
        StartFolder folder;
        QString error;
        QStringList report;
        QVERIFY2(import(FakeAccess(), folder, &error, &report), qPrintable(error));
        QCOMPARE(report, (QStringList{"tblUnitInfo: 2 rows", "tblVextraMasterCodes: 1 rows",
                                      "tblGateLog: 1 rows", "tblTimeZones: 1 rows"}));
        QCOMPARE(folder.value("Data.gsd", "select fldGateCode from tblUnitInfo where rowid = 1"),
                 QVariant("0123"));
        QCOMPARE(
            folder.value("Data.gsd", "select fldCustLastName from tblUnitInfo where rowid = 1"),
            QVariant("O'Neil, \"Jr\""));
        QVERIFY(folder.value("Data.gsd", "select fldCustFirstName from tblUnitInfo where rowid = 2")
                    .isNull());
        QCOMPARE(folder.value("Data.gsd", "select fldGateExclude from tblUnitInfo where rowid = 2"),
                 QVariant(-1));
        QCOMPARE(folder.value("Data.gsd", "select fldKeyPad from tblVextraMasterCodes"),
                 QVariant(""));
        QCOMPARE(folder.value("Gate.gsd", "select fldDateTime from tblGateLog"),
                 QVariant("2012-03-07 14:05:09"));
        QCOMPARE(folder.value("Gate.gsd", "select fldID from tblGateLog"), QVariant(7));
        QCOMPARE(
            folder.value("Gate.gsd", "select fldStartTime || '-' || fldStopTime from tblTimeZones"),
            QVariant("07:00:00-20:00:00"));

        // the imported files are what the station connects to
        StationSettings s = folder.settings();
        StationData::buildConnectionStrings(s);
        StationData data;
        QVERIFY2(data.connectAll(s, &error), qPrintable(error));
    }

    void badRowsRefuseTheWholeImport_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("date before 1900")
            << "tblGateLog"
            << QByteArray("fldID,fldDateTime,fldCode,fldReult,fldCustomer,fldUnitNumber,fldCustID,"
                          "fldZone\n1,2012-01-01 00:00:00,,,,,0,\n2,1900-01-00 00:00:00,,,,,0,\n")
            << qint64(2) << "tblGateLog row 2, fldDateTime";
        QTest::newRow("row count differs")
            << "tblTimeZones" << QByteArray("fldTimeZone,fldStartTime,fldStopTime\n") << qint64(3)
            << "0 rows read but the file holds 3";
        QTest::newRow("missing column")
            << "tblTimeZones" << QByteArray("fldTimeZone,fldStartTime\n") << qint64(0)
            << "no column fldStopTime";
        QTest::newRow("zone not a number")
            << "tblTimeZones"
            << QByteArray("fldTimeZone,fldStartTime,fldStopTime\nx,07:00:00,08:00:00\n")
            << qint64(1) << "tblTimeZones row 1, fldTimeZone";
        QTest::newRow("time not a time")
            << "tblTimeZones"
            << QByteArray("fldTimeZone,fldStartTime,fldStopTime\n1,1899-12-30 25:00:00,08:00:00\n")
            << qint64(1) << "fldStartTime";
    }

    void badRowsRefuseTheWholeImport()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, csv);
        QFETCH(qint64, count);
        QFETCH(QString, errorPart);
        FakeAccess access;
        access.set(table, csv, count);
        StartFolder folder;
        QString error;
        QVERIFY(!import(access, folder, &error));
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        QVERIFY(!QFile::exists(folder.file("Data.gsd")));
    }

    void importIntoFilledTablesIsRefused()
    {
        StartFolder folder;
        QVERIFY(import(FakeAccess(), folder, nullptr));
        QString error;
        QVERIFY(!import(FakeAccess(), folder, &error));
        QVERIFY2(error.contains("already holds rows"), qPrintable(error));
        QCOMPARE(folder.value("Data.gsd", "select count(*) from tblUnitInfo"), QVariant(2));
    }

    // The last table failing to write takes the others back with it.
    void aFailedWriteLeavesEveryTableEmpty()
    {
        StartFolder folder;
        folder.createDatabase("Data.gsd", {"customer.sql"});
        folder.createDatabase("Gate.gsd", {"gate.sql"});
        folder.execStatement("Gate.gsd", "CREATE TRIGGER refuse BEFORE INSERT ON tblTimeZones "
                                         "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END");
        QString error;
        QVERIFY(!import(FakeAccess(), folder, &error));
        QVERIFY2(error.contains("disk trouble"), qPrintable(error));
        QCOMPARE(folder.value("Data.gsd", "select count(*) from tblUnitInfo"), QVariant(0));
        QCOMPARE(folder.value("Gate.gsd", "select count(*) from tblGateLog"), QVariant(0));
    }

    void mdbToolsReportAMissingFile()
    {
        StartFolder folder;
        QString error;
        QVERIFY(!AccessImport::run(AccessImport::mdbTools(), folder.file("none.mdb"),
                                   folder.file("none.mdb"), folder.path(), nullptr, &error));
        QVERIFY2(error.contains("mdb-export"), qPrintable(error));
    }

    void initMakesAStationFolderOnce()
    {
        StartFolder parent;
        const QString folder = parent.file("site");
        QStringList created;
        QString error;
        QVERIFY2(StationFolder::init(folder, &created, &error), qPrintable(error));
        QCOMPARE(created.size(), 3);
        StationSettings s;
        QVERIFY(SettingsFile::load(SettingsFile::fileName(folder), s, &error));
        QCOMPARE(s.CodeLength, quint8(4));
        QCOMPARE(s.Keypad2CommPort, quint8(3));
        QCOMPARE(s.DataDbPath, folder + "/Data.gsd");
        StationData::buildConnectionStrings(s);
        StationData data;
        QVERIFY2(data.connectAll(s, &error), qPrintable(error));

        QVERIFY(!StationFolder::init(folder, nullptr, &error));
        QVERIFY2(error.contains("already exists"), qPrintable(error));
    }

    void commandLine()
    {
        QProcess gatectl;
        gatectl.start(GATECTL, {"--help"});
        QVERIFY(gatectl.waitForFinished());
        QCOMPARE(gatectl.exitCode(), 0);
        QVERIFY(gatectl.readAllStandardOutput().contains("import-access"));
        gatectl.start(GATECTL, {"init"});
        QVERIFY(gatectl.waitForFinished());
        QCOMPARE(gatectl.exitCode(), 1);
        QVERIFY(gatectl.readAllStandardError().contains("wrong number of arguments"));
    }
};

QTEST_GUILESS_MAIN(TestGatectl)
#include "test_gatectl.moc"
