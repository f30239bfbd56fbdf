#include "serial/gate_devices.h"
#include "serial/line_settings.h"
#include "serial/port_map.h"
#include "serial/relay_board.h"
#include "serial/station_port.h"
#include "support/recorded_relay_board.h"
#include "support/start_folder.h"

#include <QFile>
#include <QMetaEnum>
#include <QSignalSpy>
#include <QTest>

namespace {

using Outcome = RelayBoard::StatusReply::Outcome;

QString described(const std::optional<LineSettings> &line)
{
    if (!line)
        return QStringLiteral("unusable");
    return QStringLiteral("%1 %2 %3 %4")
        .arg(line->baud)
        .arg(QMetaEnum::fromType<QSerialPort::Parity>().valueToKey(line->parity))
        .arg(line->dataBits)
        .arg(QMetaEnum::fromType<QSerialPort::StopBits>().valueToKey(line->stopBits));
}

} // namespace

class TestSerial : public QObject {
    Q_OBJECT

private slots:
    void relayCommandsAndStatus_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("portOpen");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<int>("value");
        QTest::newRow("0x00") << QByteArray(1, '\0') << true << Outcome::Answered << 0;
        QTest::newRow("0xFF") << QByteArray(1, char(0xFF)) << true << Outcome::Answered << 255;
        QTest::newRow("several: the first") << QByteArray("\x07\x09\x0A") << true << Outcome::Answered << 7;
        QTest::newRow("no answer within the bound") << QByteArray() << true << Outcome::NoAnswer << 0;
        QTest::newRow("port closed") << QByteArray(1, '\1') << false << Outcome::PortClosed << 0;
        // clang-format on
    }

    void relayCommandsAndStatus()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, portOpen);
        QFETCH(Outcome, outcome);
        QFETCH(int, value);
        RecordedRelayBoard board;
        board.setStatusReply(reply);
        QSerialPort port(board.devicePath());
        if (portOpen)
            QVERIFY(port.open(QIODevice::ReadWrite));
        RelayBoard relay(port);
        QCOMPARE(relay.switchOn() && relay.switchOff(), portOpen);
        QCOMPARE(board.readNow(), portOpen ? QByteArray("\xFE\x01\xFE\x00", 4) : QByteArray());
        const RelayBoard::StatusReply status = relay.queryStatus(reply.isEmpty() ? 300 : 5000);
        QCOMPARE(status.outcome, outcome);
        QCOMPARE(int(status.value), value);
        QCOMPARE(board.readNow(), portOpen ? QByteArray("\xFE\x04", 2) : QByteArray());
    }

    void lineSettingsAPortCanTake_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed");
        QTest::newRow("as settings write it") << lineSettingsText(9600, 'N', 8, 1) << "9600 NoParity 8 OneStop";
        QTest::newRow("lower case") << "19200,e,7,2" << "19200 EvenParity 7 TwoStop";
        QTest::newRow("1.5 stop bits") << "1200,O,5,1.5" << "1200 OddParity 5 OneAndHalfStop";
        QTest::newRow("mark") << "300,M,6,1" << "300 MarkParity 6 OneStop";
        QTest::newRow("unknown parity") << "9600,X,8,1" << "unusable";
        QTest::newRow("blank parity") << lineSettingsText(9600, ' ', 8, 1) << "unusable";
        QTest::newRow("7.5 stop bits") << "9600,N,8,7.5" << "unusable";
        QTest::newRow("three fields") << "9600,N,8" << "unusable";
        // clang-format on
    }

    void lineSettingsAPortCanTake()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        QCOMPARE(described(parseLineSettings(text)), parsed);
    }

    void portsOpenByNumberOrSayWhyNot()
    {
        StartFolder folder;
        PtyDevice device;
        folder.write("comports.ini", "; keypads\n[other]\n4=/dev/wrong\n[ports]\n 4 = " +
                                         device.devicePath().toUtf8() +
                                         " \n12=/dev/serial/by-id/usb-relay\n");
        const SerialDevice mapped = serialDeviceFor(12, folder.path());
        QVERIFY(mapped.path == "/dev/serial/by-id/usb-relay" && mapped.fromPortMap);
        const SerialDevice fallback = serialDeviceFor(3, folder.path());
        QVERIFY(fallback.path == "/dev/ttyS2" && !fallback.fromPortMap);

        StationPort port(QStringLiteral("test"));
        port.setRole("Keypad 2");
        QString error;
        QVERIFY(!port.configureAndOpen(0, "9600,N,8,1", folder.path(), &error));
        QVERIFY2(port.stateText().contains("port number 0"), qPrintable(port.stateText()));
        QVERIFY(!port.configureAndOpen(4, "9600,Q,8,1", folder.path(), &error));
        QVERIFY2(error.contains("9600,Q,8,1"), qPrintable(error));
        for (const QString &part :
             {QString("Keypad 2: "), QString("9600,Q,8,1"),
              device.devicePath() + " (port 4 in comports.ini)", QString("check the settings")})
            QVERIFY2(port.stateText().contains(part), qPrintable(port.stateText()));
        QVERIFY(!port.retrying()); // only the operator can mend settings
        QCOMPARE(port.portNumber(), 4);
        QCOMPARE(port.lineSettingsText(), QStringLiteral("9600,N,8,1"));

        QVERIFY2(port.configureAndOpen(4, "19200,E,7,1", folder.path(), &error), qPrintable(error));
        QCOMPARE(port.devicePath(), device.devicePath());
        QVERIFY(!port.setPortNumber(4, folder.path(), &error)); // already open

        // Line ends as any editor writes them, a byte-order mark before the first line.
        folder.write("comports.ini",
                     "\xEF\xBB\xBF[ports]\r5=/dev/ttyUSB5\r\n6=/dev/ttyUSB6\n7=/dev/ttyUSB7");
        for (const int number : {5, 6, 7})
            QCOMPARE(serialDeviceFor(number, folder.path()).path,
                     QStringLiteral("/dev/ttyUSB%1").arg(number));
    }

    // Keypad 1 plugged in after start-up opens by itself; keypad 2 works meanwhile.
    void aLateKeypadOpensByItselfAndHoldsNoOtherBack()
    {
        StartFolder folder;
        PtyDevice keypad1;
        PtyDevice keypad2;
        const QString late = folder.file("keypad-in");
        folder.write("comports.ini",
                     "[ports]\n1=" + late.toUtf8() + "\n3=" + keypad2.devicePath().toUtf8());
        StationSettings settings = folder.settings();
        settings.Keypad2CommPort = 3;
        GateDevices devices;
        QCOMPARE(devices.openKeypadPorts(settings), QStringList{"Check Ports"});
        QVERIFY(devices.keypad(1).isOpen());
        const QString state = devices.keypad(0).stateText();
        for (const QString &part : {QString("Keypad 1: "), late + " (port 1 in comports.ini)",
                                    QString("check the cable and adapter")})
            QVERIFY2(state.contains(part), qPrintable(state));

        QVERIFY(QFile::link(keypad1.devicePath(), late));
        QTRY_VERIFY_WITH_TIMEOUT(devices.keypad(0).isOpen(),
                                 2 * StationPort::RetryIntervalMs + 2000);
        QSignalSpy typed(&devices, &GateDevices::keysArrived);
        keypad1.write("7");
        QVERIFY(typed.wait());
        QCOMPARE(typed.first(), (QVariantList{0, QByteArray("7")}));
        QVERIFY(!devices.keypad(0).stateText().contains("check"));
    }

    void relayMarkerFollowsTheRelay()
    {
        StartFolder folder;
        RecordedRelayBoard board;
        folder.write("comports.ini", "[ports]\n2=" + board.devicePath().toUtf8());
        const QString marker = folder.file("relay-on.flag");
        GateDevices devices;
        devices.setRelayMarkerFile(marker);
        QVERIFY(!devices.relayWasLeftOn());
        QCOMPARE(devices.openRelayPort(folder.settings()), QStringList());
        QVERIFY(devices.relayOn());
        QVERIFY(QFile::exists(marker));
        QVERIFY(devices.relayOff());
        QVERIFY(!QFile::exists(marker));
        QVERIFY(devices.relayOn());

        GateDevices restarted;
        restarted.setRelayMarkerFile(marker);
        QVERIFY(restarted.relayWasLeftOn());
        QVERIFY(!restarted.relayOff()); // not sent: the relay may still be on
        QVERIFY(QFile::exists(marker));
    }
};

QTEST_GUILESS_MAIN(TestSerial)
#include "test_serial.moc"
