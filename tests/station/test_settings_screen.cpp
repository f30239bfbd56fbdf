#include "settings/settings_file.h"
#include "support/window_probe.h"

#include <QAction>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QTest>

namespace {

QByteArray settingsFile(const WindowProbe &p)
{
    QFile file(p.folder.file("gatesystem.dat"));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void setBox(const WindowProbe &p, const QString &box, const QString &text)
{
    p.find<QLineEdit>(box)->setText(text);
}

void openSettings(const WindowProbe &p)
{
    p.find<QAction>("mnuSettings")->trigger();
}

} // namespace

class TestSettingsScreen : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }

    void openFillsTheBoxesAndPresetsThePurgeDate()
    {
        WindowProbe p;
        const QDateTime before = QDateTime::currentDateTime();
        openSettings(p);
        QVERIFY(p.find<QGroupBox>("fraSettings")->isVisible() ||
                !p.find<QGroupBox>("fraSettings")->isHidden());
        QCOMPARE(p.find<QLineEdit>("txtScanner(7)")->text(), QStringLiteral("4"));
        QCOMPARE(p.find<QLineEdit>("txtRelay(4)")->text(), QStringLiteral("N"));
        QCOMPARE(p.find<QLineEdit>("txtGateSystemLocation(1)")->text(), p.folder.file("Data.gsd"));
        QCOMPARE(p.find<QLineEdit>("txtScanner(0)")->toolTip(), QStringLiteral("Set 35 Disable"));
        const QDate purge = p.find<QDateTimeEdit>("DTPicker1(4)")->date();
        QCOMPARE(purge, before.date().addDays(-30));
    }

    void openFailsOnAnUnusableKeepDays()
    {
        WindowProbe p([](StartFolder &f) {
            StationSettings s = f.settings();
            s.LogDaysToKeep = -32768;
            f.writeSettings(s);
        });
        openSettings(p);
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Settings Values"});
        QVERIFY(p.find<QGroupBox>("fraSettings")->isHidden());
    }

    void closeAfterTheDefaultsWritesTheStandardLine()
    {
        WindowProbe p;
        openSettings(p);
        for (int index = 0; index < 4; ++index)
            p.click(QStringLiteral("cmdDefault(%1)").arg(index));
        setBox(p, "txtScanner(7)", "5");
        for (int index = 0; index < 4; ++index)
            setBox(p, QStringLiteral("txtCompanyInfo(%1)").arg(index), "");
        p.find<QCheckBox>("ckMinimizeAtStartup")->setChecked(false);
        p.click("cmdSettingClose");
        const QString folder = QDir::toNativeSeparators(p.folder.path());
        const QByteArray expected =
            QStringLiteral(
                "\"%1/Data.gsd\",\"%1/Gate.gsd\",2,2,9600,\"N\",8,1,1,1,9600,\"N\",8,1,5,"
                "1,9600,\"N\",8,1,\"In\",\"Out\",\"\",\"\",\"\",\"\",#FALSE#,2,30\r\n")
                .arg(folder)
                .toUtf8();
        QCOMPARE(settingsFile(p), expected);
        QCOMPARE(Prompts::takeMessages(), QStringList());
        QVERIFY(p.find<QGroupBox>("fraSettings")->isHidden());
        QCOMPARE(p.w->settings().Keypad2CommPort, quint8(1)); // keypad 2's default is port 1 too
    }

    void invalidBoxesChangeNothing_data()
    {
        // clang-format off
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("baud 38400") << "txtScanner(3)" << "38400";
        QTest::newRow("port 300") << "txtRelay(0)" << "300";
        QTest::newRow("empty code length") << "txtScanner(7)" << "";
        QTest::newRow("33 seconds") << "txtRelay(1)" << "33";
        QTest::newRow("quote in a company line") << "txtCompanyInfo(0)" << "Joe's \"Best\"";
        QTest::newRow("quote as parity") << "txtRelay(4)" << "\"";
        QTest::newRow("view days -32768") << "txtCompanyInfo(4)" << "-32768";
        // clang-format on
    }

    void invalidBoxesChangeNothing()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        WindowProbe p;
        const QByteArray before = settingsFile(p);
        const StationSettings record = p.w->settings();
        openSettings(p);
        setBox(p, "txtScanner(7)", "6"); // taken before the invalid box, if it were taken at all
        setBox(p, box, text);
        p.click("cmdSettingClose");
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Settings Invaild Field"});
        QCOMPARE(settingsFile(p), before);
        QCOMPARE(p.w->settings(), record);
        QVERIFY(p.find<QGroupBox>("fraSettings")->isHidden());
    }

    void closeSetsTheHoldTime()
    {
        WindowProbe p;
        openSettings(p);
        setBox(p, "txtRelay(1)", "32");
        p.click("cmdSettingClose");
        QCOMPARE(p.w->devices().relayPauseInterval(), 32000);
        QCOMPARE(p.w->settings().RelayCloseSeconds, quint8(32));
    }

    void greyMinimiseBoxStoresFalse()
    {
        WindowProbe p([](StartFolder &f) {
            StationSettings s = f.settings();
            s.MinimizeAtStartup = true;
            f.writeSettings(s);
        });
        openSettings(p);
        p.find<QCheckBox>("ckMinimizeAtStartup")->setCheckState(Qt::PartiallyChecked);
        p.click("cmdSettingClose");
        QVERIFY(!p.w->settings().MinimizeAtStartup);
        QVERIFY(settingsFile(p).contains(",#FALSE#,"));
    }

    void reopeningWithoutCloseRestoresTheRecord()
    {
        WindowProbe p;
        openSettings(p);
        p.click("cmdDefault(2)");
        setBox(p, "txtCompanyInfo(0)", "Changed");
        QCOMPARE(p.find<QLineEdit>("txtScanner(13)")->text(), QStringLiteral("Out"));
        openSettings(p);
        QCOMPARE(p.find<QLineEdit>("txtCompanyInfo(0)")->text(), QString());
        QCOMPARE(p.find<QLineEdit>("txtScanner(14)")->text(), QStringLiteral("1"));
    }

    void failedWriteChangesNothing()
    {
        WindowProbe p;
        const StationSettings record = p.w->settings();
        QVERIFY(QFile::remove(p.folder.file("gatesystem.dat")));
        QVERIFY(QDir(p.folder.path()).mkdir("gatesystem.dat")); // cannot be replaced by a file
        openSettings(p);
        setBox(p, "txtScanner(7)", "6");
        p.click("cmdSettingClose");
        QCOMPARE(Prompts::takeMessages(), QStringList{"Check Settings Invaild Field"});
        QCOMPARE(p.w->settings(), record);
        QVERIFY(p.w->statusText().contains("not saved"));
    }

    void browseSetsThePathUnlessCancelled()
    {
        WindowProbe p;
        openSettings(p);
        Prompts::queueAnswer("/srv/gate/Other.gsd");
        p.click("cmdGetPath(0)");
        QCOMPARE(p.find<QLineEdit>("txtGateSystemLocation(0)")->text(),
                 QStringLiteral("/srv/gate/Other.gsd"));
        p.click("cmdGetPath(0)"); // cancelled
        QCOMPARE(p.find<QLineEdit>("txtGateSystemLocation(0)")->text(),
                 QStringLiteral("/srv/gate/Other.gsd"));
    }
};

QTEST_MAIN(TestSettingsScreen)
#include "test_settings_screen.moc"
