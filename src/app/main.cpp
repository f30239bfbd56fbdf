#include "common/file_privacy.h"
#include "service/service_notifier.h"
#include "service/station_start.h"
#include "station/gate_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepNewFilesPrivate();
    // Before QApplication, which needs a display: --help and --version must not.
    StationStart start;
    if (const auto exitCode = start.prepare(argc, argv))
        return *exitCode;
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gate Access"));
    GateWindow window;
    window.show();
    ServiceNotifier notifier;
    notifier.ready(window.statusText());
    return app.exec();
}
