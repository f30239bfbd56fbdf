#include "serial/relay_board.h"
#include "support/recorded_relay_board.h"

#include <QElapsedTimer>
#include <QTest>

class TestRelayBoard : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<RecordedRelayBoard> board;
    std::unique_ptr<QSerialPort> port;

private slots:
    void init()
    {
        board = std::make_unique<RecordedRelayBoard>();
        port = std::make_unique<QSerialPort>(board->devicePath());
        QVERIFY(port->open(QIODevice::ReadWrite));
    }

    void cleanup()
    {
        port.reset();
        board.reset();
    }

    // The gate must not wait for the event loop: the bytes are out on return.
    void commandsLeaveThePortAtOnce()
    {
        RelayBoard relay(*port);
        QVERIFY(relay.switchOn());
        QCOMPARE(board->readNow(), QByteArray("\xFE\x01", 2));
        QVERIFY(relay.switchOff());
        QCOMPARE(board->readNow(), QByteArray("\xFE\x00", 2));
    }

    void statusAnswers_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("shown");
        QTest::newRow("0x00") << QByteArray(1, '\0') << 0;
        QTest::newRow("0xFF") << QByteArray(1, char(0xFF)) << 255;
        QTest::newRow("several bytes: the first") << QByteArray("\x07\x09\x0A") << 7;
    }

    void statusAnswers()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, shown);
        board->setStatusReply(reply);
        RelayBoard relay(*port);
        const RelayBoard::StatusReply status = relay.queryStatus(5000);
        QCOMPARE(status.outcome, RelayBoard::StatusReply::Answered);
        QCOMPARE(int(status.value), shown);
        QVERIFY(board->received().endsWith(QByteArray("\xFE\x04", 2)));
    }

    void statusWithoutAnswerEndsAfterTheBound()
    {
        board->setStatusReply(QByteArray());
        RelayBoard relay(*port);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(relay.queryStatus(300).outcome, RelayBoard::StatusReply::NoAnswer);
        QVERIFY(clock.elapsed() >= 290);
    }

    void closedPortSendsNothing()
    {
        port->close();
        RelayBoard relay(*port);
        QVERIFY(!relay.switchOn());
        QVERIFY(!relay.switchOff());
        QCOMPARE(relay.queryStatus(100).outcome, RelayBoard::StatusReply::PortClosed);
        QCOMPARE(board->readNow(), QByteArray());
    }

    void pauseInSigned16BitMilliseconds()
    {
        QCOMPARE(relayPauseMs(0), std::optional<int>(0));
        QCOMPARE(relayPauseMs(2), std::optional<int>(2000));
        QCOMPARE(relayPauseMs(32), std::optional<int>(32000));
        QVERIFY(!relayPauseMs(33));
        QVERIFY(!relayPauseMs(255));
    }
};

QTEST_GUILESS_MAIN(TestRelayBoard)
#include "test_relay_board.moc"
