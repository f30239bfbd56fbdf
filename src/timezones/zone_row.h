#pragma once

#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
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

// A time of day as the zone table stores it: "HH:MM:SS".
QString storedZoneTime(const QTime &time);

// What keeps rows from being zones the zone editor would keep: a zone that is
// not a whole number from 1 to 63, or is on two rows, a start or stop that is
// not a time of day. One line per fault, the row named by `place` (its index);
// empty when there is none.
QStringList zoneRowsFaults(const QList<ZoneRow> &zones, const std::function<QString(int)> &place);
