#include "serial/relay_board.h"
#include "sim/virtual_gate.h"
#include "support/start_folder.h"

#include <QFile>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTest>

namespace {

std::unique_ptr<QSerialPort> openPort(const QString &path)
{
    auto port = std::make_unique<QSerialPort>(path);
    if (!port->open(QIODevice::ReadWrite))
        qFatal("cannot open %s", qPrintable(path));
    return port;
}

} // namespace

class TestVirtualGate : public QObject {
    Q_OBJECT

private slots:
    void keysSendOneLetterEach()
    {
        VirtualGate gate;
        QVERIFY(gate.isValid());
        auto keypad2 = openPort(gate.keypad2.devicePath());
        for (QChar key : QStringLiteral("1234567890*#dH"))
            QVERIFY(gate.press(2, key));
        QVERIFY(!gate.press(2, 'X'));
        QByteArray sent;
        QTRY_VERIFY((sent += keypad2->readAll()).size() >= 14);
        QCOMPARE(sent, QByteArray("ABCEFGIJKNMODH"));
    }

    void relayBoardFollowsCommandsAndAnswersItsState()
    {
        VirtualGate gate;
        auto port = openPort(gate.relay.devicePath());
        RelayBoard board(*port);
        QSignalSpy changes(&gate.relay, &VirtualRelayBoard::relayChanged);
        QSignalSpy first(&gate.relay, &VirtualRelayBoard::firstCommand);

        QCOMPARE(board.queryStatus(3000).value, quint8(0));
        QCOMPARE(first.count(), 1);
        QVERIFY(board.switchOn());
        QVERIFY(changes.wait());
        QVERIFY(gate.relay.energised());
        QCOMPARE(board.queryStatus(3000).value, quint8(1));
        QVERIFY(board.switchOff());
        QVERIFY(changes.wait());
        QCOMPARE(changes.last().at(0).toBool(), false);
        QVERIFY(changes.last().at(1).toLongLong() >= 0);
        QVERIFY(board.switchOff()); // no change, no signal
        QCOMPARE(board.queryStatus(3000).value, quint8(0));
        QCOMPARE(changes.count(), 2);
        QCOMPARE(first.count(), 1);
    }

    void publishWritesThePortMapAndKeepsTheOldOne()
    {
        StartFolder folder;
        QFile old(folder.file("comports.ini"));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("[ports]\n1=/dev/ttyUSB0\n");
        old.close();
        VirtualGate gate;
        QVERIFY(gate.publish(folder.path(), nullptr));
        QFile map(folder.file("comports.ini"));
        QVERIFY(map.open(QIODevice::ReadOnly));
        QCOMPARE(map.readAll(), QStringLiteral("[ports]\n1=%1\n2=%2\n3=%3\n")
                                    .arg(gate.keypad1.devicePath(), gate.relay.devicePath(),
                                         gate.keypad2.devicePath())
                                    .toUtf8());
        QFile backup(folder.file("comports.ini.bak"));
        QVERIFY(backup.open(QIODevice::ReadOnly));
        QCOMPARE(backup.readAll(), QByteArray("[ports]\n1=/dev/ttyUSB0\n"));
    }
};

QTEST_GUILESS_MAIN(TestVirtualGate)
#include "test_virtual_gate.moc"
