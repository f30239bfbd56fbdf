// The three programs together: a folder from gatectl, the virtual gate in its
// terminal mode (keeping the folder's own port map aside) and the station.
#include "support/start_folder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTest>

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aValidCodeOpensTheVirtualGateForTheHoldTime()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QCOMPARE(QProcess::execute(GATECTL, {"init", site}), 0);
        parent.exec("site/Data.gsd",
                    "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, "
                    "fldStatus, fldUnitName, fldCustID, fldGateTimeZone, fldGateExpireDate) "
                    "VALUES ('1234', 'Ann', 'Smith', 'Rented', 'B12', 345, 0, '000000')");

        QFile oldMap(site + "/comports.ini");
        QVERIFY(oldMap.open(QIODevice::WriteOnly) &&
                oldMap.write("[ports]\n1=/dev/ttyUSB0\n") > 0 && oldMap.flush());

        QProcess sim;
        sim.setWorkingDirectory(site);
        sim.start(GATE_SIM, {"--tty"});
        QByteArray simOutput;
        const auto simSays = [&](const QByteArray &text) {
            QDeadlineTimer deadline(15000);
            while (!simOutput.contains(text) && !deadline.hasExpired() &&
                   sim.state() != QProcess::NotRunning) {
                sim.waitForReadyRead(100);
                simOutput += sim.readAllStandardOutput();
            }
            return simOutput.contains(text);
        };
        QVERIFY2(simSays("Ctrl-C ends"), simOutput.constData());

        QProcess station;
        station.setWorkingDirectory(site);
        qputenv("QT_QPA_PLATFORM", "offscreen"); // passed on to the station
        station.start(GATE_STATION, {});
        QVERIFY2(simSays("opened the relay board"), simOutput.constData());

        // keypad 2 with a code of gatectl's length 4; the default hold time is 2 seconds
        sim.write("2:1234\n");
        QVERIFY2(simSays("relay ON"), simOutput.constData());
        QVERIFY2(simSays("relay OFF: gate closed after 2."), simOutput.constData());
        QCOMPARE(parent.value("site/Gate.gsd", "select fldReult || ' ' || fldZone from tblGateLog"),
                 QVariant("Valid Out"));

        station.kill();
        station.waitForFinished();
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QFile backup(site + "/comports.ini.bak");
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), QByteArray("[ports]\n1=/dev/ttyUSB0\n"));
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
