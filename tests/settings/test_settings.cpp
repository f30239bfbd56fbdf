#include "common/number_text.h"
#include "settings/settings_file.h"
#include "support/start_folder.h"

#include <QFile>
#include <QTest>

namespace {

const QByteArray ExampleLine =
    "\"C:\\Gate\\Data.gsd\",\"C:\\Gate\\Gate.gsd\",2,2,9600,\"N\",8,1,1,1,9600,\"N\",8,1,5,1,9600,"
    "\"N\",8,1,\"In\",\"Out\",\"\",\"\",\"\",\"\",#FALSE#,2,30\r\n";

StationSettings exampleSettings()
{
    StationSettings s = StationSettings::defaults(QString());
    s.DataDbPath = QStringLiteral("C:\\Gate\\Data.gsd");
    s.GateDbPath = QStringLiteral("C:\\Gate\\Gate.gsd");
    s.CodeLength = 5;
    return s;
}

// Every stored field different from its default and from the others.
StationSettings unusualSettings()
{
    StationSettings s;
    s.DataDbPath = QStringLiteral("/srv/My Gate/Data.gsd");
    s.GateDbPath = QStringLiteral("/srv/My Gate/Gate.gsd");
    s.RelayCommPort = 7;
    s.RelayCloseSeconds = 32;
    s.RelayBaud = 19200;
    s.RelayParity = QChar('E');
    s.RelayDataBits = 7;
    s.RelayStopBits = 2;
    s.RelayNumber = 3;
    s.Keypad1CommPort = 35;
    s.Keypad1Baud = 4800;
    s.Keypad1Parity = QChar('O');
    s.Keypad1DataBits = 6;
    s.Keypad1StopBits = 0;
    s.CodeLength = 255;
    s.Keypad2CommPort = 4;
    s.Keypad2Baud = -32768;
    s.Keypad2Parity = QChar(' ');
    s.Keypad2DataBits = 5;
    s.Keypad2StopBits = 9;
    s.Keypad1Location = QStringLiteral("Enter");
    s.Keypad2Location = QString();
    s.CompanyName = QStringLiteral("  Storage, Inc.  ");
    s.CompanyAddress = QStringLiteral("1 Main St, Unit 4");
    s.CompanyCityStateZip = QStringLiteral("Springfield, IL  62701");
    s.CompanyPhone = QStringLiteral("(217) 555-0100");
    s.MinimizeAtStartup = true;
    s.LogViewDays = -3;
    s.LogDaysToKeep = 32767;
    return s;
}

// The example line with item `index` (1-based) replaced.
QByteArray exampleWithItem(int index, const QByteArray &item)
{
    QList<QByteArray> items = ExampleLine.chopped(2).split(',');
    items[index - 1] = item;
    return items.join(',') + "\r\n";
}

} // namespace

class TestSettingsFile : public QObject {
    Q_OBJECT

private slots:
    void exampleLineIsByteExact()
    {
        QCOMPARE(SettingsFile::format(exampleSettings()), ExampleLine);
    }

    void everyFieldSurvivesSaveAndLoad()
    {
        StartFolder folder;
        const QString name = SettingsFile::fileName(folder.path());
        const StationSettings written = unusualSettings();
        QString error;
        QVERIFY2(SettingsFile::save(name, written, &error), qPrintable(error));
        StationSettings read;
        QVERIFY2(SettingsFile::load(name, read, &error), qPrintable(error));
        QCOMPARE(read, written);
        QVERIFY(SettingsFile::format(written).contains(",#TRUE#,"));
    }

    void parseReadsHandWrittenFiles_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("company");
        QTest::addColumn<qint16>("logDaysToKeep");

