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
    QStringList restored;
    if (!Backup::restore(arguments[0], arguments[1], &restored, &error))
        return failed(QStringLiteral("restore stopped: ") + error);
    QTextStream out(stdout);
    for (const QString &file : restored)
        out << "restored " << file << "\n";
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
               "      them. Refused while a station runs on FOLDER.\n"
               "  gatectl check FOLDER\n"
               "      Checks the settings, the databases and tables and each serial port\n"
               "      (device, permission, the relay board's answer) as the user running\n"
               "      it; one line per finding, with the fix for each problem.\n"
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
