#include "admin/folder_setup.h"
#include "admin/log_command.h"
#include "serial/port_map.h"
#include "support/fake_access.h"
#include "tables/csv_reader.h"

#include <QBuffer>
#include <QFile>
#include <QTest>

class TestGatectl : public QObject {
    Q_OBJECT

private slots:
    // CSV's hard cases: quoted commas, quotes and line breaks; CR LF. An empty
    // field, NULL or not, is empty text.
    void importConvertsEveryTable()
    {
        StartFolder folder;
        QString error;
        QStringList report;
        QVERIFY2(FakeAccess().import(folder, &error, &report), qPrintable(error));
        QCOMPARE(report, (QStringList{"tblUnitInfo: 2 rows", "tblVextraMasterCodes: 1 rows",
                                      "tblGateLog: 1 rows", "tblTimeZones: 1 rows"}));
        QCOMPARE(folder.value("Data.gsd",
                              "select group_concat(fldGateCode || '|' || ifnull(fldCustFirstName, "
                              "'NULL') || '|' || fldCustLastName || '|' || fldGateExclude, ';') "
                              "from tblUnitInfo"),
                 QVariant("0123|Ann|O'Neil, \"Jr\"|0;2222||Two\nLines|-1"));
        QCOMPARE(folder.value("Data.gsd", "select ifnull(fldKeyPad, 'NULL') || fldExpireDate "
                                          "from tblVextraMasterCodes"),
                 QVariant("000000"));
        QCOMPARE(folder.value("Gate.gsd",
                              "select fldID || ' ' || fldDateTime || ' ' || fldStartTime "
                              "|| '-' || fldStopTime from tblGateLog, tblTimeZones"),
                 QVariant("7 2012-03-07 14:05:09 07:00:00-20:00:00"));
    }

    // An Access number column keeps no leading zeros: imported, and said.
    void importWarnsOfANumberCodeColumn()
    {
        FakeAccess access;
        access.tables["tblUnitInfo"].first.replace("\"0123\"", "123");
        StartFolder folder;
        QStringList warnings;
        QString error;
        QVERIFY2(AccessImport::run(access.reader(), "Data.mdb", "Gate.mdb", folder.path(), nullptr,
                                   &warnings, &error),
                 qPrintable(error));
        QCOMPARE(warnings.size(), 1);
        QVERIFY2(warnings.first().startsWith("tblUnitInfo: fldGateCode is a number column"),
                 qPrintable(warnings.first()));
    }

    // Nothing lands unless every row converts and every table is empty.
    void badImportsLeaveNoRows_data()
    {
        // clang-format off
        const QString log = "tblGateLog", zones = "tblTimeZones", none;
        const QByteArray logHeader = "fldID,fldDateTime,fldCode,fldReult,fldCustomer,fldUnitNumber,fldCustID,fldZone\n";
        const QByteArray zoneHeader = "fldTimeZone,fldStartTime,fldStopTime\n";
        QTest::addColumn<QString>("table");
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("prepare");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("date before 1900") << log << logHeader + "1,2012-01-01 00:00:00,,,,,0,\n2,1900-01-00 00:00:00,,,,,0,\n" << 2 << none << "tblGateLog row 2, fldDateTime";
        QTest::newRow("quote never closed") << zones << zoneHeader + "\"1,2,3\n" << 1 << none << "line 2";
        QTest::newRow("row count differs") << zones << zoneHeader << 3 << none << "0 rows read but the file holds 3";
        QTest::newRow("time not a time") << zones << zoneHeader + "1,1899-12-30 25:00:00,08:00:00\n" << 1 << none << "row 1, fldStartTime";
        QTest::newRow("a table already holds rows") << none << QByteArray() << 0 << "INSERT INTO tblTimeZones VALUES (5, '07:00:00', '08:00:00')" << "already holds rows";
        QTest::newRow("the last write fails") << none << QByteArray() << 0 << "CREATE TRIGGER refuse BEFORE INSERT ON tblTimeZones BEGIN SELECT RAISE(ABORT, 'disk trouble'); END" << "disk trouble";
        // clang-format on
    }

    void badImportsLeaveNoRows()
    {
        QFETCH(QString, table);
        QFETCH(QByteArray, csv);
        QFETCH(int, count);
        QFETCH(QString, prepare);
        QFETCH(QString, errorPart);
        FakeAccess access;
        if (!table.isEmpty())
            access.tables[table] = {csv, count};
        StartFolder folder;
        if (!prepare.isEmpty()) {
            QVERIFY(FolderSetup::init(folder.path(), nullptr, nullptr));
            folder.execStatement("Gate.gsd", prepare);
        }
        QString error;
        QVERIFY(!access.import(folder, &error));
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        if (prepare.isEmpty())
            QVERIFY(!QFile::exists(folder.file("Data.gsd")));
        else
            QCOMPARE(folder.value("Data.gsd", "select count(*) from tblUnitInfo"), QVariant(0));
    }

