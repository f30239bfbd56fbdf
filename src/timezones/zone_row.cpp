#include "zone_row.h"

#include <QSet>

QTime zoneTime(const QString &stored)
{
    for (const char *format : {"HH:mm:ss", "H:mm:ss", "HH:mm", "H:mm"}) {
        const QTime t = QTime::fromString(stored.trimmed(), QLatin1String(format));
        if (t.isValid())
            return t;
    }
    return {};
}

std::optional<double> zoneNumber(const QString &text)
{
    bool ok = false;
    const double number = text.trimmed().toDouble(&ok);
    return ok ? std::optional<double>(number) : std::nullopt;
}

bool zoneTimesValid(const ZoneRow &zone)
{
    return zoneTime(zone.start).isValid() && zoneTime(zone.stop).isValid();
}

QString storedZoneTime(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QStringList zoneRowsFaults(const QList<ZoneRow> &zones, const std::function<QString(int)> &place)
{
    QStringList faults;
    QSet<int> seen;
    for (int i = 0; i < zones.size(); ++i) {
        const ZoneRow &zone = zones[i];
        bool whole = false;
        const int number = zone.zone.trimmed().toInt(&whole);
        if (!whole || number < 1 || number > 63)
            faults << QStringLiteral("%1: zone \"%2\" is not a whole number from 1 to 63")
                          .arg(place(i), zone.zone);
        else if (seen.contains(number))
            faults
                << QStringLiteral("%1: zone %2 is on an earlier row too").arg(place(i)).arg(number);
        seen.insert(number);
        for (const auto &[what, time] : {std::pair{"start", zone.start}, {"stop", zone.stop}}) {
            if (!zoneTime(time).isValid())
                faults << QStringLiteral("%1: %2 \"%3\" is not a time of day (HH:MM:SS)")
                              .arg(place(i), QLatin1String(what), time);
        }
    }
    return faults;
}
