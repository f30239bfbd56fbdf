#include "support/window_probe.h"
#include "timezones/zone_table.h"

#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimeEdit>

namespace {

QStringList listed(const WindowProbe &p)
{
    QStringList lines;
    auto *list = p.find<QListWidget>("lstTimeZones");
    for (int i = 0; i < list->count(); ++i)
        lines << list->item(i)->text();
    return lines;
}

void addZones(StartFolder &folder)
{
    folder.exec("Gate.gsd", "INSERT INTO tblTimeZones VALUES (5, '08:00:00', '18:00:00');"
                            "INSERT INTO tblTimeZones VALUES (1, '07:00:00', '20:00:00')");
}

// Answers the Add box in turn, then Cancel.
void add(const WindowProbe &p, const QVariantList &answers)
{
    for (const QVariant &answer : answers)
        Prompts::queueAnswer(answer);
    p.click("cmdTimeZone(0)");
}

void select(const WindowProbe &p, int row)
{
    auto *list = p.find<QListWidget>("lstTimeZones");
    list->setCurrentRow(row);
    emit list->itemPressed(list->item(row));
}

} // namespace

class TestZoneEditor : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }

    void listLines()
    {
        QCOMPARE(zoneListLine({"1", "07:00:00", "20:00:00"}),
                 QStringLiteral(" 1   7:00 AM   8:00 PM"));
        QCOMPARE(zoneListLine({"12", "07:00:00", "20:00:00"}),
                 QStringLiteral("12   7:00 AM   8:00 PM"));
        QCOMPARE(zoneListLine({"3", "00:00:00", "12:30:00"}),
                 QStringLiteral(" 3  12:00 AM  12:30 PM"));
        QCOMPARE(zoneListLine({"123", "bad", "23:59:59"}),
                 QStringLiteral("12       bad  11:59 PM"));
    }

    void startUpListsTheZonesAndShowsTheFirst()
    {
        WindowProbe p(addZones);
        QCOMPARE(listed(p), (QStringList{" 1   7:00 AM   8:00 PM", " 5   8:00 AM   6:00 PM"}));
        QCOMPARE(p.find<QLineEdit>("txtZone(0)")->text(), QStringLiteral("1"));
        QCOMPARE(p.find<QTimeEdit>("DTPicker1(1)")->time(), QTime(20, 0));
    }

    void addAnswers_data()
    {
        // clang-format off
        QTest::addColumn<QVariantList>("answers");
        QTest::addColumn<int>("asked");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("added");
        QTest::newRow("63") << QVariantList{"63"} << 1 << QStringList() << "63";
        QTest::newRow("0 asks again") << QVariantList{"0", "7"} << 2 << QStringList() << "7";
        QTest::newRow("64 asks again") << QVariantList{"64"} << 2 << QStringList() << "";
        QTest::newRow("0.4 asks again") << QVariantList{"0.4"} << 2 << QStringList() << "";
        QTest::newRow("2.5 is 2") << QVariantList{"2.5"} << 1 << QStringList() << "2";
        QTest::newRow("3.5 is 4") << QVariantList{"3.5"} << 1 << QStringList() << "4";
        QTest::newRow("300") << QVariantList{"300"} << 1 << QStringList{"Number Not Vaild"} << "";
        QTest::newRow("-1") << QVariantList{"-1"} << 1 << QStringList{"Number Not Vaild"} << "";
        QTest::newRow("abc") << QVariantList{"abc"} << 1 << QStringList() << "";
        QTest::newRow("empty") << QVariantList{""} << 1 << QStringList() << "";
        QTest::newRow("cancel") << QVariantList{QVariant()} << 1 << QStringList() << "";
        QTest::newRow("in use") << QVariantList{"5"} << 1 << QStringList{"5 Already in Use"} << "";
        // clang-format on
    }

    void addAnswers()
    {
        QFETCH(QVariantList, answers);
        QFETCH(int, asked);
        QFETCH(QStringList, messages);
        QFETCH(QString, added);
        WindowProbe p(addZones);
        add(p, answers);
        const QStringList prompts = Prompts::takeAsked();
        QCOMPARE(prompts.size(), asked);
        QCOMPARE(prompts.first(), QStringLiteral("Enter Zone Number 1 to 63"));
        QCOMPARE(Prompts::takeMessages(), messages);
        const int zones = p.folder.value("Gate.gsd", "select count(*) from tblTimeZones").toInt();
        QCOMPARE(zones, added.isEmpty() ? 2 : 3);
        if (!added.isEmpty()) {
            QVERIFY(listed(p).contains(zoneListLine({added, "07:00:00", "20:00:00"})));
            QCOMPARE(p.folder.value("Gate.gsd", "select fldStopTime from tblTimeZones where "
                                                "fldTimeZone = " +
                                                    added),
                     QVariant("20:00:00"));
        }
    }

    // The decision reads the zones anew, so a change counts from the next attempt.
    void saveChangesTheSelectedZonesTimes()
    {
        WindowProbe p(addZones);
        select(p, 1);
        QCOMPARE(p.find<QLineEdit>("txtZone(0)")->text(), QStringLiteral("5"));
        p.find<QTimeEdit>("DTPicker1(0)")->setTime(QTime(6, 30));
        p.click("cmdTimeZone(1)");
        QCOMPARE(p.folder.value("Gate.gsd", "select fldStartTime from tblTimeZones "
                                            "where fldTimeZone = 5"),
                 QVariant("06:30:00"));
        QCOMPARE(listed(p)[1], QStringLiteral(" 5   6:30 AM   6:00 PM"));
    }

    // A decision that searches the zones between Select and Delete does not
    // change which zone Delete removes.
    void deleteRemovesTheSelectedZone()
    {
        WindowProbe p([](StartFolder &f) {
            addZones(f);
            f.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, fldGateTimeZone) "
                               "VALUES ('4444', 'Rented', 1)");
        });
        select(p, 1);
        p.find<QLineEdit>("txtCheckCode")->setText("4444");
        p.click("cmdCheckCode");
        // the decision found zone 1 (Valid or After Hours, by the clock)
        QCOMPARE(p.folder.value("Gate.gsd", "select count(*) from tblGateLog"), QVariant(1));
        QVERIFY(p.folder.value("Gate.gsd", "select fldReult from tblGateLog").toString() !=
                "TimeZone 1");
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p), QStringList{" 1   7:00 AM   8:00 PM"});
    }

    // A zone list that could not be read does not leave the decisions without zones.
    void decisionsRecoverFromAFailedZoneReload()
    {
        WindowProbe p([](StartFolder &f) {
            addZones(f);
            f.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, fldGateTimeZone) "
                               "VALUES ('4444', 'Rented', 5)");
        });
        QVERIFY(QFile::rename(p.folder.file("Gate.gsd"), p.folder.file("Gate.old")));
        p.click("cmdTimeZone(1)");
        QCOMPARE(Prompts::takeMessages().size(), 1);
        QVERIFY(QFile::rename(p.folder.file("Gate.old"), p.folder.file("Gate.gsd")));
        p.find<QLineEdit>("txtCheckCode")->setText("4444");
        p.click("cmdCheckCode");
        QCOMPARE(p.folder.value("Gate.gsd", "select count(*) from tblGateLog"), QVariant(1));
    }

    void deleteNeedsASelectionAndKeepsTheLastZone()
    {
        WindowProbe p(addZones);
        p.find<QListWidget>("lstTimeZones")->clearSelection();
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p).size(), 2);
        select(p, 0);
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p).size(), 1);
        select(p, 0);
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p).size(), 1);
        QCOMPARE(Prompts::takeMessages(), QStringList());
    }
};

QTEST_MAIN(TestZoneEditor)
#include "test_zone_editor.moc"
