#include "data/station_data.h"
#include "support/other_program.h"
#include "support/start_folder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
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
        QVERIFY2(error.contains("AdoGateLog"), qPrintable(error));
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

    // Codes are found through an index: the file's own, or one made when it has
    // none; when it cannot take one (another program holds its write lock),
    // through a map of the station's own that follows other programs' commits.
    void codeLookupWays_data()
    {
        QTest::addColumn<bool>("indexed");
        QTest::addColumn<bool>("locked");
        QTest::addColumn<CodeIndex::Way>("way");
        QTest::addColumn<QString>("note");
        QTest::newRow("indexed") << true << false << CodeIndex::Way::FileIndex << "";
        QTest::newRow("made") << false << false << CodeIndex::Way::MadeIndex
                              << "code indexes added to the customer database";
        QTest::newRow("own") << false << true << CodeIndex::Way::OwnMap
                             << "customer database has no code index and takes none: the "
                                "station keeps its own look-up";
    }

    void codeLookupWays()
    {
        QFETCH(bool, indexed);
        QFETCH(bool, locked);
        QFETCH(CodeIndex::Way, way);
        QFETCH(QString, note);
        StartFolder folder;
        folder.makeStandard();
        folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldUnitName) VALUES "
                                "('1111', 'first'), ('2222', 'other'), ('1111', 'second')");
        if (!indexed)
            folder.exec("Data.gsd", "DROP INDEX idxUnitInfoGateCode; DROP INDEX "
                                    "idxMasterCodesPassCode");
        const StationSettings s = settingsFor(folder);
        StationData data;
        {
            const OtherProgram other(folder.file("Data.gsd"),
                                     locked ? QStringList{"BEGIN IMMEDIATE"} : QStringList{});
            QVERIFY(other.ok());
            QString error;
            QVERIFY2(data.connectAll(s, &error), qPrintable(error));
        }
        QCOMPARE(data.unitCodes().way(), way);
        QCOMPARE(data.masterCodes().way(), way);
        QCOMPARE(data.lookupNote(), note);

        auto unitOf = [&](const QString &code) {
            QString error;
            if (!data.prepareForDecision(s, &error))
                return "failed: " + error;
            QSqlQuery q(data.AdoCustomerCodes.database());
            bool found = false;
            if (!data.unitCodes().seek(q, code, found, &error))
                return "failed: " + error;
            return found ? columnText(q, "fldUnitName") : QString("none");
        };
        QCOMPARE(unitOf("1111"), QString("first"));
        folder.exec("Data.gsd", "DELETE FROM tblUnitInfo WHERE fldUnitName = 'first';"
                                "INSERT INTO tblUnitInfo (fldGateCode, fldUnitName) "
                                "VALUES ('3333', 'new')");
        QCOMPARE(unitOf("1111"), QString("second"));
        QCOMPARE(unitOf("3333"), QString("new"));
        QCOMPARE(unitOf("4444"), QString("none"));
    }
};

QTEST_GUILESS_MAIN(TestStationData)
#include "test_station_data.moc"
