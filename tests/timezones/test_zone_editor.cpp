#include "common/clock.h"
#include "support/window_probe.h"
#include "timezones/zone_table.h"

#include <QFile>
#include <QLabel>
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

// Zones 5 and 1, and a unit of zone 1 with gate code 4444.
void addZones(StartFolder &folder)
{
    folder.exec("Gate.gsd", "INSERT INTO tblTimeZones VALUES (5, '08:00:00', '18:00:00');"
                            "INSERT INTO tblTimeZones VALUES (1, '07:00:00', '20:00:00')");
    folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldStatus, fldGateTimeZone) "
                            "VALUES ('4444', 'Rented', 1)");
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
    void init() { Clock::pin(QDateTime(QDate(2026, 1, 7), QTime(12, 0))); }
    void cleanup() { Clock::unpin(); }

    // The headings over the zone list, in its font, each ending where its column ends.
    void headingsOverTheirColumns()
    {
        WindowProbe p(addZones);
        const auto *headings = p.find<QLabel>("lblZoneHeadings");
        QCOMPARE(headings->font(), p.find<QListWidget>("lstTimeZones")->font());
        const QString line = listed(p).first();
        QCOMPARE(line, " 1   7:00 AM   8:00 PM");
        QCOMPARE(headings->text(), "Zone   Start      Stop");
    }

    // The box asks until it gets a zone or no number; the status line says why a zone was refused.
    void addAnswers_data()
    {
        // clang-format off
        QTest::addColumn<QVariantList>("answers");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("added");
        QTest::addColumn<QString>("status"); // how the status line starts
        QTest::addColumn<QString>("shown");  // the zone in the box afterwards
        QTest::newRow("63") << QVariantList{"63"} << "" << "63" << "Connected" << "1";
        QTest::newRow("64 asks again, no number stops") << QVariantList{"64", "abc"} << "" << "" << "Connected" << "1";
        QTest::newRow("3.5 is 4") << QVariantList{"3.5"} << "" << "4" << "Connected" << "1";
        QTest::newRow("in use") << QVariantList{"5"} << "5 Already in Use" << "" << "Connected" << "5";
        QTest::newRow("refused") << QVariantList{"9"} << "Number Not Vaild" << ""
                                 << "Time zone 9 not added: zone 9 refused" << "1";
        // clang-format on
    }

    void addAnswers()
    {
        QFETCH(QVariantList, answers);
        QFETCH(QString, message);
        QFETCH(QString, added);
        QFETCH(QString, status);
        QFETCH(QString, shown);
        WindowProbe p([](StartFolder &f) {
            addZones(f);
            f.execStatement("Gate.gsd", "CREATE TRIGGER refuse BEFORE INSERT ON tblTimeZones WHEN "
                                        "new.fldTimeZone = 9 BEGIN SELECT RAISE(ABORT, 'zone 9 "
                                        "refused'); END");
        });
        for (const QVariant &answer : answers)
            Prompts::queueAnswer(answer);
        p.click("cmdTimeZone(0)");
        QCOMPARE(Prompts::takeAsked().size(), answers.size());
        QCOMPARE(Prompts::takeMessages().join(""), message);
        QCOMPARE(listed(p).size(), added.isEmpty() ? 2 : 3);
        if (!added.isEmpty())
            QVERIFY(listed(p).contains(zoneListLine({added, "07:00:00", "20:00:00"})));
        QVERIFY2(p.w->statusText().startsWith(status), qPrintable(p.w->statusText()));
        QCOMPARE(p.find<QLineEdit>("txtZone(0)")->text(), shown);
    }

    // A zone time that is no time: named at start, marked in the list, its codes
    // refused, and set right in the editor.
    void brokenZoneIsNamedAndMended()
    {
        WindowProbe p([](StartFolder &f) {
            addZones(f);
            f.exec("Gate.gsd", "UPDATE tblTimeZones SET fldStartTime = '7 o''clock' "
                               "WHERE fldTimeZone = 1");
        });
        QVERIFY2(p.w->statusText().contains(". Time zone 1: start or stop is not a time of day"),
                 qPrintable(p.w->statusText()));
        QCOMPARE(listed(p).first(), " 1  BAD TIME   8:00 PM");
        auto check = [&p] {
            p.find<QLineEdit>("txtCheckCode")->setText("4444");
            p.click("cmdCheckCode");
            return p.folder.value("Gate.gsd", "select fldReult from tblGateLog order by fldID desc")
                .toString();
        };
        QCOMPARE(check(), "Not Checked");
        QVERIFY2(p.w->statusText().contains("time zone 1: start or stop"),
                 qPrintable(p.w->statusText()));

        select(p, 1);
        select(p, 0);
        QCOMPARE(p.find<QTimeEdit>("DTPicker1(0)")->time(), QTime(0, 0)); // not zone 5's
        p.click("cmdTimeZone(1)");
        QCOMPARE(listed(p).first(), " 1  12:00 AM   8:00 PM");
        QCOMPARE(check(), "Valid");
    }

    // A zone in use is deleted or changed only after the operator agrees,
    // told how many units and master codes use it.
    void zoneInUseAsksFirst_data()
    {
        // clang-format off
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("after");
        const QStringList both{" 1   7:00 AM   8:00 PM", " 5   8:00 AM   6:00 PM"};
        QTest::newRow("delete, No") << "cmdTimeZone(2)" << false << both;
        QTest::newRow("delete, Yes") << "cmdTimeZone(2)" << true << QStringList{" 5   8:00 AM   6:00 PM"};
        QTest::newRow("change, No") << "cmdTimeZone(1)" << false << both;
        QTest::newRow("change, Yes") << "cmdTimeZone(1)" << true << QStringList{" 1   6:30 AM   8:00 PM", both[1]};
        // clang-format on
    }

    void zoneInUseAsksFirst()
    {
        QFETCH(QString, button);
        QFETCH(bool, yes);
        QFETCH(QStringList, after);
        WindowProbe p([](StartFolder &f) {
            addZones(f);
            f.exec("Data.gsd", "INSERT INTO tblVextraMasterCodes (fldID, fldPassCode, "
                               "fldTimeZone) VALUES (1, '9999', 1), (2, '8888', 10)");
        });
        select(p, 0);
        p.find<QTimeEdit>("DTPicker1(0)")->setTime(QTime(6, 30));
        Prompts::queueAnswer(yes);
        p.click(button);
        const QString asked = Prompts::takeAsked().join("");
        QVERIFY2(asked.startsWith("Time zone 1 is used by 1 unit and 1 master code. "),
                 qPrintable(asked));
        QCOMPARE(listed(p), after);
    }

    // Save and Delete act on the selected zone, never the last; a failed reload keeps the zones.
    void saveDeleteAndAFailedReload()
    {
        WindowProbe p(addZones);
        select(p, 1);
        p.find<QTimeEdit>("DTPicker1(0)")->setTime(QTime(6, 30));
        p.click("cmdTimeZone(1)");
        QCOMPARE(listed(p), (QStringList{" 1   7:00 AM   8:00 PM", " 5   6:30 AM   6:00 PM"}));
        p.find<QListWidget>("lstTimeZones")->clearSelection();
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p).size(), 2);
        select(p, 1);
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p), QStringList{" 1   7:00 AM   8:00 PM"});
        select(p, 0);
        p.click("cmdTimeZone(2)");
        QCOMPARE(listed(p), QStringList{" 1   7:00 AM   8:00 PM"});
        QCOMPARE(Prompts::takeMessages(), QStringList());

        QVERIFY(QFile::rename(p.folder.file("Gate.gsd"), p.folder.file("Gate.old")));
        p.click("cmdTimeZone(1)");
        QCOMPARE(Prompts::takeMessages().size(), 1);
        QVERIFY(QFile::rename(p.folder.file("Gate.old"), p.folder.file("Gate.gsd")));
        p.find<QLineEdit>("txtCheckCode")->setText("4444");
        p.click("cmdCheckCode");
        QCOMPARE(p.folder.value("Gate.gsd", "select fldReult from tblGateLog"), QVariant("Valid"));
    }
};

QTEST_MAIN(TestZoneEditor)
#include "test_zone_editor.moc"
