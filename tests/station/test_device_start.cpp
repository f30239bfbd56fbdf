#include "common/clock.h"
#include "station/gate_window.h"
#include "support/gate_site.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <functional>

namespace {

const QColor LightYellow(255, 255, 128);
const QString NoDevice = QStringLiteral("/dev/no-such-device");
using Change = std::function<void(GateSite &)>;

void click(GateWindow &w, const char *name)
{
    w.findChild<QPushButton *>(name)->click();
}

QColor colour(GateWindow &w, const char *name)
{
    return w.findChild<QPushButton *>(name)->palette().color(QPalette::Button);
}

// Relay board, keypad 1, keypad 2.
QList<bool> portsOpen(GateWindow &w)
{
    const GateDevices &d = w.devices();
    return {d.relayPortOpen(), d.keypad(0).isOpen(), d.keypad(1).isOpen()};
}

} // namespace

class TestDeviceStart : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Clock::pin(QDateTime(QDate(2026, 1, 7), QTime(12, 0))); }
    void cleanup() { Clock::unpin(); }

    void startUpOpensEveryPortThenTheButtonsDriveTheRelay()
    {
        GateSite site;
        site.relay.setStatusReply(QByteArray(1, char(0xFF)));
        auto w = site.start();
        QCOMPARE(portsOpen(*w), QList<bool>({true, true, true}));
        QCOMPARE(site.relay.readNow(), RelayOff);
        QCOMPARE(colour(*w, "cmdRelayOff"), LightYellow);
        QVERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains(site.relay.devicePath()));

        click(*w, "cmdRelayOn");
        QCOMPARE(site.relay.readNow(), RelayOn);
        QCOMPARE(colour(*w, "cmdRelayOn"), LightYellow);
        QCOMPARE_NE(colour(*w, "cmdRelayOff"), LightYellow);
        click(*w, "cmdRelayOff");
        QCOMPARE(site.relay.readNow(), RelayOff);
        click(*w, "cmdRelayStatus");
        QCOMPARE(w->findChild<QLabel *>("Label1")->text(), QStringLiteral("255"));

        site.keypad1.closeMaster();
        QTRY_COMPARE(portsOpen(*w), QList<bool>({true, false, true}));
        QTRY_VERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains("failed"));
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    // A device failing at start-up shows no box (nobody may be there); the others still open.
    void portsThatFailAtStartUp_data()
    {
        QTest::addColumn<Change>("change");
        QTest::addColumn<QList<bool>>("open");
        QTest::addColumn<QString>("named");
        QTest::newRow("relay missing") << Change([](GateSite &s) {
            s.mapPorts(s.keypad1.devicePath(), NoDevice, s.keypad2.devicePath());
        }) << QList<bool>{false, true, true}
                                       << NoDevice;
        QTest::newRow("keypad 1 missing, keypad 2 there") << Change([](GateSite &s) {
            s.mapPorts(NoDevice, s.relay.devicePath(), s.keypad2.devicePath());
        }) << QList<bool>{true, false, true} << NoDevice;
        QTest::newRow("keypad 2 settings unusable")
            << Change([](GateSite &s) { s.settings.Keypad2Parity = 'X'; })
            << QList<bool>{true, true, true} << QString();
        QTest::newRow("both keypads disabled") << Change([](GateSite &s) {
            s.settings.Keypad1CommPort = 35;
            s.settings.Keypad2CommPort = 0;
        }) << QList<bool>{true, false, false} << QString();
    }

    void portsThatFailAtStartUp()
    {
        QFETCH(Change, change);
        QFETCH(QList<bool>, open);
        QFETCH(QString, named);
        GateSite site;
        change(site);
        auto w = site.start();
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QCOMPARE(portsOpen(*w), open);
        QVERIFY(w->findChild<QLabel *>("deviceStatus")->text().contains(named));
    }

    // A second grant holds the gate a full hold time from itself (timers never fire early).
    void pauseReleasesRestartsWhenArmedAgainAndKeepsQuietAfterExit()
    {
        GateSite site;
        site.settings.RelayCloseSeconds = 1;
        auto w = site.start();
        w->show();
        site.relay.readNow();
        click(*w, "cmdRelayOn");
        w->devices().armRelayPause();
        QTest::qWait(600);
        QElapsedTimer sinceSecondGrant;
        sinceSecondGrant.start();
        w->devices().armRelayPause();
        QCOMPARE(site.relay.readNow(), RelayOn);
        QTRY_COMPARE(site.relay.received(), RelayOff);
        QVERIFY(sinceSecondGrant.elapsed() >= 950);
        QVERIFY(!w->devices().relayPauseActive());

        click(*w, "cmdRelayOn");
        w->devices().armRelayPause();
        site.relay.readNow();
        w->findChild<QAction *>("mnuExit")->trigger();
        QCOMPARE(site.relay.readNow(), RelayOff);
        QSignalSpy tick(&w->devices(), &GateDevices::relayPauseElapsed);
        QVERIFY(tick.wait(3000));
        QCOMPARE(site.relay.readNow(), QByteArray());
        QVERIFY(!w->isVisible());
        QCOMPARE(Prompts::takeMessages(), QStringList());

        w->devices().armRelayPause();
        QVERIFY(w->devices().setRelayPause(0)); // 0 never releases, not even a running pause
        QVERIFY(!w->devices().relayPauseActive());
        w->devices().armRelayPause();
        QVERIFY(!w->devices().relayPauseActive());
    }
};

QTEST_MAIN(TestDeviceStart)
#include "test_device_start.moc"
