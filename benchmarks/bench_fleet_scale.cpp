// How far one fleet database carries a chain, run by "make bench", never by
// the tests. N stations, each with gate-sync's own push and pull code (a few
// stations to a thread) and its own role, hold N connections to one
// PostgreSQL server the bench starts itself, on sites of a few stations each.
// Every station starts with log rows waiting, as after an outage, and logs
// openings throughout, while the office changes one site after another. The
// same run with one station is the baseline each figure is set beside.
#include "data/data_control.h"
#include "data/sql_run.h"
#include "fleet/gate_sync.h"
#include "fleet/station_roles.h"
#include "settings/fleet_state.h"
#include "spread.h"
#include "support/fleet_database.h"
#include "support/start_folder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMutex>
#include <QRandomGenerator>
#include <QTextStream>
#include <QThread>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Options {
    int stations = 1000;
    int perSite = 4;
    int seconds = 30;         // of office changes while every station logs
    int backlog = 100;        // log rows each station has waiting at once
    int rowsPerMinute = 12;   // each station's openings: a busy gate
    int changesPerSecond = 2; // the office's
    int stationsPerThread = 8;
};

constexpr int UnitsPerSite = 50;
constexpr int WaitSeconds = 300;

QTextStream out(stdout);
QElapsedTimer g_clock; // started once; every thread reads it

// Waits up to `seconds` for `done`; the seconds it took, or -1.
double waitFor(const std::function<bool()> &done, int seconds)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > seconds * 1000)
            return -1;
        QThread::msleep(50);
    }
    return waited.elapsed() / 1000.0;
}

// As waitFor(), for a step the figures cannot do without.
double mustWaitFor(const std::function<bool()> &done, const char *what)
{
    const double seconds = waitFor(done, WaitSeconds);
    if (seconds < 0)
        qFatal("%s: not within %d s", what, WaitSeconds);
    return seconds;
}

// When the office's changes reached the stations of their site: written from
// the stations' threads. A change counts from its COMMIT's return; a station
// the notification reached before the office's own answer counts 0.
class Arrivals {
public:
    // Registered before the change is sent, so no arrival comes first; its number.
    qsizetype expect(const QString &site, qint64 count, int stations)
    {
        const QMutexLocker lock(&m_mutex);
        m_changes.append({site, count, g_clock.nsecsElapsed(), 0, {}, stations});
        return m_changes.size() - 1;
    }
    void committed(qsizetype change)
    {
        const qint64 now = g_clock.nsecsElapsed();
        const QMutexLocker lock(&m_mutex);
        m_changes[change].committed = now;
    }
    void pulled(const QString &site, const QString &station, qint64 count)
    {
        const qint64 now = g_clock.nsecsElapsed();
        const QMutexLocker lock(&m_mutex);
        for (Change &change : m_changes) {
            if (change.site == site && change.count <= count && !change.reached.contains(station))
                change.reached.insert(station, now);
        }
    }
    // Milliseconds from each COMMIT's return to each station.
    QList<double> reachedMs() const
    {
        const QMutexLocker lock(&m_mutex);
        QList<double> ms;
        for (const Change &change : m_changes) {
            for (const qint64 reached : change.reached)
                ms << std::max<qint64>(0, reached - change.committed) / 1e6;
        }
        return ms;
    }
    // Milliseconds of the COMMITs themselves.
    QList<double> commitMs() const
    {
        const QMutexLocker lock(&m_mutex);
        QList<double> ms;
        for (const Change &change : m_changes)
            ms << (change.committed - change.sent) / 1e6;
        return ms;
    }
    // Stations a change has not reached.
    qint64 unreached() const
    {
        const QMutexLocker lock(&m_mutex);
        qint64 missing = 0;
        for (const Change &change : m_changes)
            missing += change.stations - change.reached.size();
        return missing;
    }
    int changes() const
    {
        const QMutexLocker lock(&m_mutex);
        return int(m_changes.size());
    }

private:
    struct Change {
        QString site;
        qint64 count;
        qint64 sent;
        qint64 committed;
        QHash<QString, qint64> reached; // station, when
        int stations;
    };
    mutable QMutex m_mutex;
    QList<Change> m_changes;
};

// One simulated station: its folder, and on its thread its gate-sync and the
// openings it logs.
struct Station {
    StationName name;
    QString url;
    StartFolder folder;
    std::unique_ptr<GateSync> sync;
    QString logConnection;
    std::unique_ptr<QTimer> openings;
    std::atomic<qint64> rows{0};     // in its gate log
    std::atomic<bool> joined{false}; // its site's data pulled once

