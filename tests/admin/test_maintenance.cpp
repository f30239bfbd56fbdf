// Keeping a site running: backups taken while the station writes, restores,
// and the installer's check of a folder.
#include "admin/backup.h"
#include "admin/folder_check.h"
#include "admin/station_folder.h"
#include "common/file_privacy.h"
#include "settings/settings_file.h"
#include "sim/virtual_relay_board.h"
#include "support/busy_connection.h"
#include "support/start_folder.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <atomic>

namespace {

const QString LogRows = "select count(*) || ' ' || ifnull(max(fldID), 0) from tblGateLog";

// A station killed while its rows were still in the gate database's write-ahead log.
void leaveRowsInWriteAheadLog(const QString &database)
{
    QProcess sqlite;
    sqlite.start("sqlite3", {database});
    sqlite.write("PRAGMA wal_autocheckpoint=0;\n"
                 "INSERT INTO tblGateLog (fldCode) VALUES ('late'), ('late'), ('late');\n"
                 "SELECT 'written';\n");
    QByteArray said;
    while (!said.contains("written") && sqlite.waitForReadyRead(10000))
        said += sqlite.readAllStandardOutput();
    sqlite.kill();
    sqlite.waitForFinished();
}

QStringList checkLines(const QString &folder)
{
    QStringList lines;
    for (const FolderCheck::Finding &finding : FolderCheck::run(folder))
        lines << FolderCheck::line(finding);
    return lines;
}

} // namespace