    // What init writes is shown working by the end-to-end test.
    void initRefusesAFolderThatHasOne()
    {
        StartFolder parent;
        QString error;
        QVERIFY2(FolderSetup::init(parent.file("site"), nullptr, &error), qPrintable(error));
        QVERIFY(!FolderSetup::init(parent.file("site"), nullptr, &error));
        QVERIFY2(error.contains("already exists"), qPrintable(error));
    }

    // The port map init writes changes nothing until an entry is uncommented;
    // an installer's own map is kept.
    void initWritesAPortMapToEdit()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QStringList created;
        QVERIFY(FolderSetup::init(site, &created, nullptr));
        QVERIFY(created.contains(site + "/comports.ini"));
        for (int port : {1, 2, 3}) {
            const SerialDevice device = serialDeviceFor(port, site);
            QCOMPARE(device.path, QString("/dev/ttyS%1").arg(port - 1));
            QVERIFY(!device.fromPortMap);
        }
        QFile map(site + "/comports.ini");
        QVERIFY(map.open(QIODevice::ReadOnly));
        const QByteArray text = map.readAll();
        QVERIFY(text.contains("/dev/serial/by-id/"));
        parent.write("site/comports.ini",
                     QByteArray(text).replace(";2=/dev/ttyS1", "2=/dev/ttyUSB0"));
        QCOMPARE(serialDeviceFor(2, site).path, "/dev/ttyUSB0");

        StartFolder other;
        other.write("comports.ini", "[ports]\n1=/dev/mine\n");
        QVERIFY(FolderSetup::init(other.path(), &created, nullptr));
        QVERIFY(!created.contains(other.file("comports.ini")));
        QCOMPARE(serialDeviceFor(1, other.path()).path, "/dev/mine");
    }

    // gatectl log selects as the log view does, in the folder's gate database;
    // a wrong argument is named, nothing written.
    void logCommand_data()
    {
        // clang-format off
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("codes");
        const QStringList day{"--from", "2026-03-07", "--to", "2026-03-07"};
        QTest::newRow("a day, table") << day << 0 << QStringList{"1", "2"};
        QTest::newRow("two days, CSV") << QStringList{"--from", "2026-03-07", "--to", "2026-03-08", "--csv"} << 0 << QStringList{"1", "2", "3"};
        QTest::newRow("customer, filter") << QStringList{"--from", "2026-03-07", "--to", "2026-03-08", "--customer", "8", "--result", "Allowed Access", "--csv"} << 0 << QStringList{"3"};
        QTest::newRow("neither filter nor word") << day + QStringList{"--result", "valid"} << 2 << QStringList();
        QTest::newRow("a word of earlier versions") << day + QStringList{"--result", "Keypad Locked"} << 0 << QStringList();
        QTest::newRow("no date") << QStringList{"--from", "3/7/2026", "--to", "2026-03-07"} << 2 << QStringList();
        // clang-format on
    }

    void logCommand()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitCode);
        QFETCH(QStringList, codes);
        StartFolder folder;
        folder.makeStandard();
        // Paths as a hand edit may leave them: relative to the station's folder.
        StationSettings settings = folder.settings();
        settings.GateDbPath = "Gate.gsd";
        folder.writeSettings(settings);
        folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, "
                                "fldCustID) VALUES ('2026-03-07 09:00:00', '1', 'Valid', 7), "
                                "('2026-03-07 23:59:59', '2', 'Locked Out', 7), "
                                "('2026-03-08 00:00:00', '3', 'Valid', 8)");
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QCOMPARE(LogCommand::run(QStringList{folder.path()} + options, out), exitCode);
        QStringList listed;
        if (options.contains("--csv")) {
            QList<CsvRow> rows;
            QVERIFY(parseCsvFile(out.data(), rows, nullptr));
            for (const CsvRow &row : rows.mid(1))
                listed << row.value(2).text;
        } else {
            const QStringList lines = QString::fromUtf8(out.data()).split('\n', Qt::SkipEmptyParts);
            for (const QString &line : lines.mid(1))
                listed << line.mid(25, 10).trimmed();
        }
        QCOMPARE(listed, codes);
    }
};

QTEST_GUILESS_MAIN(TestGatectl)
#include "test_gatectl.moc"
