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
