#include "maintenance.h"

#include "backup.h"
#include "common/clock.h"
#include "folder_check.h"
#include "gatectl_messages.h"
#include "service/command_line.h"
#include "service/folder_lock.h"

#include <QCommandLineParser>
#include <QDir>
#include <QTextStream>

namespace Maintenance {

namespace {

using Gatectl::failed;
using Gatectl::usageError;

int backup(const QStringList &arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption keepOption(QStringLiteral("keep"), QString(), QStringLiteral("N"),
                                        QString::number(Backup::DefaultKeep));
    parser.addOption(keepOption);
    if (!parser.parse(QStringList{QStringLiteral("backup")} + arguments))
        return usageError(parser.errorText());
    bool number = false;
    const int keep = parser.value(keepOption).toInt(&number);
    if (!number || keep < 1)
        return usageError(QStringLiteral("--keep takes a number of backups, 1 or more"));
    if (parser.positionalArguments().size() != 2)
        return usageError(QStringLiteral("backup takes a station folder and a destination"));
    QString made;
    QString error;
    if (!Backup::make(parser.positionalArguments()[0], parser.positionalArguments()[1], keep,
                      Clock::now(), &made, &error))
        return failed(QStringLiteral("backup failed, nothing kept: ") + error);
    QTextStream(stdout) << "backup " << made << "\n";
    return 0;
}

int restore(const QStringList &arguments)
{
    if (arguments.size() != 2)
        return usageError(QStringLiteral("restore takes a backup folder and a station folder"));
    // Held while restoring, so no station starts on half a restore; a new
    // folder is made first to hold it.
    QDir().mkpath(arguments[1]);
    FolderLock lock(arguments[1]);
    QString error;
    if (const int refused = lock.tryLock(&error)) {
        QTextStream(stderr) << "gatectl: restore refused: " << error
                            << " (stop it first: systemctl stop gate-station)\n";
        return refused;
    }
    Backup::RestoreReport report;
    if (!Backup::restore(arguments[0], arguments[1], Clock::now(), &report, &error))
        return failed(QStringLiteral("restore stopped: ") + error);
    QTextStream out(stdout);
    for (const QString &file : report.restored)
        out << "restored " << file << "\n";
    for (const QString &file : report.kept)
        out << "kept the replaced " << file << "\n";
    if (!report.newerLogFile.isEmpty())
        out << report.newerLogRows << " log rows of the replaced log are newer than the backup "
            << "and not in the restored log; " << report.newerLogFile << " keeps them\n";
    return 0;
}

int check(const QStringList &arguments)
{
    if (arguments.size() != 1)
        return usageError(QStringLiteral("check takes a station folder"));
    QTextStream out(stdout);
    bool sound = true;
    for (const FolderCheck::Finding &finding : FolderCheck::run(arguments[0])) {
        out << FolderCheck::line(finding) << "\n";
        sound = sound && finding.ok;
    }
    return sound ? 0 : CommandLine::Failed;
}

} // namespace

QString help()
{
    return QStringLiteral(
               "  gatectl backup [--keep N] FOLDER DEST\n"
               "      Copies FOLDER's two databases (consistent even while the station\n"
               "      writes) and its settings files into DEST/gate-backup-YYYY-MM-DD-HHMMSS\n"
               "      and keeps the newest N backups there (default %1). A backup that\n"
               "      fails (a full disk) leaves nothing behind.\n"
               "  gatectl restore BACKUP FOLDER\n"
               "      Puts a backup's databases and settings files into FOLDER, the\n"
               "      databases as Data.gsd and Gate.gsd with the settings pointing at\n"
               "      them. Each file it replaces is kept beside it, named with the time\n"
               "      (Gate.gsd.before-restore-YYYY-MM-DD-HHMMSS); it says how many log rows\n"
               "      newer than the backup were set aside so. Refused while a station\n"
               "      runs on FOLDER (exit code 4).\n"
               "  gatectl check FOLDER\n"
               "      Checks FOLDER as the station meets it, as the user running the\n"
               "      check, so run it as the station's user (as root: runuser -u gate\n"
               "      -- gatectl check FOLDER): the settings, station.ini, each table of\n"
               "      both databases, a log row the gate database must take (rolled\n"
               "      back: nothing stays), and each serial port in use (its device,\n"
               "      whether this user may open it, the relay board's answer to a status\n"
               "      query; the relay is not switched). A station running on FOLDER\n"
               "      holds its ports, so they are not opened then. One line per\n"
               "      finding, \"ok: ...\" or \"PROBLEM: ... -> fix: ...\"; exit code 1\n"
               "      when it found a problem.\n"
               "  gatectl --version\n"
               "\n")
               .arg(Backup::DefaultKeep) +
           CommandLine::exitCodeHelp({CommandLine::Failed, CommandLine::Usage,
                                      CommandLine::FolderUnusable, CommandLine::FolderInUse}) +
           QStringLiteral("  (check: 1 when it found a problem)\n");
}

std::optional<int> run(const QString &command, const QStringList &arguments)
{
    if (command == QLatin1String("backup"))
        return backup(arguments);
    if (command == QLatin1String("restore"))
        return restore(arguments);
    if (command == QLatin1String("check"))
        return check(arguments);
    return std::nullopt;
}

} // namespace Maintenance
