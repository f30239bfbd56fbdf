// Speed of the paths that must stay quick on a large site; run by "make bench",
// never by the tests. Each figure is printed beside a baseline measured in the
// same run, as a ratio, so the machine's own speed cancels out.
#include "access/access_rules.h"
#include "access/keypad_lockout.h"
#include "big_site.h"
#include "data/data_control.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "logview/result_filter.h"
#include "relay_line.h"
#include "station/gate_window.h"
#include "support/gate_site.h"
#include "support/other_program.h"
#include "widgets/prompts.h"

#include <QApplication>
#include <QDateTimeEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QProgressDialog>
#include <QPushButton>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTextStream>
#include <QTimer>
#include <algorithm>

namespace {

using BigSite::unitCode;
using BigSite::Units;

constexpr int Keys = 300;

QTextStream out(stdout);

// Last key byte on the keypad line -> relay-on bytes on the relay line, and
// to the moment the station has finished with the key (log list refreshed).
struct KeyTimes {
    QList<double> toRelay;
    QList<double> toReady;
};

// Types the k-th unit's code on keypad 1 (see keyToRelayMs).
double typeCode(GateSite &site, const RelayLine &relay, int k, qint64 &start)
{
    return keyToRelayMs(site.keypad1, relay, keysFor(unitCode((k * 7919) % Units)), start);
}

KeyTimes keyToRelay(GateSite &site, const RelayLine &relay)
{
    KeyTimes times;
    for (int k = 0; k < Keys; ++k) {
        qint64 start = 0;
        times.toRelay << keyToRelayMs(site.keypad1, relay, keysFor(unitCode((k * 7919) % Units)),
                                      start);
        bool ready = false;
        QTimer::singleShot(0, [&] { ready = true; });
        while (!ready)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        times.toReady << (nowNs() - start) / 1e6;
    }
    return times;
}

// Resident memory of this process, in megabytes.
double residentMb()
{
    QFile statm("/proc/self/statm");
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.value(1).toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024 * 1024);
}

// The whole log listed and its newest line shown: the paged model beside the
// old way, every row read into a line at once.
void logListFigure(const StartFolder &folder)
{
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "bench-list");
    db.setDatabaseName(folder.file("Gate.gsd"));
    db.open();
    QListView view;
    view.setUniformItemSizes(true);
    view.resize(800, 600);
    view.show();
    double pagedMs = 0;
    double pagedMb = 0;
    {
        LogListModel model;
        view.setModel(&model);
        const double before = residentMb();
        QElapsedTimer clock;
        clock.start();
        model.list(db, LogSelection::everything(), Filters::All, nullptr);
        view.setCurrentIndex(model.index(model.rowCount() - 1));
        view.scrollTo(view.currentIndex());
        QCoreApplication::processEvents();
        pagedMs = clock.nsecsElapsed() / 1e6;
        pagedMb = residentMb() - before;
        view.setModel(nullptr);
    }
    const double before = residentMb();
    QElapsedTimer clock;
    clock.start();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.exec("select fldDateTime, fldZone, fldCode, fldReult, fldUnitNumber, fldCustomer, "
           "fldCustID from tblGateLog order by rowid");
    QStringList lines;
    while (q.next())
        lines << logLine({q.value(0).toString(), q.value(1).toString(), q.value(2).toString(),
                          q.value(3).toString(), q.value(4).toString(), q.value(5).toString(),
                          q.value(6).toString()});
    const double allMs = clock.nsecsElapsed() / 1e6;
    const double allMb = residentMb() - before;
    out << QStringLiteral("log list of %1 lines, first screen: %2 ms, +%3 MB | every line read "
                          "at once: %4 ms, +%5 MB | %6x faster, %7x less memory\n")
               .arg(lines.size())
               .arg(pagedMs, 0, 'f', 0)
               .arg(pagedMb, 0, 'f', 1)
               .arg(allMs, 0, 'f', 0)
               .arg(allMb, 0, 'f', 1)
               .arg(allMs / pagedMs, 0, 'f', 0)
               .arg(allMb / std::max(pagedMb, 0.1), 0, 'f', 0);
    out.flush();
    q = QSqlQuery();
    db.close();
    db = QSqlDatabase();
    QSqlDatabase::removeDatabase("bench-list");
}

// The whole log purged from the window while codes are typed: the longest a
// key waits for its relay, beside one transaction deleting the same rows (the
// keypads wait all of it).
void purgeFigure(GateSite &site, GateWindow &window, const RelayLine &relay)
{
    site.folder.execStatement(
        "Gate.gsd", QStringLiteral("VACUUM INTO '%1'").arg(site.folder.file("GateCopy.gsd")));
    QElapsedTimer clock;
    clock.start();
    // With a condition, as the purge deletes: SQLite empties a whole table faster.
    site.folder.exec("GateCopy.gsd",
                     "BEGIN; DELETE FROM tblGateLog WHERE fldDateTime < '9999'; COMMIT");
    const double oneTransactionMs = clock.nsecsElapsed() / 1e6;

    // The purge deletes from the rows listed: list all of them first.
    window.findChild<QDateTimeEdit *>("DTPicker1(2)")->setDate(QDate(2000, 1, 1));
    window.findChild<QDateTimeEdit *>("DTPicker1(3)")->setDate(QDate::currentDate());
    window.findChild<QPushButton *>("cmdGateLog")->click();
    window.findChild<QDateTimeEdit *>("DTPicker1(4)")->setDate(QDate::currentDate());
    Prompts::queueAnswer(true);
    clock.restart();
    window.findChild<QPushButton *>("cmdClearLog")->click();
    QList<double> waits;
    for (int k = 0; window.findChild<QProgressDialog *>("dlgPurgeProgress"); ++k) {
        qint64 start = 0;
        waits << typeCode(site, relay, k, start);
        QElapsedTimer pause;
        pause.start();
        while (pause.elapsed() < 20)
            QCoreApplication::processEvents();
    }
    const double purgeSeconds = clock.elapsed() / 1000.0;
    const double longest = *std::max_element(waits.begin(), waits.end());
    out << QStringLiteral("purge of %1 rows: %2 s, longest of %3 keys waited %4 ms | one "
                          "transaction: %5 ms, every key waits all of it | %6x shorter wait\n")
               .arg(BigSite::LogRows)
               .arg(purgeSeconds, 0, 'f', 1)
               .arg(waits.size())
               .arg(longest, 0, 'f', 1)
               .arg(oneTransactionMs, 0, 'f', 0)
               .arg(oneTransactionMs / longest, 0, 'f', 0);
    out.flush();
}

