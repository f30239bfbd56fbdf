// gate-sim: keypads and relay board for the station, on pseudo-terminals.
#include "gate_sim_window.h"
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

} // namespace

int main(int argc, char *argv[])
{
    bool tty = !hasDisplay();
    for (int i = 1; i < argc; ++i)
        tty = tty || QByteArray(argv[i]) == "--tty";
    std::unique_ptr<QCoreApplication> app = tty ? std::make_unique<QCoreApplication>(argc, argv)
                                                : std::make_unique<QApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("gate-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Plays the gate's keypads (ports 1 and 3) and relay board (port 2) on "
                       "pseudo-terminals and writes them into the start folder's comports.ini."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("tty"),
                      QStringLiteral("Run in the terminal (the default without a display).")});
    parser.addOption({QStringLiteral("folder"),
                      QStringLiteral("The station's start folder (default: the current folder)."),
                      QStringLiteral("folder"), QDir::currentPath()});
    parser.process(*app);

    VirtualGate gate;
    if (!gate.isValid()) {
        qCritical("gate-sim: cannot create pseudo-terminals");
        return 1;
    }
    const QString folder = QDir(parser.value(QStringLiteral("folder"))).absolutePath();
    QString error;
    if (!gate.publish(folder, &error)) {
        qCritical("gate-sim: %s", qPrintable(error));
        return 1;
    }
    if (tty) {
        TtyConsole console(gate);
        console.printBanner(folder);
        return app->exec();
    }
    GateSimWindow window(gate);
    window.show();
    return app->exec();
}
