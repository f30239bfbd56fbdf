// gate-sim: keypads and relay board for the station, on pseudo-terminals.
#include "gate_sim_window.h"
#include "service/command_line.h"
#include "tty_console.h"
#include "virtual_gate.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <memory>

namespace {

bool hasDisplay()
{
    return qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
}

const QString Help =
    QStringLiteral("Usage: gate-sim [--tty] [--folder DIR]\n"
                   "Plays the gate's keypads (ports 1 and 3) and relay board (port 2) on\n"
                   "pseudo-terminals and writes them into the start folder's comports.ini\n"
                   "(the old one is kept as comports.ini.bak).\n"
                   "\n"
                   "Options:\n"
                   "  --tty         run in the terminal (the default without a display)\n"
                   "  --folder DIR  the station's start folder (default: the current folder)\n"
                   "  --help        this text\n"
                   "  --version     the version\n"
                   "\n");

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    const QCommandLineOption ttyOption(QStringLiteral("tty"));
    const QCommandLineOption folderOption(QStringLiteral("folder"), QString(),
                                          QStringLiteral("DIR"), QDir::currentPath());
    parser.addOptions({ttyOption, folderOption});
    if (const auto exitCode = CommandLine::parse(
            parser, argc, argv, QStringLiteral("gate-sim"),
            Help + CommandLine::exitCodeHelp({CommandLine::Failed, CommandLine::Usage})))
        return *exitCode;
    const bool tty = parser.isSet(ttyOption) || !hasDisplay();
    std::unique_ptr<QCoreApplication> app = tty ? std::make_unique<QCoreApplication>(argc, argv)
                                                : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gate-sim"));

    VirtualGate gate;
    if (!gate.isValid()) {
        qCritical("gate-sim: cannot create pseudo-terminals");
        return CommandLine::Failed;
    }
    const QString folder = QDir(parser.value(folderOption)).absolutePath();
    QString error;
    if (!gate.publish(folder, &error)) {
        qCritical("gate-sim: %s", qPrintable(error));
        return CommandLine::Failed;
    }
    if (tty) {
        TtyConsole console(gate, folder);
        console.printBanner(folder);
        return app->exec();
    }
    GateSimWindow window(gate);
    window.show();
    return app->exec();
}