// The baseline: every key opens the three connections anew, checks the
// columns and walks the unit table row by row.
QList<double> naiveDecisions(const StationSettings &settings)
{
    QList<double> times;
    for (int k = 0; k < Keys / 10; ++k) {
        const QString code = unitCode((k * 7919) % Units);
        QElapsedTimer clock;
        clock.start();
        std::optional<UnitRow> unit;
        for (const QString table : {"tblUnitInfo", "tblVextraMasterCodes", "tblTimeZones"}) {
            const QString name = QStringLiteral("naive-%1").arg(table);
            {
                QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
                db.setDatabaseName(databaseFileOf(table == QLatin1String("tblTimeZones")
                                                      ? settings.GateConnectionString
                                                      : settings.DataConnectionString));
                db.open();
                QSqlQuery q(db);
                q.exec(QStringLiteral("PRAGMA table_info(%1)").arg(table));
                while (q.next()) {
                }
                q.exec(QStringLiteral("select * from %1").arg(table));
                while (!unit && table == QLatin1String("tblUnitInfo") && q.next()) {
                    if (columnText(q, "fldGateCode") == code)
                        unit = UnitRow{code,
                                       columnText(q, "fldCustFirstName"),
                                       columnText(q, "fldCustLastName"),
                                       columnText(q, "fldStatus"),
                                       columnText(q, "fldUnitName"),
                                       columnText(q, "fldCustID"),
                                       columnText(q, "fldGateTimeZone"),
                                       columnText(q, "fldGateExpireDate"),
                                       columnText(q, "fldGateExclude")};
                }
            }
            QSqlDatabase::removeDatabase(name);
        }
        if (!unit || !decideUnit(*unit, {}, QDateTime::currentDateTime()).grant)
            qFatal("naive decision failed for %s", qPrintable(code));
        times << clock.nsecsElapsed() / 1e6;
    }
    return times;
}

void keypadFigures()
{
    for (bool ownLookup : {false, true}) {
        BigSite::Gate gate(BigSite::LogIndexes::Kept);
        GateSite &site = gate.site;
        const RelayLine &relay = gate.relay;
        std::unique_ptr<GateStation> station = site.make();
        const auto window = std::make_unique<GateWindow>(*station);
        {
            // A write lock held through start-up: no index can be made.
            const OtherProgram other(site.folder.file("Data.gsd"),
                                     ownLookup ? QStringList{"BEGIN IMMEDIATE"} : QStringList{});
            station->start();
        }
        StationSettings settings = site.settings;
        StationData::buildConnectionStrings(settings);
        const KeyTimes times = keyToRelay(site, relay);
        const Spread toRelay = spreadOf(times.toRelay);
        const Spread ready = spreadOf(times.toReady);
        const Spread naive = spreadOf(naiveDecisions(settings));
        const QString way =
            ownLookup ? "own look-up (file locked at start)" : "index made at start";
        out << QStringLiteral("key to relay, %1: median %2 ms, p99 %3 ms | naive walk and "
                              "reconnect per key: median %4 ms, p99 %5 ms | %6x faster (p99)\n")
                   .arg(way)
                   .arg(toRelay.median, 0, 'f', 3)
                   .arg(toRelay.p99, 0, 'f', 3)
                   .arg(naive.median, 0, 'f', 2)
                   .arg(naive.p99, 0, 'f', 2)
                   .arg(naive.p99 / toRelay.p99, 0, 'f', 0);
        out << QStringLiteral("key to ready for the next key, %1: median %2 ms, p99 %3 ms | "
                              "key to relay: p99 %4 ms | %5x\n")
                   .arg(way)
                   .arg(ready.median, 0, 'f', 2)
                   .arg(ready.p99, 0, 'f', 2)
                   .arg(toRelay.p99, 0, 'f', 3)
                   .arg(ready.p99 / toRelay.p99, 0, 'f', 1);
        out.flush();
        if (!ownLookup) {
            logListFigure(site.folder);
            purgeFigure(site, *window, relay);
        }
    }
}

// A stranger trying a code every 2 seconds on one keypad for an hour, every try refused.
int guessesPerHour(const LockoutRules &rules)
{
    KeypadLockout lockout(rules);
    int guesses = 0;
    for (qint64 ms = 0; ms < 3600 * 1000; ms += 2000) {
        if (lockout.isLocked(ms))
            continue;
        ++guesses;
        lockout.refused(ms);
    }
    return guesses;
}

void guessingFigure()
{
    const int with = guessesPerHour({});
    const int without = guessesPerHour({0, 120, 300});
    out << QStringLiteral("guesses per hour on one keypad: %1 with the lockout | %2 without | "
                          "%3x fewer\n")
               .arg(with)
               .arg(without)
               .arg(double(without) / with, 0, 'f', 0);
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Prompts::startRecording();
    guessingFigure();
    keypadFigures();
    return 0;
}
