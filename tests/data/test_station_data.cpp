#include "data/station_data.h"
#include "support/start_folder.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>
#include <QTest>

namespace {

StationSettings settingsFor(const QString &dataPath, const QString &gatePath)
{
    StationSettings s;
    s.DataDbPath = dataPath;
    s.GateDbPath = gatePath;
    StationData::buildConnectionStrings(s);
    return s;
}

} // namespace

class TestStationData : public QObject {
    Q_OBJECT

private slots:
    void standardFolderConnectsAllFour()
    {
        StartFolder folder;
        folder.makeStandard();
        StationData data;
        QString error;
        const StationSettings s = settingsFor(folder.file("Data.gsd"), folder.file("Gate.gsd"));
        QVERIFY2(data.connectAll(s, &error), qPrintable(error));
        for (const DataControl *c :
             {&data.AdoCustomerCodes, &data.AdoMaster, &data.AdoGateLog, &data.AdoTimeZones})
            QVERIFY2(c->isConnected(), qPrintable(c->name()));
        QCOMPARE(data.AdoTimeZones.recordSource(),
                 QStringLiteral("select * from tblTimeZones order by fldTimeZone"));
        QVERIFY2(data.reconnect(s, &error), qPrintable(error));
    }

    void missingFileFailsAndCreatesNothing()
    {
        StartFolder folder;
        folder.createDatabase("Gate.gsd", {"gate.sql"});
        StationData data;
        QString error;
        QVERIFY(!data.connectAll(settingsFor(folder.file("Data.gsd"), folder.file("Gate.gsd")),
                                 &error));
        QVERIFY2(error.contains("AdoCustomerCodes") && error.contains("Data.gsd"),
                 qPrintable(error));
        QVERIFY(!QFile::exists(folder.file("Data.gsd")));
        QVERIFY(!data.AdoCustomerCodes.isConnected());
        QVERIFY(!data.AdoGateLog.isConnected()); // controls after the failing one stay unconnected
    }

    void emptyPathFails()
    {
        StationData data;
        QString error;
        QVERIFY(!data.connectAll(settingsFor(QString(), QString()), &error));
        QVERIFY(!error.isEmpty());
    }

    void missingColumnOrTableFails_data()
    {
        QTest::addColumn<QString>("gateSql");
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("gate log without fldZone")
            << "CREATE TABLE tblGateLog (fldID INTEGER PRIMARY KEY, fldDateTime TEXT, fldCode TEXT,"
               " fldReult TEXT, fldCustomer TEXT, fldUnitNumber TEXT, fldCustID INTEGER);"
               "CREATE TABLE tblTimeZones (fldTimeZone INTEGER, fldStartTime TEXT, fldStopTime "
               "TEXT)"
            << "tblGateLog.fldZone";
        QTest::newRow("no time-zone table")
            << "CREATE TABLE tblGateLog (fldID INTEGER PRIMARY KEY, fldDateTime TEXT, fldCode TEXT,"
               " fldReult TEXT, fldCustomer TEXT, fldUnitNumber TEXT, fldCustID INTEGER, fldZone "
               "TEXT)"
            << "tblTimeZones missing";
    }

    void missingColumnOrTableFails()
    {
        QFETCH(QString, gateSql);
        QFETCH(QString, errorPart);
        StartFolder folder;
        folder.createDatabase("Data.gsd", {"customer.sql"});
        folder.exec("Gate.gsd", gateSql);
        StationData data;
        QString error;
        QVERIFY(!data.connectAll(settingsFor(folder.file("Data.gsd"), folder.file("Gate.gsd")),
                                 &error));
        QVERIFY2(error.contains(errorPart), qPrintable(error));
    }

    void fileThatIsNoDatabaseFails()
    {
        StartFolder folder;
        QFile junk(folder.file("Data.gsd"));
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(4096, 'x'));
        junk.close();
        StationData data;
        QString error;
        QVERIFY(!data.connectAll(settingsFor(folder.file("Data.gsd"), folder.file("Data.gsd")),
                                 &error));
        QVERIFY2(error.contains("AdoCustomerCodes"), qPrintable(error));
    }

    void oneFileHoldingAllFourTablesWorks()
    {
        StartFolder folder;
        folder.createDatabase("Gate Data.gsd", {"customer.sql", "gate.sql"});
        const QString path = folder.file("Gate Data.gsd");
        StationData data;
        QString error;
        QVERIFY2(data.connectAll(settingsFor(path, path), &error), qPrintable(error));
    }

    void pathsWithBlanksAndOddCharacters()
    {
        StartFolder folder;
        QVERIFY(QDir(folder.path()).mkpath("My Gate #1/100% sure?"));
        const QString dir = "My Gate #1/100% sure?/";
        folder.createDatabase(dir + "Data.gsd", {"customer.sql"});
        folder.createDatabase(dir + "Gate.gsd", {"gate.sql"});
        StationData data;
        QString error;
        const StationSettings s =
            settingsFor(folder.file(dir + "Data.gsd"), folder.file(dir + "Gate.gsd"));
        QVERIFY2(data.connectAll(s, &error), qPrintable(error));
        QCOMPARE(databaseFileOf(s.GateConnectionString), folder.file(dir + "Gate.gsd"));
    }

    void readsGiveTextAndEmptyForNull()
    {
        StartFolder folder;
        folder.makeStandard();
        folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldCustID, fldStatus)"
                                " VALUES ('0123', 42, NULL)");
        StationData data;
        QVERIFY(data.connectAll(settingsFor(folder.file("Data.gsd"), folder.file("Gate.gsd")),
                                nullptr));
        QSqlQuery query(data.AdoCustomerCodes.database());
        QVERIFY(query.exec("select * from tblUnitInfo"));
        QVERIFY(query.next());
        QCOMPARE(columnText(query, "fldGateCode"), QStringLiteral("0123"));
        QCOMPARE(columnText(query, "fldCustID"), QStringLiteral("42"));
        QCOMPARE(columnText(query, "fldStatus"), QString());
        QCOMPARE(columnText(query, "fldGateExclude"), QStringLiteral("0"));
    }

    void reconnectNoticesVanishedFile()
    {
        StartFolder folder;
        folder.makeStandard();
        StationData data;
        const StationSettings s = settingsFor(folder.file("Data.gsd"), folder.file("Gate.gsd"));
        QVERIFY(data.connectAll(s, nullptr));
        QVERIFY(QFile::remove(folder.file("Gate.gsd")));
        QString error;
        QVERIFY(!data.reconnect(s, &error));
        QVERIFY2(error.contains("AdoGateLog"), qPrintable(error));
        QVERIFY(data.AdoCustomerCodes.isConnected());
        QVERIFY(!data.AdoGateLog.isConnected());
        QVERIFY(!QFile::exists(folder.file("Gate.gsd")));
    }
};

QTEST_GUILESS_MAIN(TestStationData)
#include "test_station_data.moc"
