// Speed of the paths that must stay quick on a large site; not part of the test run.
#include "access/access_decision.h"
#include "data/station_data.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "logview/log_query.h"
#include "support/start_folder.h"

#include <QListView>
#include <QTest>

namespace {

constexpr int Rows = 100000;

void fillSite(const StartFolder &folder)
{
    folder.makeStandard();
    QStringList statements{"BEGIN"};
    for (int i = 0; i < Rows; ++i) {
        statements << QStringLiteral("INSERT INTO tblUnitInfo (fldGateCode, fldCustFirstName, "
                                     "fldCustLastName, fldStatus, fldUnitName, fldCustID, "
                                     "fldGateTimeZone, fldGateExpireDate) VALUES "
                                     "('%1', 'First', 'Last', 'Rented', 'U%1', %1, 1, '123130')")
                          .arg(100000 + i);
    }
    statements << "COMMIT";
    folder.exec("Data.gsd", statements.join(';'));
    statements = {"BEGIN", "INSERT INTO tblTimeZones VALUES (1, '00:00:00', '00:00:00')"};
    for (int i = 0; i < Rows; ++i)
        statements << QStringLiteral("INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, "
                                     "fldCustomer, fldUnitNumber, fldCustID, fldZone) VALUES "
                                     "('2026-12-%1 10:%2:00', '%3', 'Valid', 'Last, First', "
                                     "'U1', %3, 'In')")
                          .arg(1 + i % 5, 2, 10, QLatin1Char('0'))
                          .arg(i % 60, 2, 10, QLatin1Char('0'))
                          .arg(100000 + i);
    statements << "COMMIT";
    folder.exec("Gate.gsd", statements.join(';'));
}

} // namespace

class BenchGate : public QObject {
    Q_OBJECT

    StartFolder folder;
    StationSettings settings;
    StationData data;

private slots:
    void initTestCase()
    {
        fillSite(folder);
        settings = folder.settings();
        StationData::buildConnectionStrings(settings);
        QVERIFY(data.connectAll(settings, nullptr));
    }

    // From a complete code to the verdict that drives the relay: reconnect, look-ups, rules.
    void codeToVerdict()
    {
        Decision decision;
        QBENCHMARK
        {
            QVERIFY(data.reconnectForDecision(settings, nullptr));
            const DecisionSources sources{data.AdoCustomerCodes.database(),
                                          data.AdoMaster.database(), data.AdoTimeZones.database()};
            QVERIFY(decideCode(sources, "199999", "In", QDateTime::currentDateTime(), decision,
                               nullptr));
        }
        QCOMPARE(decision.verdict.result, QStringLiteral("Valid"));
    }

    void lookupsOnly()
    {
        Decision decision;
        const DecisionSources sources{data.AdoCustomerCodes.database(), data.AdoMaster.database(),
                                      data.AdoTimeZones.database()};
        QBENCHMARK
        {
            QVERIFY(decideCode(sources, "199999", "In", QDateTime::currentDateTime(), decision,
                               nullptr));
        }
    }

    // A log query listing every row, lines built and shown.
    void listHundredThousandLines()
    {
        LogListModel model;
        QListView view;
        view.setUniformItemSizes(true);
        view.setModel(&model);
        view.resize(800, 600);
        view.show();
        QBENCHMARK_ONCE
        {
            QList<LogRow> rows;
            QVERIFY(queryLog(data.AdoGateLog.database(),
                             LogSelection::dateRange(QDate(2026, 12, 1), QDate(2026, 12, 5)), rows,
                             nullptr));
            QStringList lines;
            lines.reserve(rows.size());
            for (const LogRow &row : rows)
                lines << logLine(row);
            model.setLines(std::move(lines));
            view.setCurrentIndex(model.index(model.rowCount() - 1));
            view.scrollTo(view.currentIndex());
            QCoreApplication::processEvents();
        }
        QCOMPARE(model.rowCount(), Rows);
    }
};

QTEST_MAIN(BenchGate)
#include "bench_gate.moc"
