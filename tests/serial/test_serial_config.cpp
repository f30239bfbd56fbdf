#include "serial/line_settings.h"
#include "serial/port_map.h"
#include "serial/station_port.h"
#include "sim/virtual_relay_board.h"
#include "support/start_folder.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

namespace {

void writePortMap(const StartFolder &folder, const QByteArray &content)
{
    QFile file(folder.file("comports.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

} // namespace

class TestSerialConfig : public QObject {
    Q_OBJECT

private slots:
    void lineSettingsTextFromFields()
    {
        QCOMPARE(lineSettingsText(9600, 'N', 8, 1), QStringLiteral("9600,N,8,1"));
        QCOMPARE(lineSettingsText(-1, ' ', 0, 255), QStringLiteral("-1, ,0,255"));
    }

    void lineSettingsAPortCanTake_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("usable");
        QTest::newRow("defaults") << "9600,N,8,1" << true;
        QTest::newRow("even 7 2") << "19200,E,7,2" << true;
        QTest::newRow("mark, space, odd") << "1200,M,5,1" << true;
        QTest::newRow("unknown parity") << "9600,X,8,1" << false;
        QTest::newRow("blank parity") << "9600, ,8,1" << false;
        QTest::newRow("7.5 stop bits") << "9600,N,8,7.5" << false;
        QTest::newRow("0 stop bits") << "9600,N,8,0" << false;
        QTest::newRow("9 data bits") << "9600,N,9,1" << false;
        QTest::newRow("baud 0") << "0,N,8,1" << false;
        QTest::newRow("negative baud") << "-1,N,8,1" << false;
        QTest::newRow("three fields") << "9600,N,8" << false;
    }

    void lineSettingsAPortCanTake()
    {
        QFETCH(QString, text);
        QFETCH(bool, usable);
        QCOMPARE(parseLineSettings(text).has_value(), usable);
    }

    void portNumbersMapToDevices()
    {
        StartFolder folder;
        QCOMPARE(serialDeviceFor(1, folder.path()), QStringLiteral("/dev/ttyS0"));
        writePortMap(folder, "; keypads\n[other]\n1=/dev/wrong\n[ports]\n 1 = /dev/ttyUSB0 \n"
                             "12=/dev/serial/by-id/usb-relay\n");
        QCOMPARE(serialDeviceFor(1, folder.path()), QStringLiteral("/dev/ttyUSB0"));
        QCOMPARE(serialDeviceFor(12, folder.path()), QStringLiteral("/dev/serial/by-id/usb-relay"));
        QCOMPARE(serialDeviceFor(3, folder.path()), QStringLiteral("/dev/ttyS2"));
    }

    void configureAndOpenStopsAtTheFailingStep()
    {
        StartFolder folder;
        PtyDevice device;
        writePortMap(folder, "[ports]\n4=" + device.devicePath().toUtf8() + "\n");
        StationPort port(QStringLiteral("test"));
        QString error;

        QVERIFY(!port.configureAndOpen(0, "9600,N,8,1", folder.path(), &error));
        QVERIFY(!port.configureAndOpen(4, "9600,Q,8,1", folder.path(), &error));
        QVERIFY2(error.contains("9600,Q,8,1"), qPrintable(error));
        QCOMPARE(port.portNumber(), 4); // the number step had succeeded
        QCOMPARE(port.lineSettingsText(), QStringLiteral("9600,N,8,1"));
        QVERIFY(!port.isOpen());

        QVERIFY2(port.configureAndOpen(4, "19200,E,7,1", folder.path(), &error), qPrintable(error));
        QVERIFY(port.isOpen());
        QVERIFY(port.stateText().contains(device.devicePath()));
        QVERIFY(!port.setPortNumber(4, folder.path(), &error)); // already open
    }

    void receiveEventsNeedAThreshold()
    {
        StartFolder folder;
        PtyDevice device;
        writePortMap(folder, "[ports]\n1=" + device.devicePath().toUtf8() + "\n");
        StationPort port(QStringLiteral("keypad"));
        QVERIFY(port.configureAndOpen(1, "9600,N,8,1", folder.path(), nullptr));
        QSignalSpy events(&port, &StationPort::onComm);
        device.write("A");
        QTRY_COMPARE(port.port().bytesAvailable(), 1);
        QCOMPARE(events.count(), 0);
        port.port().readAll();
        port.setReceiveThreshold(1);
        device.write("B");
        QVERIFY(events.wait());
        QCOMPARE(events.takeFirst().at(0).toInt(), StationPort::ReceiveEvent);
    }

    // An unplugged adapter: the port closes (ending Qt's error flood), says so,
    // and opens again once the device is back under the same path.
    void vanishedDeviceIsReportedAndReopened()
    {
        StartFolder folder;
        auto first = std::make_unique<PtyDevice>();
        const QString link = folder.file("keypad");
        QVERIFY(QFile::link(first->devicePath(), link));
        writePortMap(folder, "[ports]\n1=" + link.toUtf8() + "\n");
        StationPort port(QStringLiteral("keypad"));
        port.setReceiveThreshold(1);
        QVERIFY(port.configureAndOpen(1, "9600,N,8,1", folder.path(), nullptr));

        first->closeMaster();
        QTRY_VERIFY(!port.isOpen());
        QVERIFY2(port.stateText().contains("failed"), qPrintable(port.stateText()));

        PtyDevice second;
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(second.devicePath(), link));
        QTRY_VERIFY_WITH_TIMEOUT(port.isOpen(), 10000);
        QSignalSpy events(&port, &StationPort::onComm);
        second.write("C");
        QVERIFY(events.wait());
    }
};

QTEST_GUILESS_MAIN(TestSerialConfig)
#include "test_serial_config.moc"
