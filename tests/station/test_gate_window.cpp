#include "station/gate_window.h"
#include "support/start_folder.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

namespace {

bool allConnected(const GateWindow &w)
{
    const StationData &d = w.data();
    return d.AdoCustomerCodes.isConnected() && d.AdoMaster.isConnected() &&
           d.AdoGateLog.isConnected() && d.AdoTimeZones.isConnected();
}

bool anyConnected(const GateWindow &w)
{
    const StationData &d = w.data();
    return d.AdoCustomerCodes.isConnected() || d.AdoMaster.isConnected() ||
           d.AdoGateLog.isConnected() || d.AdoTimeZones.isConnected();
}

bool messageBoxShown()
{
    const auto widgets = QApplication::topLevelWidgets();
    return std::any_of(widgets.begin(), widgets.end(),
                       [](QWidget *w) { return qobject_cast<QMessageBox *>(w) && w->isVisible(); });
}

QDateTime startDate(const GateWindow &w)
{
    return w.findChild<QDateTimeEdit *>("DTPicker1(2)")->dateTime();
}

QDateTime endDate(const GateWindow &w)
{
    return w.findChild<QDateTimeEdit *>("DTPicker1(3)")->dateTime();
}

// The pickers keep whole milliseconds; compare against the clock around construction.
bool within(const QDateTime &value, const QDateTime &from, const QDateTime &to)
{
    return value >= from.addMSecs(-1) && value <= to.addMSecs(1);
}

} // namespace

class TestGateWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }
    void init() { Prompts::takeMessages(); }

    void withoutSettingsFileStartsSilentlyUnconnected()
    {
        StartFolder folder;
        folder.enter();
        const QDateTime before = QDateTime::currentDateTime();
        GateWindow w;
        const QDateTime after = QDateTime::currentDateTime();

        QCOMPARE(w.objectName(), QStringLiteral("frmGate"));
        QCOMPARE(w.windowTitle(), QStringLiteral("Gate Access"));
        auto *filter = w.findChild<QListWidget *>("lstFilter");
        QCOMPARE(filter->count(), 8);
        QCOMPARE(filter->currentItem()->text(), QStringLiteral("ALL"));
        QCOMPARE(filter->item(7)->text(), QStringLiteral("List Selection"));
        QVERIFY(within(startDate(w), before, after));
        QCOMPARE(startDate(w), endDate(w));
        auto *frame = w.findChild<QGroupBox *>("fraSettings");
        QCOMPARE(frame->pos(), QPoint(8, 8));
        QVERIFY(frame->isHidden());
        QCOMPARE(w.settings().StartFolder, folder.path());
        QVERIFY(!w.settings().ExitRequested);
        QVERIFY(!anyConnected(w));
        QVERIFY(!messageBoxShown());
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY(!w.devices().relayPortOpen());
        QVERIFY2(w.statusText().contains("gatesystem.dat"), qPrintable(w.statusText()));
    }

    void standardFolderConnectsEverything()
    {
        StartFolder folder;
        folder.makeStandard();
        folder.enter();
        GateWindow w;
        QVERIFY2(allConnected(w), qPrintable(w.statusText()));
        QVERIFY(w.statusText().startsWith("Connected"));
        QVERIFY(w.statusText().contains(folder.file("Gate.gsd")));
        QCOMPARE(w.settings().CodeLength, quint8(4));
        QCOMPARE(w.settings().GateConnectionString.isEmpty(), false);
        QVERIFY(!w.findChild<QCheckBox *>("ckMinimizeAtStartup")->isChecked());
        QVERIFY(!w.isMinimized());
    }

    void logViewDaysSetsTheStartDate_data()
    {
        QTest::addColumn<int>("days");
        QTest::newRow("0: start is now") << 0;
        QTest::newRow("2: two calendar days back") << 2;
        QTest::newRow("-1: a day ahead") << -1;
    }

    void logViewDaysSetsTheStartDate()
    {
        QFETCH(int, days);
        StartFolder folder;
        folder.makeStandard();
        StationSettings s = folder.settings();
        s.LogViewDays = qint16(days);
        folder.writeSettings(s);
        folder.enter();
        const QDateTime before = QDateTime::currentDateTime();
        GateWindow w;
        const QDateTime after = QDateTime::currentDateTime();
        QVERIFY(within(startDate(w), before.addDays(-days), after.addDays(-days)));
        QVERIFY(within(endDate(w), before, after));
        QVERIFY(allConnected(w));
    }

    void logViewDaysThatCannotBeNegatedStopsStartUp()
    {
        StartFolder folder;
        folder.makeStandard();
        StationSettings s = folder.settings();
        s.LogViewDays = -32768;
        folder.writeSettings(s);
        folder.enter();
        GateWindow w;
        QVERIFY(!anyConnected(w));
        QVERIFY2(w.statusText().contains("-32768"), qPrintable(w.statusText()));
        QCOMPARE(startDate(w).date(), QDate::currentDate());
    }

    void minimisedStartWithMissingDatabase()
    {
        StartFolder folder;
        folder.createDatabase("Gate.gsd", {"gate.sql"});
        StationSettings s = folder.settings();
        s.MinimizeAtStartup = true;
        folder.writeSettings(s);
        folder.enter();
        GateWindow w;
        w.show();
        QVERIFY(w.isMinimized());
        QVERIFY(w.findChild<QCheckBox *>("ckMinimizeAtStartup")->isChecked());
        QVERIFY(!anyConnected(w));
        QVERIFY2(w.statusText().contains("Data.gsd"), qPrintable(w.statusText()));
        QVERIFY(!messageBoxShown());
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }

    void minimizeButton()
    {
        StartFolder folder;
        folder.makeStandard();
        folder.enter();
        GateWindow w;
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.findChild<QPushButton *>("cmdMinimize")->click();
        QTRY_VERIFY(w.isMinimized());
    }
};

QTEST_MAIN(TestGateWindow)
#include "test_gate_window.moc"
