// The customer sync of 100 000 units of which 1 000 changed, beside the naive
// way (delete every row and insert them all in one transaction), in one run:
// the sync's total time, how long each holds the write lock, and the longest a
// station read (a code look-up on a connection of its own) had to wait.
#include "big_site.h"
#include "sync/customer_sync.h"
#include "tables/table_text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QThread>
#include <atomic>
#include <cstdio>

namespace {

using BigSite::ChangedUnits;
using BigSite::Units;

// Looks codes up the way the station does, as fast as it can, and keeps the longest wait.
class Probe {
public:
    explicit Probe(const QString &path)
        : m_thread(QThread::create([this, path] { run(path); }))
    {
        m_thread->start();
        while (m_reads == 0)
            QThread::msleep(1);
    }

    qint64 stop()
    {
        m_stop = true;
        m_thread->wait();
        return m_longestMs;
    }

private:
    void run(const QString &path)
    {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "probe");
            db.setDatabaseName(path);
            db.setConnectOptions("QSQLITE_BUSY_TIMEOUT=10000");
            db.open();
            QSqlQuery query(db);
            query.prepare("select * from tblUnitInfo where fldGateCode = ? order by rowid limit 1");
            for (int i = 0; !m_stop; ++i) {
                QElapsedTimer read;
                read.start();
                query.addBindValue(QString::number(100000 + i % Units));
                query.exec();
                query.next();
                query.finish();
                m_longestMs = std::max(m_longestMs, read.elapsed());
                ++m_reads;
                QThread::usleep(200);
            }
        }
        QSqlDatabase::removeDatabase("probe");
    }

    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_reads{0};
    qint64 m_longestMs = 0;
};

// Every row deleted and the source's inserted, in one transaction: its length.
qint64 naiveSync(const QString &path)
{
    qint64 heldMs = 0;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "naive");
        db.setDatabaseName(path);
        db.open();
        QSqlQuery query(db);
        query.exec("PRAGMA cache_size = -262144");
        query.exec("BEGIN IMMEDIATE");
        QElapsedTimer held;
        held.start();
        query.exec("delete from tblUnitInfo");
        query.prepare(insertStatement(Tables::unitInfo(), "tblUnitInfo"));
        for (int i = 0; i < Units; ++i) {
            const QStringList row = BigSite::exportedUnit(i, true);
            for (int c = 0; c < row.size(); ++c)
                query.bindValue(c, row[c]);
            query.exec();
        }
        query.exec("COMMIT");
        heldMs = held.elapsed();
    }
    QSqlDatabase::removeDatabase("naive");
    return heldMs;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    StartFolder folder;
    folder.makeStandard();
    StationSettings settings = folder.settings();
    settings.CodeLength = 6; // the codes below, so none is warned about
    folder.writeSettings(settings);
    folder.exec(
        "Data.gsd",
        QString("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < "
                "%1) INSERT INTO tblUnitInfo SELECT 100000 + i, 'First', 'Rented', 'U' || i, "
                "i, 'Last', 0, '000000', 0 FROM n")
            .arg(Units - 1));
    QByteArray units = Tables::unitInfo().columnNames().join(',').toUtf8() + "\r\n";
    for (int i = 0; i < Units; ++i)
        units += BigSite::exportedUnit(i, true).join(',').toUtf8() + "\r\n";
    folder.write("units.csv", units);
    folder.write("masters.csv", Tables::masterCodes().columnNames().join(',').toUtf8() + "\r\n");
    const QString data = folder.file("Data.gsd");
    QFile::copy(data, folder.file("before.gsd"));

    Probe syncProbe(data);
    QElapsedTimer total;
    total.start();
    const CustomerSync::Report report =
        CustomerSync::run(SyncSource::csv(folder.file("units.csv"), folder.file("masters.csv")),
                          folder.path(), {}, mdbTools(), QDate(2024, 6, 1));
    const qint64 syncMs = total.elapsed();
    const qint64 syncWaitMs = syncProbe.stop();
    if (report.outcome != CustomerSync::Report::Outcome::Changed) {
        std::fprintf(stderr, "bench_sync: %s\n", qPrintable(report.summary));
        return 1;
    }

    QFile::remove(data);
    QFile::copy(folder.file("before.gsd"), data);
    Probe naiveProbe(data);
    const qint64 naiveMs = naiveSync(data);
    const qint64 naiveWaitMs = naiveProbe.stop();

    std::printf("sync of %d units, %d changed: total %lld ms, write lock %lld ms (longest station "
                "read %lld ms); naive delete-all + insert-all: write lock %lld ms (longest read "
                "%lld ms); write lock %.3f of the naive one\n",
                Units, ChangedUnits, syncMs, report.lockMs, syncWaitMs, naiveMs, naiveWaitMs,
                double(report.lockMs) / double(std::max<qint64>(naiveMs, 1)));
    return 0;
}
