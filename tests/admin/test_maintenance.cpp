// Keeping a site running: backups taken while the station writes, restores,
// and the installer's check of a folder.
#include "admin/backup.h"
#include "admin/folder_check.h"
#include "admin/folder_setup.h"
#include "common/file_privacy.h"
#include "settings/settings_file.h"
#include "sim/virtual_relay_board.h"
#include "support/busy_connection.h"
#include "support/other_program.h"
#include "support/start_folder.h"

#include <QDir>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTest>
#include <atomic>
#include <pwd.h>
#include <unistd.h>

namespace {

const QString LogRows = "select count(*) || ' ' || ifnull(max(fldID), 0) from tblGateLog";

// A station killed while its rows were still in the gate database's write-ahead log.
void leaveRowsInWriteAheadLog(const QString &database)
{
    QProcess sqlite;
    sqlite.start("sqlite3", {database});
    sqlite.write("PRAGMA journal_mode=WAL;\nPRAGMA wal_autocheckpoint=0;\n"
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

        // A new folder, where a write-ahead log of another file was left.
        const QString restored = folder.file("restored");
        QVERIFY(QFile::copy(folder.file("Gate.gsd"), folder.file("stray.gsd")));
        leaveRowsInWriteAheadLog(folder.file("stray.gsd"));
        QVERIFY(QDir().mkpath(restored));
        QVERIFY(QFile::rename(folder.file("stray.gsd-wal"), restored + "/Gate.gsd-wal"));
        const QDateTime restoredAt(QDate(2026, 3, 7), QTime(14, 30));
        Backup::RestoreReport report;
        QVERIFY2(Backup::restore(made, restored, restoredAt, &report, &error), qPrintable(error));
        QCOMPARE(report.kept, QStringList(restored + "/Gate.gsd-wal as " + restored +
                                          "/Gate.gsd.before-restore-2026-03-07-143000-wal"));
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
        QVERIFY2(Backup::restore(made, folder.path(), restoredAt, &report, &error),
                 qPrintable(error));
        QCOMPARE(counted(folder, "Gate.gsd"), backedUp);
        QCOMPARE(folder.value("Gate.gsd", "PRAGMA integrity_check"), QVariant("ok"));

        // What it replaced stays beside it, the rows of its write-ahead log too,
        // and the rows the backup lacks are counted.
        const QString kept = "Gate.gsd.before-restore-2026-03-07-143000";
        QCOMPARE(QDir(folder.path()).entryList({"*.before-restore-*"}, QDir::Files, QDir::Name),
                 (QStringList{"Data.gsd.before-restore-2026-03-07-143000", kept,
                              "comports.ini.before-restore-2026-03-07-143000",
                              "gatesystem.dat.before-restore-2026-03-07-143000",
                              "station.ini.before-restore-2026-03-07-143000"}));
        QCOMPARE(folder.value(kept, "select count(*) from tblGateLog where fldCode = 'late'"),
                 QVariant(3));
        QCOMPARE(report.newerLogFile, folder.file(kept));
        QCOMPARE(folder.value(
                     kept, QString("select count(*) from tblGateLog where fldID > %1").arg(rows)),
                 QVariant(report.newerLogRows));
        QVERIFY(report.newerLogRows >= 3);
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

    // "Data.gsd" in the settings file is the folder's own file, wherever gatectl runs.
    void relativeDatabasePathsAreTheFolders()
    {
        StartFolder folder;
        folder.makeStandard();
        StationSettings settings = folder.settings();
        settings.DataDbPath = "Data.gsd";
        settings.GateDbPath = "Gate.gsd";
        folder.writeSettings(settings);
        QVERIFY(QDir::currentPath() != folder.path());
        const QStringList lines = checkLines(folder.path());
        QVERIFY2(lines.filter("database").filter("PROBLEM").isEmpty(),
                 qPrintable(lines.join('\n')));
        QVERIFY(lines.contains("ok: database: tblGateLog in " + folder.path() + "/Gate.gsd"));
    }

    // A missing database and a missing device, each named with its fix; the
    // relay board is asked for its status.
    void checkNamesEachProblemWithItsFix()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QVERIFY(FolderSetup::init(site, nullptr, nullptr));
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
        QCOMPARE(lines.filter("settings").size(), 1);
        QVERIFY(
            lines.contains("ok: settings: every item of " + site + "/gatesystem.dat can be used"));
    }

    // Settings that are fine take one line; each that is not, a line of its own.
    void checkSumsUpTheSettings()
    {
        StartFolder folder;
        folder.makeStandard();
        StationSettings settings = folder.settings();
        settings.RelayCloseSeconds = 33;
        folder.writeSettings(settings);
        QCOMPARE(checkLines(folder.path()).filter("settings: "),
                 QStringList{"PROBLEM: settings: Relay Settings Close Time Seconds \"33\": 33 "
                             "seconds is more than 32; allowed: a whole number from 0 to 32 -> "
                             "fix: correct it on the settings screen"});
    }

    // The gate log must take a row; the check's own row leaves no trace.
    void checkProbesTheGateLogsWrites_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("found");
        // clang-format off
        QTest::newRow("takes rows") << QString() << "ok: database: %1 takes log rows from user %2";
        QTest::newRow("a trigger refuses rows") << "CREATE TRIGGER refuse BEFORE INSERT ON tblGateLog BEGIN SELECT RAISE(ABORT, 'read-only log'); END"
            << "PROBLEM: database: %1 does not take a log row from user %2: read-only log";
        QTest::newRow("another program writes") << "BEGIN IMMEDIATE"
            << "PROBLEM: database: %1 does not take a log row from user %2: database is locked";
        // clang-format on
    }

