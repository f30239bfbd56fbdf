#include "access/gate_log_writer.h"
#include "fuzz_harness.h"

#include <QFile>
#include <QJsonDocument>
#include <QSqlQuery>

namespace {

using Log = QList<QVariantList>;

// The rows a station wrote before the crash left the spool.
const char *const EarlierRows =
    "insert into tblGateLog (fldDateTime, fldCode, fldReult, fldCustomer, fldUnitNumber, "
    "fldCustID, fldZone) values ('2026-03-10 12:00:00', '1234', 'Valid', 'Ada Lovelace', 'A12', "
    "1001, 'In'), ('2026-03-10 12:00:05', '5678', 'Invalid', '', '', null, 'Out'), "
    "('2026-03-10 12:01:00', '', 'Manual Open', 'Operator', '', 0, 'Office')";

template <class Use> auto withDatabase(const QString &file, Use use)
{
    const QString name = QStringLiteral("fuzz-log");
    auto result = [&] {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        FUZZ_CHECK(db.open());
        QSqlQuery q(db);
        return use(q);
    }();
    QSqlDatabase::removeDatabase(name);
    return result;
}

Log logOf(const QString &file)
{
    return withDatabase(file, [](QSqlQuery &q) {
        FUZZ_CHECK(q.exec(QStringLiteral("select * from tblGateLog order by fldID")));
        Log rows;
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < 8; ++c)
                row << q.value(c);
            rows << row;
        }
        return rows;
    });
}

const QString &earlierLog()
{
    static const QString file = [] {
        const QString path = fuzzFolder() + QStringLiteral("/Earlier.gsd");
        makeGateDatabase(path);
        withDatabase(path, [](QSqlQuery &q) { return q.exec(QLatin1String(EarlierRows)); });
        return path;
    }();
    return file;
}

// A gate database as the station left it, with `spool` beside it; the log
// after the station opened it and flushed the spool.
Log flushed(const QString &gateDb, const QByteArray &spool, int *waiting = nullptr)
{
    writeFuzzFile(gateDb + QStringLiteral(".spool"), spool);
    GateLogWriter writer;
    QString why;
    FUZZ_CHECK(writer.open(gateDb, &why));
    if (waiting)
        *waiting = writer.spooledRows();
    FUZZ_CHECK(writer.flushSpool(&why));
    FUZZ_CHECK(writer.spooledRows() == 0 && !QFile::exists(writer.spoolPath()));
    return logOf(gateDb);
}

QString freshCopy(const QString &name)
{
    const QString file = fuzzFolder() + QLatin1Char('/') + name;
    QFile::remove(file);
    FUZZ_CHECK(QFile::copy(earlierLog(), file));
    return file;
}

QByteArray markerLine(qint64 flushAbove)
{
    return QByteArrayLiteral("{\"flushAbove\":") + QByteArray::number(flushAbove) + "}\n";
}

// Rows of a spool that holds no marker: every complete line that is an object.
int rowLines(const QByteArray &spool)
{
    const QList<QByteArray> lines = spool.left(spool.lastIndexOf('\n') + 1).split('\n');
    return int(std::count_if(lines.begin(), lines.end(), [](const QByteArray &line) {
        return !QJsonDocument::fromJson(line).object().isEmpty();
    }));
}

} // namespace

// The spool a crash left beside the gate database (torn lines, rows twice,
// markers): every row lands in the log once, in one flush, and a crash just
// before or just after that flush's commit changes nothing.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray spool = fuzzBytes(data, size);
    const qint64 lastEarlier = logOf(earlierLog()).size();
    const QString gateDb = freshCopy(QStringLiteral("Gate.gsd"));
    int waiting = 0;
    const Log log = flushed(gateDb, spool, &waiting);
    FUZZ_CHECK(log.mid(0, lastEarlier) == logOf(earlierLog()));
    FUZZ_CHECK(log.size() - lastEarlier <= waiting);
    if (!spool.contains("flushAbove") && !spool.contains("\\u"))
        FUZZ_CHECK(log.size() - lastEarlier == rowLines(spool) && waiting == rowLines(spool));

    // The flush's own marker, as a crash leaves it, with the torn line after it.
    const QByteArray whole = spool.left(spool.lastIndexOf('\n') + 1);
    const QByteArray crashed = whole + markerLine(lastEarlier) + spool.mid(whole.size());
    FUZZ_CHECK(flushed(gateDb, crashed) == log);
    FUZZ_CHECK(flushed(freshCopy(QStringLiteral("Uncommitted.gsd")), crashed) == log);
    return 0;
}
