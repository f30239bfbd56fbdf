#include "station_start.h"

#include "command_line.h"

#include <QDir>
#include <QFileInfo>
#include <QTextStream>

namespace {

const QString Program = QStringLiteral("gate-station");

QString help()
{
    return QStringLiteral(
               "Usage: gate-station [--folder DIR] [--headless]\n"
               "The gate access station: reads the keypads, opens the gate through the relay\n"
               "board and logs every attempt, with the settings and databases of its start\n"
               "folder. One station runs on a folder: it holds DIR/station.lock. Where no\n"
               "window can be shown (no display, no screen), it runs without one.\n"
               "\n"
               "Options:\n"
               "  --folder DIR  the start folder (default: the current folder)\n"
               "  --headless    no window: the station alone, needing no display\n"
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
    const QCommandLineOption headlessOption(QStringLiteral("headless"));
    parser.addOption(folderOption);
    parser.addOption(headlessOption);
    if (const auto exitCode = CommandLine::parse(parser, argc, argv, Program, help()))
        return exitCode;
    m_headless = parser.isSet(headlessOption);
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

namespace {

bool usableDevice(const QString &path)
{
    return QFileInfo(path).isReadable() && QFileInfo(path).isWritable();
}

// Whether the platform plugin `spec` ("xcb", "linuxfb:fb=/dev/fb1") has a
// display to draw on; plugins that need none (offscreen, vnc) always do.
bool platformHasDisplay(const QString &spec)
{
    const QString name = spec.section(QLatin1Char(':'), 0, 0);
    if (name == QLatin1String("xcb"))
        return !qEnvironmentVariableIsEmpty("DISPLAY");
    if (name.startsWith(QLatin1String("wayland")))
        return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (name == QLatin1String("linuxfb")) {
        QString device = QStringLiteral("/dev/fb0");
        for (const QString &option : spec.section(QLatin1Char(':'), 1).split(QLatin1Char(':'))) {
            if (option.startsWith(QLatin1String("fb=")))
                device = option.mid(3);
        }
        return usableDevice(device);
    }
    if (name == QLatin1String("eglfs"))
        return usableDevice(QStringLiteral("/dev/dri/card0")) ||
               usableDevice(QStringLiteral("/dev/fb0"));
    return true;
}

} // namespace

std::optional<QString> StationStart::noDisplay()
{
    const QString platforms = qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")
                                  ? QStringLiteral("xcb")
                                  : qEnvironmentVariable("QT_QPA_PLATFORM");
    for (const QString &spec : platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (platformHasDisplay(spec))
            return std::nullopt;
    }
    return QStringLiteral("no display for the window (platform %1)").arg(platforms);
}
