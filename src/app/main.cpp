#include "common/file_privacy.h"
#include "common/station_log.h"
#include "gate/gate_station.h"
#include "service/service_notifier.h"
#include "service/station_start.h"
#include "service/stop_signals.h"
#include "station/gate_window.h"

#include <QApplication>
#include <QDir>
#include <QScreen>

namespace {

int runStation(QCoreApplication &app, GateWindow *window, GateStation &station)
{
    // A stop ordered by the system is an Exit, not a crash: the gate closes,
    // the log is whole, the lock goes, and the next start has nothing to mend.
    StopSignals stops;
    QObject::connect(&stops, &StopSignals::stopRequested, &app, [&](const QString &why) {
        station.stop(why);
        if (window)
            window->close();
        app.quit();
    });
    const GateStation::StartReport report = station.start();
    if (window)
        window->show();
    ServiceNotifier notifier;
    notifier.ready(report.status);
    return app.exec();
}

GateStation::Options optionsOf(const StationStart &start)
{
    return {QDir::currentPath(), {}, start.previousRunDied()};
}

int runHeadless(int argc, char *argv[], const StationStart &start)
{
    QCoreApplication app(argc, argv);
    GateStation station(optionsOf(start));
    return runStation(app, nullptr, station);
}

} // namespace

int main(int argc, char *argv[])
{
    keepNewFilesPrivate();
    // Before any application object, which a window needs a display for:
    // --help and --version must not.
    StationStart start;
    if (const auto exitCode = start.prepare(argc, argv))
        return *exitCode;
    QCoreApplication::setApplicationName(QStringLiteral("Gate Access"));
    if (start.headless())
        return runHeadless(argc, argv, start);
    // A gate that opens for nobody because no screen is plugged in is worse
    // than a station without its window.
    if (const auto why = StationStart::noDisplay()) {
        StationLog::fault(*why + QStringLiteral(": running without the window"));
        return runHeadless(argc, argv, start);
    }
    QApplication app(argc, argv);
    GateStation station(optionsOf(start));
    if (!QGuiApplication::primaryScreen()) {
        StationLog::fault(QStringLiteral("no screen for the window: running without it"));
        return runStation(app, nullptr, station);
    }
    GateWindow window(station);
    return runStation(app, &window, station);
}
