#include "sim/virtual_gate.h"

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
    // The bytes are written out apart from the board's constants; a stray byte is skipped.
    void relayBoardFollowsItsCommandBytes()
    {
        VirtualGate gate;
        auto port = openPort(gate.relay.devicePath());
        QSignalSpy changes(&gate.relay, &VirtualRelayBoard::relayChanged);
        QSignalSpy first(&gate.relay, &VirtualRelayBoard::firstCommand);
        port->write(QByteArray("\x55\xFE\x04\xFE\x01\xFE\x04\xFE\x00\xFE\x00\xFE\x04", 13));
        QByteArray status;
        QTRY_COMPARE((status += port->readAll()), QByteArray("\0\1\0", 3));
        QCOMPARE(changes.count(), 2); // the second release changes nothing
        QCOMPARE(changes.first().at(0).toBool(), true);
        QCOMPARE(first.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestVirtualGate)
#include "test_virtual_gate.moc"
