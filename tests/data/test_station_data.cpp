#include "data/station_data.h"
#include "support/start_folder.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace {

StationSettings settingsFor(const StartFolder &folder, const QString &data = "Data.gsd",
                            const QString &gate = "Gate.gsd")
{
    StationSettings s;
    s.DataDbPath = folder.file(data);
    s.GateDbPath = folder.file(gate);
    StationData::buildConnectionStrings(s);
    return s;
}

} // namespace

class TestStationData : public QObject {
    Q_OBJECT

private slots:
    void oneOddlyNamedFileHoldsAllFourAndReconnectNoticesItVanish()
    {
        StartFolder folder;
        QVERIFY(QDir(folder.path()).mkpath("My Gate #1/100% sure?"));
        const QString name = "My Gate #1/100% sure?/Gate Data.gsd";
        folder.createDatabase(name, {"customer.sql", "gate.sql"});
        const StationSettings s = settingsFor(folder, name, name);
        StationData data;
        QString error;
        QVERIFY2(data.connectAll(s, &error), qPrintable(error));
        for (const DataControl *c :
             {&data.AdoCustomerCodes, &data.AdoMaster, &data.AdoGateLog, &data.AdoTimeZones})
            QVERIFY2(c->isConnected(), qPrintable(c->name()));
        QVERIFY(QFile::remove(folder.file(name)));
        QVERIFY(!data.reconnect(s, &error));
        QVERIFY2(error.contains("AdoCustomerCodes"), qPrintable(error));
        QVERIFY(!QFile::exists(folder.file(name)));
        QVERIFY(!data.connectAll(StationSettings(), &error)); // no paths at all
    }

    // SQLite would make an empty database of a missing file; the station must not.
    void missingFileColumnOrTableFails_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("change"); // empty: the file is removed
        QTest::addColumn<QString>("expectedError");
        // clang-format off
        QTest::newRow("no customer database") << "Data.gsd" << "" << "AdoCustomerCodes";
        QTest::newRow("gate log without fldZone") << "Gate.gsd" << "ALTER TABLE tblGateLog DROP COLUMN fldZone" << "tblGateLog.fldZone";
        QTest::newRow("no time-zone table") << "Gate.gsd" << "DROP TABLE tblTimeZones" << "tblTimeZones missing";
        // clang-format on
    }

    void missingFileColumnOrTableFails()
    {
        QFETCH(QString, file);
        QFETCH(QString, change);
        QFETCH(QString, expectedError);
        StartFolder folder;
        folder.makeStandard();
        if (change.isEmpty())
            QVERIFY(QFile::remove(folder.file(file)));
        else
            folder.exec(file, change);
        StationData data;
        QString error;
        QVERIFY(!data.connectAll(settingsFor(folder), &error));
        QVERIFY2(error.contains(expectedError) && error.contains(file), qPrintable(error));
        QCOMPARE(QFile::exists(folder.file(file)), !change.isEmpty());
        QVERIFY(!data.AdoTimeZones.isConnected()); // the first failure stops the rest
    }
};

QTEST_GUILESS_MAIN(TestStationData)
#include "test_station_data.moc"