    void checkProbesTheGateLogsWrites()
    {
        QFETCH(QString, program);
        QFETCH(QString, found);
        StartFolder folder;
        folder.makeStandard();
        folder.exec("Gate.gsd", "INSERT INTO tblGateLog (fldCode) VALUES ('1234')");
        if (program.startsWith("CREATE"))
            folder.execStatement("Gate.gsd", program);
        QFile gate(folder.file("Gate.gsd"));
        QVERIFY(gate.open(QIODevice::ReadOnly));
        const QByteArray before = gate.readAll();
        QStringList lines;
        {
            const OtherProgram other(folder.file("Gate.gsd"), program.startsWith("BEGIN")
                                                                  ? QStringList{program}
                                                                  : QStringList{});
            lines = checkLines(folder.path()).filter(folder.file("Gate.gsd") + " ");
        }
        const QString user = QString::fromLocal8Bit(::getpwuid(::geteuid())->pw_name);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(found.arg(folder.file("Gate.gsd"), user)),
                 qPrintable(lines[0]));
        gate.seek(0);
        QCOMPARE(gate.readAll(), before);
        QCOMPARE(folder.value("Gate.gsd",
                              "select count(*) || ' ' || seq from tblGateLog, sqlite_sequence"),
                 QVariant("1 1"));
        QVERIFY(!QFile::exists(folder.file("Gate.gsd-journal")));
    }

    // A device this user may not open: the dialout group where the device has it,
    // a udev rule giving it to dialout where not; never the device's own group.
    void checkAdvisesDeviceAccess_data()
    {
        QTest::addColumn<QString>("group");
        QTest::addColumn<bool>("groupReadWrite");
        QTest::addColumn<bool>("inDialout");
        QTest::addColumn<bool>("sessionInDialout");
        QTest::addColumn<QString>("fix");
        const QString rule = "as root, give it to the dialout group with a udev rule: echo "
                             "'SUBSYSTEM==\"tty\", KERNEL==\"ttyUSB0\", GROUP=\"dialout\", "
                             "MODE=\"0660\"' >> /etc/udev/rules.d/99-gate-station.rules; "
                             "udevadm control --reload; udevadm trigger; ";
        const QString restart = "then systemctl restart gate-station";
        // clang-format off
        QTest::newRow("root's device") << "root" << true << false << false << rule + "adduser gate dialout; " + restart;
        QTest::newRow("root's, already in dialout") << "root" << false << true << true << rule + restart;
        QTest::newRow("tty's device") << "tty" << true << false << false << rule + "adduser gate dialout; " + restart;
        QTest::newRow("dialout's, mode 0600") << "dialout" << false << true << true << rule + restart;
        QTest::newRow("dialout's, not a member") << "dialout" << true << false << false << "as root, adduser gate dialout; " + restart;
        QTest::newRow("member since this login") << "dialout" << true << true << false << "gate joined dialout after this login began: check again in a new one (runuser -u gate -- gatectl check FOLDER); the station's service has the group at its next start";
        QTest::newRow("member, still refused") << "dialout" << true << true << true << "its access control list or a security module refuses it: getfacl /dev/ttyUSB0";
        // clang-format on
    }

    void checkAdvisesDeviceAccess()
    {
        QFETCH(QString, group);
        QFETCH(bool, groupReadWrite);
        QFETCH(bool, inDialout);
        QFETCH(bool, sessionInDialout);
        QFETCH(QString, fix);
        FolderCheck::DeviceAccess access;
        access.user = "gate";
        access.device = "/dev/ttyUSB0";
        access.group = group;
        access.groupReadWrite = groupReadWrite;
        access.userInDialout = inDialout;
        access.sessionInDialout = sessionInDialout;
        QCOMPARE(FolderCheck::deviceAccessFix(access), fix);
    }
    // Tenants' codes and the fleet password stay with the owner and the group.
    // The customer database, the settings and station.ini (the fleet password).
    void checkNamesFilesEveryoneReads()
    {
        StartFolder parent;
        const QString site = parent.file("site");
        QVERIFY(FolderSetup::init(site, nullptr, nullptr));
        parent.write("site/station.ini", "[fleet]\nUrl=postgresql://n.n1:secret@db/fleet\n");
        QStringList paths;
        for (const char *file : {"Data.gsd", "gatesystem.dat", "station.ini"}) {
            paths << site + "/" + file;
            QVERIFY(QFile::setPermissions(paths.last(),
                                          QFile::permissions(paths.last()) | QFile::ReadOther));
        }
        QCOMPARE(checkLines(site).filter("every account"),
                 QStringList("PROBLEM: " + paths.join(", ") +
                             " can be read by every account on this computer (chmod o-r) -> fix: "
                             "chmod o-r the files named"));
    }
};

QTEST_GUILESS_MAIN(TestMaintenance)
#include "test_maintenance.moc"
