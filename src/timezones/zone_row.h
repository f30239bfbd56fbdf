#pragma once

#include <QString>
#include <QTime>
#include <optional>

// The highest zone number; 0 is "no zone", which every time of day passes.
inline constexpr int MaxZone = 63;

// A row of the time-zone table as text: zone number, daily start and stop.
struct ZoneRow {
    QString zone;
    QString start;
    QString stop;
};

// A zone number as the rules read it; none when the text is no number.
std::optional<double> zoneNumber(const QString &text);

// A stored time of day ("HH:MM:SS", or without seconds); invalid when it is none.
QTime zoneTime(const QString &stored);

// Both the start and the stop are times of day.
bool zoneTimesValid(const ZoneRow &zone);
