#include "station_start.h"

#include "command_line.h"

#include <QDir>
#include <QTextStream>

namespace {

const QString Program = QStringLiteral("gate-station");

QString help()
{
    return QStringLiteral(
               "Usage: gate-station [--folder DIR]\n"
               "The gate access station: reads the keypads, opens the gate through the relay\n"
               "board and logs every attempt, with the settings and databases of its start\n"
               "folder. One station runs on a folder: it holds DIR/station.lock.\n"
               "\n"
               "Options:\n"
               "  --folder DIR  the start folder (default: the current folder)\n"
               "  --help        this text\n"
               "  --version     the version\n"
               "\n") +
           CommandLine::exitCodeHelp(
               {CommandLine::Usage, CommandLine::FolderUnusable, CommandLine::FolderInUse});
}

int refuse(const QString &why, int exitCode)
{
    QTextStream(stderr) << Program << ": " << why << "\n";
    return exitCode;
}

} // namespace

std::optional<int> StationStart::prepare(int argc, char *argv[])
{
    QCommandLineParser parser;
    const QCommandLineOption folderOption(QStringLiteral("folder"), QString(),
                                          QStringLiteral("DIR"));
    parser.addOption(folderOption);
    if (const auto exitCode = CommandLine::parse(parser, argc, argv, Program, help()))
        return exitCode;
    if (parser.isSet(folderOption)) {
        const QString folder = parser.value(folderOption);
        if (!QDir(folder).exists() || !QDir::setCurrent(folder))
            return refuse(QStringLiteral("the start folder %1 does not exist or cannot be entered")
                              .arg(folder),
                          CommandLine::FolderUnusable);
    }
    m_lock = std::make_unique<FolderLock>(QDir::currentPath());
    QString why;
    if (const int exitCode = m_lock->tryLock(&why))
        return refuse(why, exitCode);
    return std::nullopt;
}