class TestMaintenance : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { keepNewFilesPrivate(); } // as gatectl and the station do

    // A backup taken while rows are written holds a consistent log, and a
    // restore brings everything back in a new folder and over the old one.
    void backupWhileWritingRestores()
    {
        StartFolder folder;
        folder.makeStandard();
        folder.exec("Data.gsd", "INSERT INTO tblUnitInfo (fldGateCode, fldCustLastName) "
                                "VALUES ('1234', 'Smith'), ('5678', 'O''Neil')");
        folder.exec("Gate.gsd", "PRAGMA journal_mode=WAL; "
                                "INSERT INTO tblTimeZones VALUES (1, '07:00:00', '20:00:00')");
        folder.write("station.ini", "[keypad]\nLockoutAfter=3\n");
        QString made;
        QString error;
        int before = 0;
        {
            // Another program appending log rows, one commit each, none waiting out a lock.
            std::atomic<int> written = 0, refused = 0;
            BusyConnection writer(folder.file("Gate.gsd"), {}, [&](QSqlDatabase &db) {
                QSqlQuery insert(db);
                insert.prepare("INSERT INTO tblGateLog (fldCode) VALUES (?)");
                insert.addBindValue(QString::number(written + 1));
                ++(insert.exec() ? written : refused);
            });
            QTRY_VERIFY(written > 50);
            before = written;
            QVERIFY2(Backup::make(folder.path(), folder.file("backups"), 14,
                                  QDateTime::currentDateTime(), &made, &error),
                     qPrintable(error));
            writer.stop();
            QCOMPARE(refused, 0); // a backup never stops the station's writes
        }
        const QStringList inBackup = QDir(made).entryList(QDir::Files, QDir::Name);
        QCOMPARE(inBackup, (QStringList{"Data.gsd", "Gate.gsd", "comports.ini", "gatesystem.dat",
                                        "station.ini"}));
        StartFolder backup;
        const auto counted = [](const StartFolder &in, const QString &file) {
            return in.value(file, LogRows).toString();
        };
        QVERIFY(QFile::copy(made + "/Gate.gsd", backup.file("Gate.gsd")));
        const QString backedUp = counted(backup, "Gate.gsd"); // "rows highest-id": no gaps
        const int rows = backedUp.section(' ', 0, 0).toInt();
        QVERIFY2(rows >= before && backedUp == QString("%1 %1").arg(rows), qPrintable(backedUp));

        const QString restored = folder.file("restored");
        QStringList files;
        QVERIFY2(Backup::restore(made, restored, &files, &error), qPrintable(error));
        StationSettings settings;
        QVERIFY(SettingsFile::load(restored + "/gatesystem.dat", settings, &error));
        QCOMPARE(settings.DataDbPath, restored + "/Data.gsd");
        QCOMPARE(settings.GateDbPath, restored + "/Gate.gsd");
        const QString units = "select group_concat(fldGateCode || fldCustLastName) from "
                              "tblUnitInfo";
        QCOMPARE(folder.value("restored/Data.gsd", units), QVariant("1234Smith,5678O'Neil"));
        QCOMPARE(counted(folder, "restored/Gate.gsd"), backedUp);
        QCOMPARE(folder.value("restored/Gate.gsd", "select fldStopTime from tblTimeZones"),
                 QVariant("20:00:00"));
        QFile ini(restored + "/station.ini");
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QCOMPARE(ini.readAll(), QByteArray("[keypad]\nLockoutAfter=3\n"));

        // Over the folder it came from, after a station died with rows in the log.
        leaveRowsInWriteAheadLog(folder.file("Gate.gsd"));
        QVERIFY(QFile::exists(folder.file("Gate.gsd-wal")));
        QVERIFY2(Backup::restore(made, folder.path(), &files, &error), qPrintable(error));
        QCOMPARE(counted(folder, "Gate.gsd"), backedUp);
        QCOMPARE(folder.value("Gate.gsd", "PRAGMA integrity_check"), QVariant("ok"));
    }

    // Only backups count: another folder in DEST is left alone, the partial
    // folder of a backup cut off by a power cut goes.
    void keepsTheNewestBackups()
    {
        StartFolder folder;
        folder.makeStandard();
        const QString dest = folder.file("backups");
        QVERIFY(QDir().mkpath(dest + "/.gate-backup-2026-03-01-023000.partial"));
        QVERIFY(QDir().mkpath(dest + "/gate-backup-notes"));
        const QDateTime first(QDate(2026, 3, 7), QTime(23, 59, 58));
        QString made;
        QString error;
        for (int i = 0; i < 4; ++i)
            QVERIFY2(Backup::make(folder.path(), dest, 2, first.addSecs(i), &made, &error),
                     qPrintable(error));
        QCOMPARE(made, dest + "/gate-backup-2026-03-08-000001");
        QCOMPARE(QDir(dest).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
                 (QStringList{"gate-backup-2026-03-08-000000", "gate-backup-2026-03-08-000001",
                              "gate-backup-notes"}));
    }

    // A missing database and a missing device, each named with its fix; the
    // relay board is asked for its status.
    void checkNamesEachProblemWithItsFix()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QVERIFY(StationFolder::init(site, nullptr, nullptr));
        QVERIFY(QFile::remove(site + "/Gate.gsd"));
        VirtualRelayBoard relay;
        PtyDevice keypad2;
        parent.write("site/comports.ini", QString("[ports]\n1=/nonexistent/keypad\n2=%1\n3=%2\n")
                                              .arg(relay.devicePath(), keypad2.devicePath())
                                              .toUtf8());
        const QStringList lines = checkLines(site);
        QCOMPARE(lines.filter("PROBLEM").size(), 3);
        for (const QString table : {"tblGateLog", "tblTimeZones"})
            QVERIFY2(lines.contains(QString("PROBLEM: database: %1: cannot open %2/Gate.gsd (Error "
                                            "opening database) -> fix: correct the path in "
                                            "gatesystem.dat, or restore a backup (gatectl restore)")
                                        .arg(table, site)),
                     qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("PROBLEM: Keypad 1: port 1 is /nonexistent/keypad (comports.ini), "
                               "which does not exist -> fix: check the cable and adapter, or the "
                               "path in comports.ini"));
        QVERIFY(
            lines.contains(QString("ok: Relay board: %1 answers the status query: 0 (1: relay on)")
                               .arg(relay.devicePath())));
        QVERIFY(lines.contains(
            QString("ok: Keypad 2: %1 opens at 9600,N,8,1").arg(keypad2.devicePath())));
        QVERIFY(lines.contains("ok: database: tblUnitInfo in " + site + "/Data.gsd"));
    }
    // Tenants' codes and the fleet password stay with the owner and the group.
    void checkNamesFilesEveryoneReads_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("customer database") << "Data.gsd";
        QTest::newRow("settings") << "gatesystem.dat";
        QTest::newRow("station.ini, with the fleet password") << "station.ini";
    }
    void checkNamesFilesEveryoneReads()
    {
        QFETCH(QString, file);
        StartFolder parent;
        const QString site = parent.file("site");
        QVERIFY(StationFolder::init(site, nullptr, nullptr));
        parent.write("site/station.ini", "[fleet]\nUrl=postgresql://n.n1:secret@db/fleet\n");
        const QString path = site + "/" + file;
        QVERIFY(QFile::setPermissions(path, QFile::permissions(path) | QFile::ReadOther));
        QCOMPARE(checkLines(site).filter("every account"),
                 QStringList("PROBLEM: " + path +
                             " can be read by every account on this computer (chmod o-r) -> fix: "
                             "chmod o-r the files named"));
    }
};

QTEST_GUILESS_MAIN(TestMaintenance)
#include "test_maintenance.moc"
