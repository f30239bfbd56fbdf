#pragma once

#include <QString>
#include <QTime>

// A row of the time-zone table as text: zone number, daily start and stop.
struct ZoneRow {
    QString zone;
    QString start;
    QString stop;
};

// A stored time of day ("HH:MM:SS", or without seconds); invalid when it is none.
QTime zoneTime(const QString &stored);
