#include "settings/settings_file.h"
#include "settings/settings_form.h"
#include "settings/station_folder.h"
#include "support/start_folder.h"

#include <QTest>

namespace {

const QByteArray ExampleLine =
    "\"C:\\Gate\\Data.gsd\",\"C:\\Gate\\Gate.gsd\",2,2,9600,\"N\",8,1,1,1,9600,\"N\",8,1,5,1,9600,"
    "\"N\",8,1,\"In\",\"Out\",\"\",\"\",\"\",\"\",#FALSE#,2,30\r\n";

// Every stored field different from its default and from the others.
// clang-format off
const StationSettings Unusual{
    .CompanyName = "  Storage, Inc.  ", .CompanyAddress = "1 Main St, Unit 4",
    .CompanyCityStateZip = "Springfield, IL  62701", .CompanyPhone = "(217) 555-0100",
    .MinimizeAtStartup = true, .LogViewDays = -3, .LogDaysToKeep = 32767, .RelayCommPort = 17,
    .RelayCloseSeconds = 32, .RelayBaud = 19200, .RelayParity = u'E', .RelayDataBits = 7,
    .RelayStopBits = 2, .RelayNumber = 3, .Keypad1CommPort = 35, .Keypad1Location = "Enter",
    .Keypad1Baud = 4800, .Keypad1Parity = u'O', .Keypad1DataBits = 6, .Keypad1StopBits = 0,
    .Keypad2CommPort = 4, .Keypad2Location = "Exit", .Keypad2Baud = -32768, .Keypad2Parity = u' ',
    .Keypad2DataBits = 5, .Keypad2StopBits = 9, .CodeLength = 255,
    .GateDbPath = "/srv/My Gate/Gate.gsd", .DataDbPath = "/srv/My Gate/Data.gsd", .StartFolder = {},
    .DataConnectionString = {}, .GateConnectionString = {}};
const QByteArray UnusualLine =
    "\"/srv/My Gate/Data.gsd\",\"/srv/My Gate/Gate.gsd\",17,32,19200,\"E\",7,2,3,35,4800,\"O\",6,0,"
    "255,4,-32768,\" \",5,9,\"Enter\",\"Exit\",\"  Storage, Inc.  \",\"1 Main St, Unit 4\","
    "\"Springfield, IL  62701\",\"(217) 555-0100\",#TRUE#,-3,32767\r\n";
// clang-format on

// The example line with item `index` (1-based) replaced.
QByteArray exampleWithItem(int index, const QByteArray &item)
{
    QList<QByteArray> items = ExampleLine.chopped(2).split(',');
    items[index - 1] = item;
    return items.join(',') + "\r\n";
}

} // namespace

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void everyFieldSurvivesFileAndForm()
    {
        QCOMPARE(SettingsFile::format(Unusual), UnusualLine); // read back in loadAndSave
        StationSettings current;
        current.MinimizeAtStartup = true;
        QCOMPARE(settingsFromForm(formFrom(Unusual), current, nullptr), std::optional(Unusual));
    }

    // A refused file (empty `written`) changes nothing; the error names where it failed.
    void parseHandWrittenFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("written");
        QTest::addColumn<QString>("expectedError");
        QList<QByteArray> items = ExampleLine.chopped(2).split(',');
        items.removeLast();
        // clang-format off
        QTest::newRow("no final line end") << ExampleLine.chopped(2) << ExampleLine << "";
        QTest::newRow("LF only") << ExampleLine.chopped(2) + "\n" << ExampleLine << "";
        QTest::newRow("blanks before items skipped, unquoted text trimmed") << exampleWithItem(23, "   Acme Storage   ") << exampleWithItem(23, "\"Acme Storage\"") << "";
        QTest::newRow("items over two lines") << QByteArray(ExampleLine).replace(",2,30\r\n", ",2\r\n30\r\n") << ExampleLine << "";
        QTest::newRow("anything after item 29 is not read") << ExampleLine.chopped(2) + ",junk,\"more\"\r\n" << ExampleLine << "";
        QTest::newRow("a fraction is rounded, halves to even") << exampleWithItem(29, "30.5") << ExampleLine << "";
        QTest::newRow("empty parity is a blank") << exampleWithItem(6, "\"\"") << exampleWithItem(6, "\" \"") << "";
        QTest::newRow("28 items") << items.join(',') + "\r\n" << QByteArray() << "after 28";
        QTest::newRow("empty file") << QByteArray() << QByteArray() << "after 0";
        QTest::newRow("byte above 255") << exampleWithItem(3, "256") << QByteArray() << "RelayCommPort";
        QTest::newRow("int16 below range") << exampleWithItem(28, "-32769") << QByteArray() << "LogViewDays";
        QTest::newRow("no exponents") << exampleWithItem(4, "1e1") << QByteArray() << "RelayCloseSeconds";
        QTest::newRow("flag word") << exampleWithItem(27, "False") << QByteArray() << "MinimizeAtStartup";
        // clang-format on
    }

    void parseHandWrittenFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, written);
        QFETCH(QString, expectedError);
        StationSettings s = Unusual;
        QString error;
        QCOMPARE(SettingsFile::parse(content, s, &error), !written.isEmpty());
        QVERIFY2(error.contains(expectedError), qPrintable(error));
        QCOMPARE(SettingsFile::format(s), written.isEmpty() ? UnusualLine : written);
    }

    // Both keep what they had when they fail; what is saved loads back whole.
    void loadAndSave()
    {
        StartFolder folder;
        const QString name = StationFolder(folder.path()).settingsFile();
        StationSettings s = Unusual;
        QString error;
        QVERIFY(!SettingsFile::load(name, s, &error));
        QVERIFY(SettingsFile::save(name, s, nullptr));
        s.CompanyName = QStringLiteral("Joe's \"Best\" Storage");
        QVERIFY(!SettingsFile::save(name, s, &error));
        QVERIFY2(error.contains("CompanyName"), qPrintable(error));
        QVERIFY(SettingsFile::load(name, s, &error));
        QCOMPARE(s, Unusual);
    }

    // Close takes a box only when the station can use what it holds.
    void formBoxes_data()
    {
        // clang-format off
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("why"); // empty: the box is taken as typed
        QTest::newRow("32 seconds") << "txtRelay(1)" << "32" << "";
        QTest::newRow("33 seconds") << "txtRelay(1)" << "33" << "Relay Settings Close Time Seconds \"33\": 33 seconds is more than 32; allowed: a whole number from 0 to 32";
        QTest::newRow("view days -32768") << "txtCompanyInfo(4)" << "-32768" << "View # Log Days \"-32768\": -32768 days cannot be counted back; allowed: a whole number from -32767 to 32767";
        QTest::newRow("baud -32768 is no day count") << "txtScanner(11)" << "-32768" << "";
        QTest::newRow("baud 32768") << "txtScanner(3)" << "32768" << "Keypad 1 Settings Baud \"32768\": is no value it can hold; allowed: a whole number from -32768 to 32767";
        QTest::newRow("port 255") << "txtRelay(0)" << "255" << "";
        QTest::newRow("port 256") << "txtRelay(0)" << "256" << "Relay Settings Comm Port \"256\": is no value it can hold; allowed: a whole number from 0 to 255";
        QTest::newRow("empty code length") << "txtScanner(7)" << "" << "Number of Digits in Code \"\": is no value it can hold; allowed: a whole number from 0 to 255";
        QTest::newRow("quote as parity") << "txtRelay(4)" << "\"" << "Relay Settings Parity \"\"\": holds a double quote; allowed: one character, not a double quote";
        QTest::newRow("quote in a company line") << "txtCompanyInfo(0)" << "Joe's \"Best\"" << "Company \"Joe's \"Best\"\": holds a double quote; allowed: any text without a double quote";
        // clang-format on
    }

    void formBoxes()
    {
        QFETCH(QString, box);
        QFETCH(QString, text);
        QFETCH(QString, why);
        const StationSettings current = StationSettings::defaults(QStringLiteral("/srv/gate"));
        SettingsForm form = formFrom(current);
        form.insert(box, text);
        QString reason;
        QString badBox;
        const auto next = settingsFromForm(form, current, &reason, &badBox);
        QCOMPARE(next.has_value(), why.isEmpty());
        QCOMPARE(reason, why);
        QCOMPARE(badBox, why.isEmpty() ? QString() : box);
        if (next)
            QCOMPARE(formFrom(*next).value(box), text);
    }
};

QTEST_GUILESS_MAIN(TestSettings)
#include "settings/station_folder.h"
#include "test_settings.moc"