        QTest::newRow("no final line end") << ExampleLine.chopped(2) << QString() << qint16(30);
        QTest::newRow("LF only") << ExampleLine.chopped(2) + "\n" << QString() << qint16(30);
        QTest::newRow("commas and blanks kept inside quotes") << exampleWithItem(23, "\" Acme, Storage \"") << QStringLiteral(" Acme, Storage ") << qint16(30);
        QTest::newRow("blanks before items skipped, unquoted text trimmed") << exampleWithItem(23, "   Acme Storage   ") << QStringLiteral("Acme Storage") << qint16(30);
        QTest::newRow("items over two lines") << QByteArray(ExampleLine).replace(",2,30\r\n", ",2\r\n30\r\n") << QString() << qint16(30);
        QTest::newRow("anything after item 29 is not read") << ExampleLine.chopped(2) + ",junk,\"more\"\r\n" << QString() << qint16(30);
        QTest::newRow("a fraction is rounded, halves to even") << exampleWithItem(29, "30.5") << QString() << qint16(30);
        QTest::newRow("negative day count") << exampleWithItem(29, "-7") << QString() << qint16(-7);
        // clang-format on
    }

    void parseReadsHandWrittenFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, company);
        QFETCH(qint16, logDaysToKeep);
        StationSettings s;
        QString error;
        QVERIFY2(SettingsFile::parse(content, s, &error), qPrintable(error));
        QCOMPARE(s.CompanyName, company);
        QCOMPARE(s.LogDaysToKeep, logDaysToKeep);
        QCOMPARE(s.DataDbPath, QStringLiteral("C:\\Gate\\Data.gsd"));
        QCOMPARE(s.CodeLength, quint8(5));
    }

    void parityTakesFirstCharacterOrBlank_data()
    {
        QTest::addColumn<QByteArray>("item");
        QTest::addColumn<QChar>("parity");
        QTest::newRow("empty") << QByteArray("\"\"") << QChar(' ');
        QTest::newRow("word") << QByteArray("\"None\"") << QChar('N');
        QTest::newRow("blank") << QByteArray("\" \"") << QChar(' ');
        QTest::newRow("letter") << QByteArray("\"E\"") << QChar('E');
    }

    void parityTakesFirstCharacterOrBlank()
    {
        QFETCH(QByteArray, item);
        QFETCH(QChar, parity);
        StationSettings s;
        QVERIFY(SettingsFile::parse(exampleWithItem(6, item), s, nullptr));
        QCOMPARE(s.RelayParity, parity);
        QCOMPARE(SettingsFile::format(s), exampleWithItem(6, '"' + QString(parity).toUtf8() + '"'));
    }

    void badFilesFailAndChangeNothing_data()
    {
        // clang-format off
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("errorPart");

        QList<QByteArray> items = ExampleLine.chopped(2).split(',');
        items.removeLast();
        QTest::newRow("28 items") << items.join(',') + "\r\n" << QStringLiteral("after 28");
        QTest::newRow("empty file") << QByteArray() << QStringLiteral("after 0");
        QTest::newRow("byte above 255") << exampleWithItem(3, "256") << QStringLiteral("RelayCommPort");
        QTest::newRow("negative byte") << exampleWithItem(15, "-1") << QStringLiteral("CodeLength");
        QTest::newRow("baud 38400") << exampleWithItem(5, "38400") << QStringLiteral("RelayBaud");
        QTest::newRow("int16 below range") << exampleWithItem(28, "-32769") << QStringLiteral("LogViewDays");
        QTest::newRow("not a number") << exampleWithItem(4, "two") << QStringLiteral("RelayCloseSeconds");
        QTest::newRow("empty number") << exampleWithItem(4, "") << QStringLiteral("RelayCloseSeconds");
        QTest::newRow("flag word") << exampleWithItem(27, "False") << QStringLiteral("MinimizeAtStartup");
        // clang-format on
    }

    void badFilesFailAndChangeNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, errorPart);
        StationSettings s = unusualSettings();
        QString error;
        QVERIFY(!SettingsFile::parse(content, s, &error));
        QVERIFY2(error.contains(errorPart), qPrintable(error));
        QCOMPARE(s, unusualSettings());
    }

    void missingFileFails()
    {
        StartFolder folder;
        StationSettings s;
        QString error;
        QVERIFY(!SettingsFile::load(folder.file(QStringLiteral("gatesystem.dat")), s, &error));
        QVERIFY(!error.isEmpty());
    }

    void fileNameJoinsStartFolderUnchanged()
    {
        QCOMPARE(SettingsFile::fileName(QStringLiteral("/srv/gate")),
                 QStringLiteral("/srv/gate/gatesystem.dat"));
        QCOMPARE(SettingsFile::fileName(QStringLiteral("/")), QStringLiteral("//gatesystem.dat"));
    }

    void saveRefusesQuoteAndKeepsOldFile()
    {
        StartFolder folder;
        const QString name = SettingsFile::fileName(folder.path());
        QVERIFY(SettingsFile::save(name, exampleSettings(), nullptr));
        StationSettings bad = exampleSettings();
        bad.CompanyName = QStringLiteral("Joe's \"Best\" Storage");
        QString error;
        QVERIFY(!SettingsFile::save(name, bad, &error));
        QVERIFY2(error.contains("CompanyName"), qPrintable(error));
        QFile file(name);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), ExampleLine);
    }

    void saveIntoMissingFolderFails()
    {
        StartFolder folder;
        QString error;
        QVERIFY(!SettingsFile::save(folder.file(QStringLiteral("no/such/gatesystem.dat")),
                                    exampleSettings(), &error));
        QVERIFY(!error.isEmpty());
    }

    void wholeNumbers_data()
    {
        // clang-format off
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("expected");
        QTest::addColumn<bool>("valid");
        QTest::newRow("plain") << "42" << qint64(42) << true;
        QTest::newRow("blanks") << " 42 " << qint64(42) << true;
        QTest::newRow("sign") << "-7" << qint64(-7) << true;
        QTest::newRow("half down to even") << "2.5" << qint64(2) << true;
        QTest::newRow("half up to even") << "3.5" << qint64(4) << true;
        QTest::newRow("below half") << "0.4" << qint64(0) << true;
        QTest::newRow("empty") << "" << qint64(0) << false;
        QTest::newRow("letters") << "abc" << qint64(0) << false;
        QTest::newRow("inner blank") << "4 2" << qint64(0) << false;
        QTest::newRow("exponent") << "1e3" << qint64(0) << false;
        // clang-format on
    }

    void wholeNumbers()
    {
        QFETCH(QString, text);
        QFETCH(qint64, expected);
        QFETCH(bool, valid);
        const auto value = wholeNumber(text);
        QCOMPARE(value.has_value(), valid);
        if (valid)
            QCOMPARE(*value, expected);
    }
};

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "test_settings_file.moc"
