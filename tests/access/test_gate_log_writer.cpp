#include "access/gate_log_writer.h"
#include "support/start_folder.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>

using Result = GateLogWriter::Result;

namespace {

const QDateTime When(QDate(2026, 3, 10), QTime(23, 59, 59));

// Another program on the gate database, inside the transaction it began, until destroyed.
struct OtherProgram {
    QSqlQuery query;

    OtherProgram(const QString &path, const QStringList &statements)
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "other");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        query = QSqlQuery(db);
        for (const QString &statement : statements)
            QVERIFY2(query.exec(statement), qPrintable(statement));
    }
    ~OtherProgram()
    {
        query.exec("ROLLBACK");
        query = QSqlQuery();
        QSqlDatabase::database("other", false).close();
        QSqlDatabase::removeDatabase("other");
    }
};

// A start folder whose gate database the writer has open.
struct Gate {
    StartFolder folder;
    GateLogWriter writer;
    QString path;

    Gate()
    {
        folder.makeStandard();
        path = folder.file("Gate.gsd");
        QString error;
        if (!writer.open(path, &error))
            qFatal("%s", qPrintable(error));
    }
    Result write(const QString &code, QString *why = nullptr)
    {
        return writer.write({code, "In", "Valid", "Smith, Ann", "B12", "345"}, When, why);
    }
    QString codes() const
    {
        return folder
            .value("Gate.gsd", "select group_concat(fldCode, ' ') from "
                               "(select fldCode from tblGateLog order by fldID)")
            .toString();
    }
};

} // namespace

class TestGateLogWriter : public QObject {
    Q_OBJECT

private slots:
    // A reader's open transaction does not stop a write.
    void writesPassReadersWithoutWaiting()
    {
        Gate gate;
        OtherProgram reader(gate.path, {"BEGIN", "select count(*) from tblGateLog"});
        QCOMPARE(gate.write("1111"), Result::Logged);
        QCOMPARE(gate.codes(), "1111");
        GateLogWriter missing;
        QVERIFY(!missing.open(gate.folder.file("Missing.gsd"), nullptr));
        QVERIFY(!QFile::exists(gate.folder.file("Missing.gsd")));
    }

    // Refused rows wait in order, later rows go behind them, and each lands once.
    void lockedLogSpoolsInOrder()
    {
        Gate gate;
        QString why;
        {
            OtherProgram locker(gate.path, {"BEGIN IMMEDIATE"});
            QCOMPARE(gate.write("1111", &why), Result::Spooled);
            QVERIFY(!why.isEmpty());
            QCOMPARE(gate.write("2222"), Result::Spooled);
            QVERIFY(!gate.writer.flushSpool(&why));
        }
        QCOMPARE(gate.write("3333"), Result::Spooled);
        QCOMPARE(gate.writer.spooledRows(), 3);
        QVERIFY2(gate.writer.flushSpool(&why), qPrintable(why));
        QCOMPARE(gate.writer.spooledRows(), 0);
        QVERIFY(gate.writer.flushSpool(&why));
        QCOMPARE(gate.codes(), "1111 2222 3333");
        QCOMPARE(gate.write("4444"), Result::Logged);
    }

    // A trigger stands in for a read-only database: file modes do not stop root.
    void refusedRowSpooledOrLost()
    {
        Gate gate;
        gate.folder.execStatement("Gate.gsd", "CREATE TRIGGER refuse BEFORE INSERT ON tblGateLog "
                                              "BEGIN SELECT RAISE(ABORT, 'refused'); END");
        QString why;
        QVERIFY(QDir().mkdir(gate.writer.spoolPath()));
        QCOMPARE(gate.write("1111", &why), Result::Lost);
        QVERIFY2(why.contains("refused") && why.contains(gate.writer.spoolPath()), qPrintable(why));
        QVERIFY(QDir().rmdir(gate.writer.spoolPath()));
        QCOMPARE(gate.write("2222", &why), Result::Spooled);
        QVERIFY2(why.contains("refused"), qPrintable(why));
        gate.folder.exec("Gate.gsd", "DROP TRIGGER refuse");
        QVERIFY(gate.writer.flushSpool(&why));
        QCOMPARE(gate.codes(), "2222");
    }

    // A crash leaves the flush marker, rows committed or not, and a torn last line.
    void crashLeftovers_data()
    {
        QTest::addColumn<bool>("committed");
        QTest::newRow("before commit") << false;
        QTest::newRow("after commit") << true;
    }
    void crashLeftovers()
    {
        QFETCH(bool, committed);
        Gate gate;
        QCOMPARE(gate.write("1111"), Result::Logged);
        {
            OtherProgram locker(gate.path, {"BEGIN IMMEDIATE"});
            QCOMPARE(gate.write("1111"), Result::Spooled);
            QCOMPARE(gate.write("2222"), Result::Spooled);
        }
        const QString spool = gate.writer.spoolPath();
        QVERIFY(QFile::copy(spool, spool + ".crash"));
        QVERIFY(!committed || gate.writer.flushSpool(nullptr));
        QFile::remove(spool);
        QFile file(spool + ".crash");
        QVERIFY(file.open(QIODevice::Append));
        file.write("{\"flushAbove\":1}\n{\"fldCode\":\"9999\"}");
        file.close();
        QVERIFY(file.rename(spool));
        QVERIFY(gate.writer.open(gate.path, nullptr));
        QCOMPARE(gate.writer.spooledRows(), 2);
        QCOMPARE(gate.write("4444"), Result::Spooled);
        QVERIFY(gate.writer.flushSpool(nullptr));
        QCOMPARE(gate.codes(), "1111 1111 2222 4444");
    }

    // Text columns hold empty text, never NULL; the customer number is a number,
    // or NULL when there is none. Straight into the log and through the spool.
    void emptyTextsStoredAsText()
    {
        Gate gate;
        const GateEvent bare{"1234", {}, "Valid", {}, {}, {}};
        const GateEvent invalid = invalidEvent("5678", {});
        for (bool spooled : {false, true}) {
            OtherProgram locker(gate.path,
                                spooled ? QStringList{"BEGIN IMMEDIATE"} : QStringList{});
            for (const GateEvent &event : {bare, invalid})
                QCOMPARE(gate.writer.write(event, When, nullptr),
                         spooled ? Result::Spooled : Result::Logged);
        }
        QVERIFY(gate.writer.flushSpool(nullptr));
        QCOMPARE(gate.folder.rows("Gate.gsd", "select fldCode, typeof(fldZone), "
                                              "typeof(fldCustomer), typeof(fldUnitNumber), "
                                              "typeof(fldCustID), count(*) from tblGateLog "
                                              "group by 1, 2, 3, 4, 5"),
                 (QList<QVariantList>{{"1234", "text", "text", "text", "null", 2},
                                      {"5678", "text", "text", "text", "integer", 2}}));
    }
};

QTEST_GUILESS_MAIN(TestGateLogWriter)
#include "test_gate_log_writer.moc"
