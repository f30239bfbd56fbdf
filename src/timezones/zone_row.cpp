#include "zone_row.h"

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
