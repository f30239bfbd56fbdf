// The office's fleet commands against a real PostgreSQL server of the test's own.
#include "admin/csv_reader.h"
#include "common/csv_writer.h"
#include "data/tables.h"
#include "fleet/fleet_report.h"
#include "fleet/site_import.h"
#include "support/pg_server.h"

#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

using Outcome = CustomerSync::Report::Outcome;
const QDate Today(2026, 12, 7);

struct Run {
    int exitCode = -1;
    QString out;
    QString err;
};

Run gatectl(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral(GATECTL), QStringList{QStringLiteral("fleet")} + args);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

QStringList unit(const QString &code, const QString &last, const QString &exclude = "0")
{
    return {code, "Ada", "Rented", "U" + code, "1006", last, "1", "000000", exclude};
}

QStringList master(const QString &id, const QString &code)
{
    return {id, code, "Max", "Manager", "", "1", "0", "000000"};
}

SourceTables source(const QList<QStringList> &units, const QList<QStringList> &masters)
{
    SourceTables tables;
    for (const auto &[rows, schema, out] :
         {std::tuple{&units, &Tables::unitInfo(), &tables.units},
          std::tuple{&masters, &Tables::masterCodes(), &tables.masters}}) {
        QByteArray text = csvRecord(schema->columnNames());
        for (const QStringList &row : *rows)
            text += csvRecord(row);
        QList<CsvRow> csv;
        QList<int> lines;
        QString error;
        if (!parseCsvFile(text, csv, &error, &lines) ||
            !tableRows(csv, lines, *schema, "test", *out, &error))
            qFatal("%s", qPrintable(error));
    }
    return tables;
}

} // namespace

class FleetOfficeTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        m_server = std::make_unique<PgServer>();
        m_url = m_server->createDatabase("office");
        QCOMPARE(gatectl({"init", m_url}).exitCode, 0);
        m_db = m_server->connect("office", "office");
    }
    void cleanupTestCase()
    {
        m_db = {};
        QSqlDatabase::removeDatabase("office");
        m_server.reset();
    }

    void importKeepsSourceOrderAndEachSiteApart()
    {
        const auto import = [&](const QString &site, const SourceTables &tables,
                                CustomerSync::Options options = {}) {
            return SiteImport::run(m_db, site, tables, options, Today);
        };
        const SourceTables first =
            source({unit("2222", "Zoë"), unit("1111", "Knuth, \"Don\""), unit("1111", "Second")},
                   {master("7", "9999")});
        QCOMPARE(import("north", first).outcome, Outcome::Changed);
        QCOMPARE(import("south", source({unit("3333", "South")}, {})).outcome, Outcome::Changed);
        QCOMPARE(column("SELECT fldCustLastName FROM units WHERE site = 'north' ORDER BY id"),
                 QStringList({"Zoë", "Knuth, \"Don\"", "Second"}));

        // Unchanged data writes nothing, so no station is woken to pull it.
        const QVariant count = m_server->value("office", "SELECT change_count FROM sites "
                                                         "WHERE site = 'north'");
        QCOMPARE(import("north", first).outcome, Outcome::NoChange);
        QCOMPARE(m_server->value("office", "SELECT change_count FROM sites WHERE site = 'north'"),
                 count);

        // A bad row refuses the whole source; skipped, the good rows replace the site's.
        const SourceTables bad = source({unit("2222", "Zoë"), unit("4444", "Bad", "Maybe"),
                                         unit("1111", "Knuth"), unit("5555", "New")},
                                        {master("7", "9999")});
        QCOMPARE(import("north", bad).outcome, Outcome::Refused);
        QCOMPARE(column("SELECT fldGateCode FROM units WHERE site = 'north' ORDER BY id").size(),
                 3);
        QCOMPARE(import("north", bad, {false, true, false}).outcome, Outcome::Changed);
        QCOMPARE(column("SELECT fldGateCode FROM units WHERE site = 'north' ORDER BY id"),
                 QStringList({"2222", "1111", "5555"}));

        // A truncated export: more than half of the codes would go.
        const SourceTables shrunk = source({unit("2222", "Zoë")}, {master("7", "9999")});
        QCOMPARE(import("north", shrunk).outcome, Outcome::Refused);
        QCOMPARE(import("north", shrunk, {true, false, true}).outcome, Outcome::Changed); // dry run
        QCOMPARE(column("SELECT fldGateCode FROM units WHERE site = 'north'").size(), 3);
        QCOMPARE(import("north", shrunk, {false, false, true}).outcome, Outcome::Changed);
        QCOMPARE(column("SELECT fldGateCode FROM units WHERE site = 'south'"), QStringList("3333"));

        // Master codes of every site: no site of their own, and no units with them.
        QCOMPARE(import("", source({}, {master("1", "8888")})).outcome, Outcome::Changed);
        QCOMPARE(column("SELECT fldPassCode FROM master_codes WHERE site IS NULL"),
                 QStringList("8888"));
        QCOMPARE(import("", source({unit("6666", "X")}, {})).outcome, Outcome::Refused);
    }

    void logQueryFiltersAndRoundTripsThroughCsv()
    {
        m_server->exec("office",
                       "INSERT INTO sites (site) VALUES ('east'), ('west') ON CONFLICT DO NOTHING;"
                       "INSERT INTO stations (site, station, rows_waiting) VALUES "
                       "('east', 'gate1', 4), ('west', 'gate1', 0);"
                       "INSERT INTO gate_log (site, station, local_id, fldDateTime, fldCode, "
                       "fldReult, fldCustomer, fldUnitNumber, fldCustID, fldZone) VALUES "
                       "('east', 'gate1', 1, '2026-12-01 08:00:00', '1111', 'Valid', "
                       "'Knuth, \"Don\"', 'A1', 1006, 'In'),"
                       "('west', 'gate1', 1, '2026-12-01 07:00:00', '2222', 'Invalid', "
                       "'Zoë', 'B2', 1007, 'Out'),"
                       "('east', 'gate1', 2, '2026-12-02 23:59:59', '', 'Manual Open', '', '', "
                       "NULL, 'Office'),"
                       "('east', 'gate1', 3, '2026-12-03 00:00:00', '1111', 'Valid', 'K', 'A1', "
                       "1006, 'In')");
        const auto csvRows = [&](const QStringList &options) {
            const Run run = gatectl(QStringList{"log", m_url, "--csv"} + options);
            QList<CsvRow> rows;
            QString error;
            if (run.exitCode != 0 || !parseCsv(run.out.toUtf8(), rows, &error))
                qWarning() << run.err << error;
            QStringList firsts;
            for (const CsvRow &row : rows.mid(1))
                firsts << row.value(0).text + " " + row.value(2).text + " " + row.value(7).text;
            return std::pair{rows.value(0), firsts};
        };
        const QStringList days{"--from", "2026-12-01", "--to", "2026-12-02"};
        const auto [header, all] = csvRows(days);
        QCOMPARE(header.size(), 9);
        QCOMPARE(all, QStringList({"west 2026-12-01 07:00:00 Zoë",
                                   "east 2026-12-01 08:00:00 Knuth, \"Don\"",
                                   "east 2026-12-02 23:59:59 "}));
        QCOMPARE(csvRows(days + QStringList{"--site", "east", "--result", "Manual Open"}).second,
                 QStringList("east 2026-12-02 23:59:59 "));
        QCOMPARE(csvRows(days + QStringList{"--result", "Allowed Access"}).second,
                 QStringList("east 2026-12-01 08:00:00 Knuth, \"Don\""));
        QCOMPARE(csvRows(days + QStringList{"--customer", "1007"}).second,
                 QStringList("west 2026-12-01 07:00:00 Zoë"));
        QCOMPARE(csvRows(days + QStringList{"--station", "gate2"}).second, QStringList());

        const Run text = gatectl(QStringList{"log", m_url} + days);
        QCOMPARE(text.out.count('\n'), 4);
        QVERIFY(text.out.startsWith("Site       Station    "));
    }

    void sitesAndFaultsAreSaid()
    {
        const Run sites = gatectl({"sites", m_url});
        QCOMPARE(sites.exitCode, 0);
        QVERIFY2(sites.out.contains("east: 0 units, 0 master codes, 0 time zones\n"
                                    "  gate1: last contact never, 4 rows waiting, data not yet "
                                    "pulled\n"),
                 qPrintable(sites.out));
        QVERIFY(sites.out.contains("north: 1 units, 1 master codes"));

        const QString empty = m_server->createDatabase("noschema");
        const Run noSchema = gatectl({"sites", empty});
        QCOMPARE(noSchema.exitCode, 1);
        QVERIFY2(noSchema.err.contains("no fleet schema"), qPrintable(noSchema.err));
        QCOMPARE(gatectl({"log", m_url, "--from", "2026-12-01"}).exitCode, 2);
        QCOMPARE(gatectl({"import", m_url, "north"}).exitCode, 2);
    }

private:
    QStringList column(const QString &sql)
    {
        QSqlQuery query(m_db);
        if (!query.exec(sql))
            qWarning() << query.lastError().text();
        QStringList values;
        while (query.next())
            values << query.value(0).toString();
        return values;
    }

    std::unique_ptr<PgServer> m_server;
    QString m_url;
    QSqlDatabase m_db;
};

QTEST_GUILESS_MAIN(FleetOfficeTest)
#include "test_fleet_office.moc"
