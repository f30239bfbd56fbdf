#include "station/gate_window.h"
#include "support/gate_site.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

namespace {

const QByteArray RelayOn("\xFE\x01", 2);
const QByteArray RelayOff("\xFE\x00", 2);
const QColor LightYellow(255, 255, 128);

QPushButton *button(GateWindow &w, const char *name)
{
    return w.findChild<QPushButton *>(name);
}

QColor colour(GateWindow &w, const char *name)
{
    return button(w, name)->palette().color(QPalette::Button);
}

bool portOpen(GateWindow &w, int keypad)
{
    return w.devices().keypad(keypad).isOpen();
}

} // namespace

class TestDeviceStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Prompts::takeMessages(); }

    void startUpOpensEveryPortAndReleasesTheRelayOnce()
    {
        GateSite site;
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY(w->devices().relayPortOpen());
        QVERIFY(portOpen(*w, 0));
        QVERIFY(portOpen(*w, 1));
        for (int keypad : {0, 1})
            QCOMPARE(w->devices().keypad(keypad).lineSettingsText(), QStringLiteral("9600,N,8,1"));
        QCOMPARE(site.relay.readNow(), RelayOff);
        QCOMPARE(colour(*w, "cmdRelayOff"), LightYellow);
        QVERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains(site.relay.devicePath()));
    }

    void missingRelayStillOpensKeypads()
    {
        GateSite site;
        site.mapPorts(site.keypad1.devicePath(), "/dev/no-such-relay", site.keypad2.devicePath());
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Relay Settings"});
        QVERIFY(!w->devices().relayPortOpen());
        QVERIFY(portOpen(*w, 0));
        QVERIFY(portOpen(*w, 1));
        QVERIFY(w->statusText().startsWith("Connected"));
    }

    void missingKeypad1LeavesKeypad2Untouched()
    {
        GateSite site;
        site.mapPorts("/dev/no-such-keypad", site.relay.devicePath(), site.keypad2.devicePath());
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Ports"});
        QVERIFY(!portOpen(*w, 0));
        QVERIFY(!portOpen(*w, 1));
    }

    void missingKeypad2ShowsItsNumberThenCheckPorts()
    {
        GateSite site;
        site.mapPorts(site.keypad1.devicePath(), site.relay.devicePath(), "/dev/no-such-keypad");
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), (QStringList{"3", "Check Ports"}));
        QVERIFY(portOpen(*w, 0));
        QVERIFY(!portOpen(*w, 1));
    }

    // A line settings text keypad 2 cannot take: its number is shown, and the
    // second open uses what the port already held.
    void badKeypad2SettingsOpenWithThePortsOwn()
    {
        GateSite site;
        site.settings.Keypad2Parity = 'X';
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList{"3"});
        QVERIFY(portOpen(*w, 1));
        QCOMPARE(w->devices().keypad(1).lineSettingsText(), QStringLiteral("9600,N,8,1"));
    }

    void disabledKeypadsOpenNothingAndSayNothing()
    {
        GateSite site;
        site.settings.Keypad1CommPort = 35;
        site.settings.Keypad2CommPort = 0;
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY(!portOpen(*w, 0));
        QVERIFY(!portOpen(*w, 1));
        QVERIFY(w->devices().relayPortOpen());
    }

    void relayButtonsSendTheirBytesAndMarkThemselves()
    {
        GateSite site;
        auto w = site.start();
        site.relay.readNow();
        button(*w, "cmdRelayOn")->click();
        QCOMPARE(site.relay.readNow(), RelayOn);
        QCOMPARE(colour(*w, "cmdRelayOn"), LightYellow);
        QCOMPARE(colour(*w, "cmdRelayOff"), QApplication::palette().color(QPalette::Button));
        button(*w, "cmdRelayOff")->click();
        QCOMPARE(site.relay.readNow(), RelayOff);
        QCOMPARE(colour(*w, "cmdRelayOff"), LightYellow);
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    void closedRelayPort()
    {
        GateSite site;
        site.mapPorts(site.keypad1.devicePath(), "/dev/no-such-relay", site.keypad2.devicePath());
        auto w = site.start();
        Prompts::takeMessages();
        const QColor before = colour(*w, "cmdRelayOn");
        button(*w, "cmdRelayOn")->click();
        QCOMPARE(Prompts::takeMessages(), QStringList{"Relay On Port Not Open?"});
        QCOMPARE(colour(*w, "cmdRelayOn"), before);
        button(*w, "cmdRelayOff")->click();
        QCOMPARE(Prompts::takeMessages(), QStringList());
        button(*w, "cmdRelayStatus")->click();
        QCOMPARE(Prompts::takeMessages(), QStringList{"Relay Status Port Closed"});
    }

    void relayStatusShowsTheReplyByte_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0x00") << QByteArray(1, '\0') << "0";
        QTest::newRow("0xFF") << QByteArray(1, char(0xFF)) << "255";
        QTest::newRow("several bytes") << QByteArray("\x01\x02") << "1";
    }

    void relayStatusShowsTheReplyByte()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, shown);
        GateSite site;
        site.relay.setStatusReply(reply);
        auto w = site.start();
        button(*w, "cmdRelayStatus")->click();
        QCOMPARE(w->findChild<QLabel *>("Label1")->text(), shown);
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    void relayStatusWithoutReplyGivesUp()
    {
        GateSite site;
        site.relay.setStatusReply(QByteArray());
        auto w = site.start();
        w->findChild<QLabel *>("Label1")->setText("7");
        button(*w, "cmdRelayStatus")->click();
        QCOMPARE(w->findChild<QLabel *>("Label1")->text(), QStringLiteral("7"));
        const QStringList messages = Prompts::takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY(messages[0].contains("did not answer"));
    }

    void holdTimeSetsThePause_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<int>("interval");
        QTest::addColumn<bool>("connected");
        QTest::newRow("0") << 0 << 0 << true;
        QTest::newRow("32") << 32 << 32000 << true;
        QTest::newRow("33 stops start-up") << 33 << 2000 << false;
        QTest::newRow("255 stops start-up") << 255 << 2000 << false;
    }

    void holdTimeSetsThePause()
    {
        QFETCH(int, seconds);
        QFETCH(int, interval);
        QFETCH(bool, connected);
        GateSite site;
        site.settings.RelayCloseSeconds = quint8(seconds);
        auto w = site.start();
        QCOMPARE(w->devices().relayPauseInterval(), interval);
        QCOMPARE(w->data().AdoCustomerCodes.isConnected(), connected);
        QCOMPARE(w->devices().relayPortOpen(), connected);
        QCOMPARE(portOpen(*w, 0), connected);
    }

    void pauseReleasesTheRelayAndRestartsWhenArmedAgain()
    {
        GateSite site;
        site.settings.RelayCloseSeconds = 1;
        auto w = site.start();
        site.relay.readNow();
        button(*w, "cmdRelayOn")->click();
        w->devices().armRelayPause();
        QTest::qWait(600);
        w->devices().armRelayPause(); // a second grant keeps the gate open a full hold time
        QTest::qWait(600);
        QVERIFY(w->devices().relayPauseActive());
        QCOMPARE(site.relay.readNow(), RelayOn);
        QTRY_COMPARE(site.relay.received(), RelayOff);
        QVERIFY(!w->devices().relayPauseActive());
    }

    void zeroHoldTimeNeverReleases()
    {
        GateSite site;
        site.settings.RelayCloseSeconds = 0;
        auto w = site.start();
        button(*w, "cmdRelayOn")->click();
        w->devices().armRelayPause();
        QVERIFY(!w->devices().relayPauseActive());
    }

    void exitReleasesOnceEvenWhileThePauseRuns()
    {
        GateSite site;
        site.settings.RelayCloseSeconds = 1;
        auto w = site.start();
        w->show();
        button(*w, "cmdRelayOn")->click();
        w->devices().armRelayPause();
        site.relay.readNow();
        w->findChild<QAction *>("mnuExit")->trigger();
        QCOMPARE(site.relay.readNow(), RelayOff);
        QSignalSpy tick(&w->devices(), &GateDevices::relayPauseElapsed);
        QVERIFY(tick.wait(3000));
        QCOMPARE(site.relay.readNow(), QByteArray());
        QVERIFY(!w->isVisible());
        QVERIFY(w->settings().ExitRequested);
    }

    void closeBoxSendsNothing()
    {
        GateSite site;
        auto w = site.start();
        w->show();
        button(*w, "cmdRelayOn")->click();
        site.relay.readNow();
        QVERIFY(w->close());
        QVERIFY(!w->settings().ExitRequested);
        w.reset();
        QCOMPARE(site.relay.readNow(), QByteArray());
    }

    // The board's port is down when the hold time ends: the release is sent as
    // soon as the port is back, so the gate does not stay open.
    void releaseMissedDuringAnOutageIsSentOnReturn()
    {
        GateSite site;
        const QString link = site.folder.file("relay-link");
        QVERIFY(QFile::link(site.relay.devicePath(), link));
        site.mapPorts(site.keypad1.devicePath(), link, site.keypad2.devicePath());
        site.settings.RelayCloseSeconds = 1;
        auto w = site.start();
        button(*w, "cmdRelayOn")->click();
        w->devices().armRelayPause();
        site.relay.closeMaster();
        QTRY_VERIFY(!w->devices().relayPortOpen());
        QSignalSpy tick(&w->devices(), &GateDevices::relayPauseElapsed);
        QVERIFY(tick.wait(3000));

        RecordedRelayBoard replugged;
        QVERIFY(QFile::remove(link));
        QVERIFY(QFile::link(replugged.devicePath(), link));
        QTRY_VERIFY_WITH_TIMEOUT(w->devices().relayPortOpen(), 10000);
        QTRY_COMPARE(replugged.received(), RelayOff);
    }

    void unpluggedKeypadIsReportedAndTheOtherStaysOpen()
    {
        GateSite site;
        auto w = site.start();
        site.keypad1.closeMaster();
        QTRY_VERIFY(!portOpen(*w, 0));
        QVERIFY(portOpen(*w, 1));
        QTRY_VERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains("failed"));
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }
};

QTEST_MAIN(TestDeviceStart)
#include "test_device_start.moc"
