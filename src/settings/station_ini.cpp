#include "station_ini.h"

#include "station_settings.h"

#include <QSettings>

namespace {

// A whole number of at least `min`, else the default with the problem noted.
int number(const QSettings &ini, const QString &key, int fallback, int min, QStringList *problems)
{
    if (!ini.contains(key))
        return fallback;
    bool ok = false;
    const int value = ini.value(key).toString().trimmed().toInt(&ok);
    if (ok && value >= min)
        return value;
    if (problems)
        *problems << QStringLiteral("station.ini %1 \"%2\" is not a number of at least %3; %4 used")
                         .arg(key, ini.value(key).toString())
                         .arg(min)
                         .arg(fallback);
    return fallback;
}

} // namespace

QString stationIniFileName(const QString &startFolder)
{
    return inStartFolder(startFolder, QStringLiteral("station.ini"));
}

StationIni StationIni::load(const QString &startFolder, QStringList *problems)
{
    const QSettings ini(stationIniFileName(startFolder), QSettings::IniFormat);
    StationIni s;
    s.entryIdleSeconds =
        number(ini, QStringLiteral("keypad/EntryIdleSeconds"), s.entryIdleSeconds, 1, problems);
    s.lockoutAfter =
        number(ini, QStringLiteral("keypad/LockoutAfter"), s.lockoutAfter, 0, problems);
    s.lockoutWindowSeconds = number(ini, QStringLiteral("keypad/LockoutWindowSeconds"),
                                    s.lockoutWindowSeconds, 1, problems);
    s.lockoutSeconds =
        number(ini, QStringLiteral("keypad/LockoutSeconds"), s.lockoutSeconds, 1, problems);
    return s;
}