    void start(Arrivals &arrivals)
    {
        GateSyncConfig config;
        config.folder = folder.path();
        config.url = url;
        config.name = name;
        sync = std::make_unique<GateSync>(config);
        QObject::connect(
            sync.get(), &GateSync::pulled, sync.get(),
            [this, &arrivals](qint64 count) {
                joined = true;
                arrivals.pulled(name.site, name.station, count);
            },
            Qt::DirectConnection);
        QString error;
        if (!sync->start(&error))
            qFatal("%s", qPrintable(error));
        logConnection = uniqueConnectionName(QStringLiteral("openings"));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), logConnection);
        db.setDatabaseName(folder.file("Gate.gsd"));
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
        db.open();
        QSqlQuery(db).exec(QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    // Rows waiting at once, as after an outage.
    void addRows(int count)
    {
        folder.addLogRows(count);
        rows += count;
    }
    void startOpenings(const Options &options)
    {
        openings = std::make_unique<QTimer>();
        openings->setSingleShot(true);
        QObject::connect(openings.get(), &QTimer::timeout, openings.get(),
                         [this, options] { open(options); });
        if (options.rowsPerMinute > 0)
            openings->start(nextOpeningMs(options));
    }
    // A customer opens the gate, and the next one comes.
    void open(const Options &options)
    {
        QSqlQuery insert(QSqlDatabase::database(logConnection, false));
        QString error;
        if (runSql(insert,
                   QStringLiteral("INSERT INTO tblGateLog (fldDateTime, fldCode, fldReult, "
                                  "fldCustomer, fldUnitNumber, fldCustID, fldZone) VALUES (?, "
                                  "'1001', 'Valid', 'A B', 'U1', 1, 'In')"),
                   {QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
                   &error))
            ++rows;
        openings->start(nextOpeningMs(options));
    }
    // Openings come at random, rowsPerMinute on average.
    static int nextOpeningMs(const Options &options)
    {
        const double mean = 60000.0 / options.rowsPerMinute;
        return int(-mean * std::log(1 - QRandomGenerator::global()->generateDouble()));
    }
    void stop()
    {
        openings.reset();
        sync.reset();
        QSqlDatabase::database(logConnection, false).close();
        QSqlDatabase::removeDatabase(logConnection);
    }
};

using Stations = std::vector<std::unique_ptr<Station>>;

// Stations share threads, as gate-sync processes share a computer's cores.
class Threads {
public:
    explicit Threads(int count)
    {
        for (int i = 0; i < count; ++i) {
            auto thread = std::make_unique<QThread>();
            auto *context = new QObject;
            context->moveToThread(thread.get());
            thread->start();
            m_threads.push_back({std::move(thread), context});
        }
    }
    ~Threads()
    {
        for (auto &[thread, context] : m_threads) {
            context->deleteLater(); // on its thread, as it ends
            thread->quit();
            thread->wait();
        }
    }
    // `work` for each station on its thread, back once all is done.
    void forEach(const Stations &stations, const std::function<void(Station &)> &work)
    {
        for (size_t i = 0; i < stations.size(); ++i)
            QMetaObject::invokeMethod(m_threads[i % m_threads.size()].second,
                                      [work, station = stations[i].get()] { work(*station); });
        for (auto &[thread, context] : m_threads) // their queues empty
            QMetaObject::invokeMethod(
                context, [] {}, Qt::BlockingQueuedConnection);
    }

private:
    std::vector<std::pair<std::unique_ptr<QThread>, QObject *>> m_threads;
};

// The server's processes: their proportional set size (shared memory counted
// once) and the processor seconds they used.
struct ServerUse {
    double memoryMb = 0;
    double cpuSeconds = 0;
};

ServerUse serverUse(qint64 pid)
{
    const double tick = double(sysconf(_SC_CLK_TCK));
    ServerUse use;
    QDirIterator dirs(QStringLiteral("/proc"), QDir::Dirs | QDir::NoDotAndDotDot);
    while (dirs.hasNext()) {
        const QString dir = dirs.next();
        QFile stat(dir + QStringLiteral("/stat"));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray text = stat.readAll();
        // After "pid (name) ": state, parent, ... utime and stime at 11 and 12,
        // the reaped children's at 13 and 14.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        const bool server = QFileInfo(dir).fileName().toLongLong() == pid;
        if (!server && fields.value(1).toLongLong() != pid)
            continue;
        for (int field = 11; field <= (server ? 14 : 12); ++field)
            use.cpuSeconds += fields.value(field).toDouble() / tick;
        QFile rollup(dir + QStringLiteral("/smaps_rollup"));
        rollup.open(QIODevice::ReadOnly);
        for (const QByteArray &line : rollup.readAll().split('\n')) {
            if (line.startsWith("Pss:"))
                use.memoryMb += line.mid(4).trimmed().split(' ').value(0).toDouble() / 1024;
        }
    }
    return use;
}

double ownCpuSeconds()
{
    rusage own{};
    getrusage(RUSAGE_SELF, &own);
    return double(own.ru_utime.tv_sec + own.ru_stime.tv_sec) +
           double(own.ru_utime.tv_usec + own.ru_stime.tv_usec) / 1e6;
}

// What one chain's run measured.
struct Figures {
    double joinS = 0;
    Spread reach;  // a change to every station of its site, ms
    Spread commit; // the office's COMMIT, ms
    int changes = 0;
    qint64 unreached = 0;
    qint64 backlog = 0; // rows waiting at once, over all stations
    double ingestRowsPerS = 0;
    double steadyRowsPerS = 0;
    double memoryMb = 0;
    double serverCores = 0;
    double stationCores = 0;
    qint64 lost = 0; // rows logged but not central exactly once
    int outOfStep = 0;
};

// N stations on sites of a few, in a database of their own; site names start
// with `prefix` (roles are the server's, not a database's).
class Chain {
public:
    Chain(PgServer &server, const QString &prefix, int stations, const Options &options)
        : m_server(server)
        , m_db(createFleetDatabase(server, prefix))
        , m_prefix(prefix)
        , m_options(options)
        , m_sites((stations + options.perSite - 1) / options.perSite)
        , m_threads((stations + options.stationsPerThread - 1) / options.stationsPerThread)
    {
        fillSites();
        makeStations(stations);
    }
    ~Chain()
    {
        m_threads.forEach(m_stations, [](Station &station) { station.stop(); });
    }

    Figures run(int backlogPerStation)
    {
        Figures figures;
        figures.joinS = join();
        figures.memoryMb = serverUse(m_server.pid()).memoryMb;
        figures.backlog = qint64(m_stations.size()) * backlogPerStation;
        figures.ingestRowsPerS = figures.backlog / ingest(backlogPerStation);
        steady(figures);
        const qint64 logged = loggedRows();
        // What is still missing then is counted, not waited for.
        waitFor([&] { return centralRows() >= logged && m_arrivals.unreached() == 0; }, 60);
        figures.reach = spread(m_arrivals.reachedMs());
        figures.commit = spread(m_arrivals.commitMs());
        figures.changes = m_arrivals.changes();
        figures.unreached = m_arrivals.unreached();
        figures.lost = lostRows();
        figures.outOfStep = notInStep();
        return figures;
    }

private:
    QString siteName(int site) const
    {
        return m_prefix + QStringLiteral("%1").arg(site, 4, 10, QLatin1Char('0'));
    }
    static Spread spread(const QList<double> &ms) { return ms.isEmpty() ? Spread{} : spreadOf(ms); }

    void fillSites()
    {
        const QString site = QStringLiteral("'%1' || lpad(s::text, 4, '0')").arg(m_prefix);
        m_server.exec(
            m_db,
            QStringLiteral("INSERT INTO sites (site) SELECT %1 FROM generate_series(0, %2) s;"
                           "INSERT INTO units (site, fldGateCode, fldStatus) SELECT %1, "
                           "(1000 + u)::text, 'Rented' FROM generate_series(0, %2) s, "
                           "generate_series(1, %3) u;"
                           "INSERT INTO time_zones (site, fldTimeZone, fldStartTime, fldStopTime) "
                           "SELECT %1, 1, '07:00:00', '20:00:00' FROM generate_series(0, %2) s;"
                           "INSERT INTO master_codes (fldPassCode) VALUES ('9999')")
                .arg(site)
                .arg(m_sites - 1)
                .arg(UnitsPerSite));
    }

    void makeStations(int count)
    {
        QSqlDatabase office = m_server.connect(m_db, QStringLiteral("roles"));
        for (int i = 0; i < count; ++i) {
            auto station = std::make_unique<Station>();
            station->name = {siteName(i / m_options.perSite), QStringLiteral("st%1").arg(i)};
            StationRoles::Login login;
            QString error;
            if (!StationRoles::add(office, station->name.site, station->name.station, login,
                                   &error))
                qFatal("%s", qPrintable(error));
            station->url = StationRoles::stationUrl(m_server.url(m_db), login);
            station->folder.makeStandard();
            m_stations.push_back(std::move(station));
        }
    }

    // Every gate-sync started at once, as after the server's restart; the
    // seconds until each had pulled its site.
    double join()
    {
        QElapsedTimer timer;
        timer.start();
        m_threads.forEach(m_stations, [this](Station &station) { station.start(m_arrivals); });
        mustWaitFor(
            [this] {
                return std::all_of(m_stations.begin(), m_stations.end(),
                                   [](const auto &station) { return station->joined.load(); });
            },
            "every station joined");
        return timer.elapsed() / 1000.0;
    }

    // Rows waiting at every station at once, as after an outage; the seconds
    // until all were central.
    double ingest(int backlogPerStation)
    {
        const qint64 wanted = centralRows() + qint64(m_stations.size()) * backlogPerStation;
        QElapsedTimer timer;
        timer.start();
        m_threads.forEach(m_stations, [backlogPerStation](Station &station) {
            station.addRows(backlogPerStation);
        });
        mustWaitFor([&] { return centralRows() >= wanted; }, "the waiting rows central");
        return timer.elapsed() / 1000.0;
    }

    // Every station logging while the office changes a site after another.
    void steady(Figures &figures)
    {
        QHash<QString, qint64> counts;
        QSqlQuery read =
            m_server.query(m_db, QStringLiteral("SELECT site, change_count FROM sites"));
        while (read.next())
            counts.insert(read.value(0).toString(), read.value(1).toLongLong());
        const qint64 rowsBefore = centralRows();
        const double serverBefore = serverUse(m_server.pid()).cpuSeconds;
        const double ownBefore = ownCpuSeconds();
        m_threads.forEach(m_stations,
                          [this](Station &station) { station.startOpenings(m_options); });
        QSqlQuery change(m_server.connect(m_db, QStringLiteral("office")));
        QElapsedTimer steady;
        steady.start();
        const qint64 pauseMs = 1000 / std::max(1, m_options.changesPerSecond);
        for (qint64 next = 0; next < m_options.seconds * 1000; next += pauseMs) {
            QThread::msleep(std::max<qint64>(0, next - steady.elapsed()));
            if (m_options.changesPerSecond > 0)
                changeASite(change, counts);
        }
        m_threads.forEach(m_stations, [](Station &station) { station.openings.reset(); });
        const double seconds = steady.elapsed() / 1e3;
        figures.steadyRowsPerS = (centralRows() - rowsBefore) / seconds;
        figures.serverCores = (serverUse(m_server.pid()).cpuSeconds - serverBefore) / seconds;
        figures.stationCores = (ownCpuSeconds() - ownBefore) / seconds;
    }

    // The office changes one unit of a site picked at random.
    void changeASite(QSqlQuery &change, QHash<QString, qint64> &counts)
    {
        const int index = QRandomGenerator::global()->bounded(m_sites);
        const QString site = siteName(index);
        const int stations =
            std::min(m_options.perSite, int(m_stations.size()) - index * m_options.perSite);
        const qsizetype sent = m_arrivals.expect(site, ++counts[site], stations);
        QString error;
        if (!runSql(change,
                    QStringLiteral("UPDATE units SET fldStatus = CASE fldStatus WHEN 'Rented' "
                                   "THEN 'Vacant' ELSE 'Rented' END WHERE id = (SELECT min(id) "
                                   "FROM units WHERE site = ?)"),
                    {site}, &error))
            qFatal("%s", qPrintable(error));
        m_arrivals.committed(sent);
    }

    qint64 centralRows() const
    {
        return m_server.value(m_db, QStringLiteral("SELECT count(*) FROM gate_log")).toLongLong();
    }

    qint64 loggedRows() const
    {
        qint64 logged = 0;
        for (const auto &station : m_stations)
            logged += station->rows;
        return logged;
    }

    // Rows a station logged that the central log lacks, and central rows of
    // it beyond those it logged (the central key keeps any from being there
    // twice).
    qint64 lostRows() const
    {
        QHash<QString, qint64> central;
        QSqlQuery counts = m_server.query(
            m_db, QStringLiteral("SELECT station, count(*) FROM gate_log GROUP BY station"));
        while (counts.next())
            central.insert(counts.value(0).toString(), counts.value(1).toLongLong());
        qint64 lost = 0;
        for (const auto &station : m_stations)
            lost += qAbs(station->rows - central.value(station->name.station));
        return lost;
    }

    // Stations whose gate-sync is not in step now, by their fleet.state.
    int notInStep() const
    {
        return int(std::count_if(m_stations.begin(), m_stations.end(), [](const auto &station) {
            FleetState state;
            return !FleetState::read(station->folder.path(), state, nullptr) ||
                   state.phase != FleetState::Phase::InStep;
        }));
    }

    PgServer &m_server;
    QString m_db;
    QString m_prefix;
    Options m_options;
    int m_sites;
    Arrivals m_arrivals;
    Stations m_stations;
    Threads m_threads; // after the stations: ended first, once they are stopped
};

Options parse(const QCoreApplication &app)
{
    Options options;
    QCommandLineParser parser;
    const QList<std::pair<QCommandLineOption, int *>> numbers{
        {{"stations", {}, "N"}, &options.stations},
        {{"per-site", {}, "N"}, &options.perSite},
        {{"seconds", {}, "N"}, &options.seconds},
        {{"rows-per-minute", {}, "N"}, &options.rowsPerMinute},
        {{"changes-per-second", {}, "N"}, &options.changesPerSecond}};
    for (const auto &[option, value] : numbers)
        parser.addOption(option);
    parser.process(app);
    for (const auto &[option, value] : numbers) {
        if (parser.isSet(option))
            *value = std::max(0, parser.value(option).toInt());
    }
    options.stations = std::max(1, options.stations);
    options.perSite = std::max(1, options.perSite);
    return options;
}

QString ratio(double value, double baseline)
{
    return baseline > 0 ? QStringLiteral("x%1").arg(value / baseline, 0, 'f', 2)
                        : QStringLiteral("x-");
}

void report(const Options &options, const Figures &chain, const Figures &one)
{
    const auto ms = [](double value) { return QString::number(value, 'f', 0); };
    out << QStringLiteral("bench_fleet_scale: %1 stations, %2 a site, one server: a change to "
                          "every station of its site p50 %3 ms, p99 %4 ms (one station: p50 %5 "
                          "ms, p99 %6 ms; %7, %8); ingest %9 rows/s (one station pushing the "
                          "same %10 rows: %11 rows/s; %12); server memory %13 MB (one link: %14 "
                          "MB; %15); lost %16 (one station: lost %17)\n")
               .arg(options.stations)
               .arg(options.perSite)
               .arg(ms(chain.reach.median), ms(chain.reach.p99), ms(one.reach.median),
                    ms(one.reach.p99), ratio(chain.reach.median, one.reach.median),
                    ratio(chain.reach.p99, one.reach.p99))
               .arg(chain.ingestRowsPerS, 0, 'f', 0)
               .arg(chain.backlog)
               .arg(one.ingestRowsPerS, 0, 'f', 0)
               .arg(ratio(chain.ingestRowsPerS, one.ingestRowsPerS))
               .arg(chain.memoryMb, 0, 'f', 0)
               .arg(one.memoryMb, 0, 'f', 0)
               .arg(ratio(chain.memoryMb, one.memoryMb))
               .arg(chain.lost)
               .arg(one.lost);
    out << QStringLiteral("bench_fleet_scale: all joined in %1 s (one: %2 s); %3 changes, %4 "
                          "stations unreached, the office's COMMIT p50 %5 ms, p99 %6 ms; while "
                          "logging %7 rows/s central, the server used %8 % of a core, the "
                          "stations %9 %; %10 MB a link; %11 stations not in step at the end\n")
               .arg(chain.joinS, 0, 'f', 1)
               .arg(one.joinS, 0, 'f', 1)
               .arg(chain.changes)
               .arg(chain.unreached)
               .arg(chain.commit.median, 0, 'f', 0)
               .arg(chain.commit.p99, 0, 'f', 0)
               .arg(chain.steadyRowsPerS, 0, 'f', 0)
               .arg(chain.serverCores * 100, 0, 'f', 0)
               .arg(chain.stationCores * 100, 0, 'f', 0)
               .arg((chain.memoryMb - one.memoryMb) / std::max(1, options.stations - 1), 0, 'f', 2)
               .arg(chain.outOfStep);
    out.flush();
}

} // namespace

int main(int argc, char *argv[])
{
    // A thousand stations hold a few files each.
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
    // Each real station has a disk of its own: theirs are not what is measured here.
    if (QDir(QStringLiteral("/dev/shm")).exists())
        qputenv("TMPDIR", "/dev/shm");
    QCoreApplication app(argc, argv);
    const Options options = parse(app);
    g_clock.start();
    PgServer server(true, {QStringLiteral("max_connections=%1").arg(options.stations + 50),
                           QStringLiteral("shared_buffers=256MB")});
    // The baseline first: one station pushing the chain's rows alone.
    Figures one;
    {
        Chain single(server, QStringLiteral("one"), 1, options);
        one = single.run(options.backlog * options.stations);
    }
    Chain chain(server, QStringLiteral("site"), options.stations, options);
    report(options, chain.run(options.backlog), one);
    return 0;
}
