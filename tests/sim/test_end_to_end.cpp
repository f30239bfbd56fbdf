// The three programs together: a folder from gatectl, the virtual gate in its
// terminal mode and the station offscreen.
#include "support/start_folder.h"

#include <QProcess>
#include <QTest>

namespace {

bool waitForOutput(QProcess &process, QByteArray &seen, const QByteArray &text, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!seen.contains(text) && clock.elapsed() < timeoutMs) {
        process.waitForReadyRead(100);
        seen += process.readAllStandardOutput();
    }
    return seen.contains(text);
}

} // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void aValidCodeOpensTheVirtualGateForTheHoldTime()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QProcess gatectl;
        gatectl.start(GATECTL, {"init", site});
        QVERIFY(gatectl.waitForFinished());
        QCOMPARE(gatectl.exitCode(), 0);
        parent.exec("site/Data.gsd",
                    "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, "
                    "fldStatus, fldUnitName, fldCustID, fldGateTimeZone, fldGateExpireDate) "
                    "VALUES ('1234', 'Ann', 'Smith', 'Rented', 'B12', 345, 0, '000000')");

        QProcess sim;
        sim.setWorkingDirectory(site);
        sim.start(GATE_SIM, {"--tty"});
        QByteArray simOutput;
        QVERIFY2(waitForOutput(sim, simOutput, "Ctrl-C ends", 10000), simOutput.constData());

        QProcess station;
        station.setWorkingDirectory(site);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        station.setProcessEnvironment(env);
        station.start(GATE_STATION, {});
        QVERIFY2(waitForOutput(sim, simOutput, "opened the relay board", 15000),
                 simOutput.constData());

        sim.write("2:1234\n");
        QVERIFY2(waitForOutput(sim, simOutput, "relay ON", 15000), simOutput.constData());
        // the default hold time is 2 seconds
        QVERIFY2(waitForOutput(sim, simOutput, "relay OFF: gate closed after 2.", 15000),
                 simOutput.constData());
        QCOMPARE(parent.value("site/Gate.gsd", "select fldReult || ' ' || fldZone from tblGateLog"),
                 QVariant("Valid Out"));

        station.kill();
        station.waitForFinished();
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
