#include "fuzz_harness.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

void fuzzFailure(const char *check, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, check);
    std::abort();
}

// Sockets, timers and SQL drivers want an application, made once. Dates are
// read in UTC, so no check depends on the machine's daylight saving.
extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("TZ", "UTC");
    static QCoreApplication app(*argc, *argv);
    return 0;
}

QString fuzzFolder()
{
    static const QTemporaryDir dir((QDir(QStringLiteral("/dev/shm")).exists()
                                        ? QStringLiteral("/dev/shm")
                                        : QDir::tempPath()) +
                                   QStringLiteral("/gate-fuzz-XXXXXX"));
    if (!dir.isValid())
        fuzzFailure("a temporary folder", __FILE__, __LINE__);
    return dir.path();
}

void writeFuzzFile(const QString &file, const QByteArray &content)
{
    QFile out(file);
    FUZZ_CHECK(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(out.write(content) == content.size());
}

void makeGateDatabase(const QString &file)
{
    QFile schema(QStringLiteral(GATE_SCHEMA_DIR "/gate.sql"));
    FUZZ_CHECK(schema.open(QIODevice::ReadOnly));
    const QString name = QStringLiteral("fuzz-schema");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        FUZZ_CHECK(db.open());
        for (const QString &statement : QString::fromUtf8(schema.readAll()).split(u';')) {
            if (!statement.trimmed().isEmpty())
                FUZZ_CHECK(QSqlQuery(db).exec(statement));
        }
    }
    QSqlDatabase::removeDatabase(name);
}
