// The virtual gate, then the three programs together: a folder from gatectl, the
// virtual gate in its terminal mode (keeping the folder's own port map aside) and the station.
#include "support/recorded_relay_board.h"
#include "support/start_folder.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>
#include <sys/stat.h>

class TestEndToEnd : public QObject {
    Q_OBJECT

private slots:
    // The bytes are written out apart from the board's constants; a stray byte is skipped.
    void relayBoardFollowsItsCommandBytes()
    {
        VirtualRelayBoard board;
        QSerialPort port(board.devicePath());
        QVERIFY(port.open(QIODevice::ReadWrite));
        QSignalSpy changes(&board, &VirtualRelayBoard::relayChanged);
        QSignalSpy first(&board, &VirtualRelayBoard::firstCommand);
        port.write(QByteArray("\x55\xFE\x04\xFE\x01\xFE\x04\xFE\x00\xFE\x00\xFE\x04", 13));
        QByteArray status;
        QTRY_COMPARE((status += port.readAll()), QByteArray("\0\1\0", 3));
        QCOMPARE(changes.count(), 2); // the second release changes nothing
        QCOMPARE(changes.first().at(0).toBool(), true);
        QCOMPARE(first.count(), 1);
    }

    void aValidCodeOpensTheVirtualGateForTheHoldTime()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QCOMPARE(QProcess::execute(GATECTL, {"init", site}), 0);
        // Tenants' names and codes: owner and group only.
        for (const QString name : {"", "/gatesystem.dat", "/Data.gsd", "/Gate.gsd"}) {
            struct stat info {};
            QCOMPARE(::stat(qPrintable(site + name), &info), 0);
            QCOMPARE(info.st_mode & 0777, name.isEmpty() ? 0750u : 0640u);
        }
        parent.exec("site/Data.gsd",
                    "INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, fldCustLastName, "
                    "fldStatus, fldUnitName, fldCustID, fldGateTimeZone, fldGateExpireDate) "
                    "VALUES ('1234', 'Ann', 'Smith', 'Rented', 'B12', 345, 0, '000000')");

        parent.write("site/comports.ini", "[ports]\n1=/dev/ttyUSB0\n");
        parent.write("site/station.ini", "[http]\nListen=\n"); // never the real status port

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
        parent.write("site/station.ini", "[keypad]\nLockoutAfter=2\n");

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
        // What the station decided, told from its log: a grant, refusals, the lockout.
        QVERIFY2(simSays("Out: **34 Valid (Smith, Ann, unit B12)"), simOutput.constData());
        sim.write("1:0000\n1:9876\n");
        QVERIFY2(simSays("In: **00 Invalid\n"), simOutput.constData());
        QVERIFY2(simSays("In: Keypad Locked after 2 refused codes"), simOutput.constData());
        // The service journal tells the story, the code masked.
        QByteArray journal;
        for (const char *line : {"decision: Valid at Out, code **34", "relay: on", "relay: off"}) {
            QDeadlineTimer deadline(5000);
            while (!journal.contains(line) && !deadline.hasExpired()) {
                station.waitForReadyRead(100);
                journal += station.readAllStandardError();
            }
            QVERIFY2(journal.contains(line), journal.constData());
        }

        station.kill();
        station.waitForFinished();
        sim.closeWriteChannel();
        QVERIFY(sim.waitForFinished(10000));
        QCOMPARE(sim.exitCode(), 0);
        QFile backup(site + "/comports.ini.bak");
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), QByteArray("[ports]\n1=/dev/ttyUSB0\n"));
    }

    // Killed at a random moment of a burst of codes, the station leaves a row
    // for every opening but the one in flight, and sound databases.
    void killedDuringABurstLosesNoOpening()
    {
        for (int round = 0; round < 3; ++round) {
            StartFolder folder;
            folder.makeStandard();
            folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, "
                                    "fldGateTimeZone) VALUES ('1234', 'Rented', 0)");
            PtyDevice keypad;
            RecordedRelayBoard relay;
            folder.write("comports.ini", QStringLiteral("[ports]\n1=%1\n2=%2\n")
                                             .arg(keypad.devicePath(), relay.devicePath())
                                             .toUtf8());
            folder.write("station.ini", "[http]\nListen=\n");
            QProcess station;
            station.setWorkingDirectory(folder.path());
            station.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
            station.start(GATE_STATION, {});
            QTRY_VERIFY_WITH_TIMEOUT(!relay.received().isEmpty(), 15000); // released at start

            keypad.write(QByteArray("ABCE").repeated(200));
            QTest::qWait(QRandomGenerator::global()->bounded(20, 500)); // the moment is the test
            station.kill();
            QVERIFY(station.waitForFinished());
            const qsizetype opened = relay.readNow().count(RelayOn);
            const qint64 logged =
                folder.value("Gate.gsd", "select count(*) from tblGateLog").toLongLong();
            QVERIFY2(logged == opened || logged == opened - 1,
                     qPrintable(QStringLiteral("%1 opened, %2 logged").arg(opened).arg(logged)));
            for (const char *db : {"Data.gsd", "Gate.gsd"})
                QCOMPARE(folder.value(db, "PRAGMA integrity_check"), QVariant("ok"));
        }
    }
};

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "test_end_to_end.moc"
