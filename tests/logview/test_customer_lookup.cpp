#include "logview/log_list_model.h"
#include "support/window_probe.h"

#include <QDateTimeEdit>
#include <QListView>
#include <QListWidget>
#include <QTest>

namespace {

void addLog(StartFolder &folder)
{
    folder.exec(
        "Gate.gsd",
        "INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, fldUnitNumber,"
        " fldCustID, fldZone) VALUES "
        "('2026-01-01 08:00:00', '1111', 'Valid', 'Smith, Ann', 'B12', 42, 'In'),"
        "('2026-01-02 08:00:00', '5555', 'Invalid', 'Invalid', 'Invalid', 0, 'In'),"
        "('2026-01-03 08:00:00', '1111', 'Valid', 'Smith, Ann', 'B12', 42, 'Out'),"
        "('2026-01-04 08:00:00', '9999', 'Valid', 'Manager, Site', 'OFFICE', 10000005, 'In'),"
        "('2026-01-05 08:00:00', '6666', 'Invalid', 'Invalid', 'Invalid', 0, 'Out'),"
        "('2026-01-06 08:00:00', '44', 'Valid', 'Jones, Bob', 'C1', 44, 'In'),"
        "('2026-01-07 08:00:00', '77', 'Valid', 'Blank, Id', 'C2', NULL, 'In')");
}

QStringList lines(const WindowProbe &p)
{
    return p.w->logLines().lines();
}

QString baseColour(const WindowProbe &p)
{
    return p.find<QListView>("lstLog")->palette().color(QPalette::Base).name();
}

// Lists the whole sample log, then clicks the line holding `code`.
void drillDown(const WindowProbe &p, const QString &code)
{
    auto *view = p.find<QListView>("lstLog");
    const QStringList shown = lines(p);
    const auto it = std::find_if(shown.begin(), shown.end(),
                                 [&](const QString &l) { return l.mid(25, 10).trimmed() == code; });
    QVERIFY(it != shown.end());
    const QModelIndex index = view->model()->index(int(it - shown.begin()), 0);
    view->setCurrentIndex(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
}

void listAll(const WindowProbe &p)
{
    p.find<QDateTimeEdit>("DTPicker1(2)")->setDate(QDate(2026, 1, 1));
    p.find<QDateTimeEdit>("DTPicker1(3)")->setDate(QDate(2026, 1, 31));
    p.click("cmdGateLog");
}

} // namespace

class TestCustomerLookup : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { Prompts::startRecording(); }

    void idAnswers_data()
    {
        // clang-format off
        QTest::addColumn<QVariant>("answer");
        QTest::addColumn<QStringList>("codes");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("blanks around 42") << QVariant(" 42 ") << QStringList{"1111", "1111"} << QStringList();
        QTest::newRow("42.5 is 42") << QVariant("42.5") << QStringList{"1111", "1111"} << QStringList();
        QTest::newRow("43.5 is 44") << QVariant("43.5") << QStringList{"44"} << QStringList();
        QTest::newRow("letters") << QVariant("abc") << QStringList{"all"} << QStringList{"Invalid ID Entered"};
        QTest::newRow("cancel") << QVariant() << QStringList{"all"} << QStringList{"Invalid ID Entered"};
        QTest::newRow("beyond 32 bits") << QVariant("2147483648") << QStringList{"all"} << QStringList{"Invalid ID Entered"};
        QTest::newRow("no rows") << QVariant("43") << QStringList() << QStringList{"No Records For ID 43"};
        // clang-format on
    }

    void idAnswers()
    {
        QFETCH(QVariant, answer);
        QFETCH(QStringList, codes);
        QFETCH(QStringList, messages);
        WindowProbe p(addLog);
        listAll(p);
        const QStringList before = lines(p);
        Prompts::queueAnswer(answer);
        p.click("cmdFilterCustomerID");
        QCOMPARE(Prompts::takeAsked(), QStringList{"Enter Customer's ID"});
        QCOMPARE(Prompts::takeMessages(), messages);
        if (codes == QStringList{"all"}) {
            QCOMPARE(lines(p), before);
            return;
        }
        QStringList shown;
        for (const QString &line : lines(p))
            shown << line.mid(25, 10).trimmed();
        QCOMPARE(shown, codes);
        QVERIFY(p.find<QPushButton>("cmdCheckCode")->isEnabled());
        // the button leaves the colour and the filter as they were
        QCOMPARE(baseColour(p), QStringLiteral("#ffffff"));
        QCOMPARE(p.find<QListWidget>("lstFilter")->currentRow(), 0);
    }

    void drillDownToUnmatchedAttempts()
    {
        WindowProbe p(addLog);
        listAll(p);
        drillDown(p, "5555");
        QCOMPARE(lines(p).size(), 2);
        QCOMPARE(p.find<QListWidget>("lstFilter")->currentItem()->text(),
                 QStringLiteral("List Selection"));
        QCOMPARE(baseColour(p), QStringLiteral("#c0ffc0"));
        QCOMPARE(p.find<QListView>("lstLog")->currentIndex().row(), 1);
    }

    void drillDownToAMasterCode()
    {
        WindowProbe p(addLog);
        listAll(p);
        QVERIFY(lines(p)[3].endsWith("10000005"));
        drillDown(p, "9999");
        QCOMPARE(lines(p).size(), 1);
        QVERIFY(lines(p)[0].contains("Manager, Site"));
    }

    void drillDownOnABlankId()
    {
        WindowProbe p(addLog);
        listAll(p);
        const QStringList before = lines(p);
        drillDown(p, "77");
        QCOMPARE(Prompts::takeMessages(), QStringList{"Invalid ID Entered"});
        QCOMPARE(lines(p), before);
        QCOMPARE(baseColour(p), QStringLiteral("#c0ffc0"));
        QCOMPARE(p.find<QListWidget>("lstFilter")->currentRow(), 7);

        p.click("cmdGateLog"); // "List Selection" lists the whole range again, on white
        QCOMPARE(lines(p), before);
        QCOMPARE(baseColour(p), QStringLiteral("#ffffff"));
    }
};

QTEST_MAIN(TestCustomerLookup)
#include "test_customer_lookup.moc"
