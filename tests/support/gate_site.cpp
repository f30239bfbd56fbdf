#include "gate_site.h"

#include <QCoreApplication>

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

std::unique_ptr<GateStation> GateSite::make(const QString &listen)
{
    folder.writeSettings(settings);
    return std::make_unique<GateStation>(GateStation::Options{folder.path(), listen});
}

std::unique_ptr<GateStation> GateSite::start(const QString &listen)
{
    auto station = make(listen);
    station->start();
    QCoreApplication::processEvents();
    return station;
}

QStringList GateSite::logRows() const
{
    return folder.column(
        "Gate.gsd", "select fldCode || '/' || ifnull(fldZone, '') from tblGateLog order by fldID");
}
