#include "gate_site.h"

#include <QCoreApplication>
#include <QFile>

GateSite::GateSite()
{
    folder.makeStandard();
    settings = folder.settings();
    settings.Keypad2CommPort = 3;
    mapPorts(keypad1.devicePath(), relay.devicePath(), keypad2.devicePath());
}

void GateSite::mapPorts(const QString &port1, const QString &port2, const QString &port3) const
{
    folder.write("comports.ini",
                 QStringLiteral("[ports]\n1=%1\n2=%2\n3=%3\n").arg(port1, port2, port3).toUtf8());
}

std::unique_ptr<GateWindow> GateSite::start()
{
    folder.writeSettings(settings);
    folder.enter();
    auto window = std::make_unique<GateWindow>();
    QCoreApplication::processEvents();
    return window;
}

QStringList GateSite::logRows() const
{
    return folder.column(
        "Gate.gsd", "select fldCode || '/' || ifnull(fldZone, '') from tblGateLog order by fldID");
}
