#include "station_ini.h"

#include "station_folder.h"
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

bool flag(const QSettings &ini, const QString &key, bool fallback, QStringList *problems)
{
    if (!ini.contains(key))
        return fallback;
    const QString text = ini.value(key).toString().trimmed().toLower();
    if (const QStringList yes{"true", "yes", "1"}; yes.contains(text))
        return true;
    if (const QStringList no{"false", "no", "0"}; no.contains(text))
        return false;
    if (problems)
        *problems << QStringLiteral("station.ini %1 \"%2\" is not true or false; %3 used")
                         .arg(key, ini.value(key).toString(),
                              fallback ? QStringLiteral("true") : QStringLiteral("false"));
    return fallback;
}

QString listenText(const QSettings &ini, const QString &key, const QString &fallback,
                   QStringList *problems)
{
    if (!ini.contains(key))
        return fallback;
    const QString text = ini.value(key).toString().trimmed();
    if (text.isEmpty() || listenAddress(text))
        return text;
    if (problems)
        *problems << QStringLiteral("station.ini %1 \"%2\" is not address:port; %3 used")
                         .arg(key, text, fallback);
    return fallback;
}

} // namespace

std::optional<ListenAddress> listenAddress(const QString &text)
{
    const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = text.left(colon);
    const bool bracketed = host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'));
    if (bracketed)
        host = host.mid(1, host.size() - 2);
    bool ok = false;
    const uint port = text.mid(colon + 1).toUInt(&ok);
    QHostAddress address;
    if (colon < 0 || !ok || port > 65535 || !address.setAddress(host) ||
        bracketed != (address.protocol() == QAbstractSocket::IPv6Protocol))
        return std::nullopt;
    return ListenAddress{address, quint16(port)};
}

StationIni StationIni::load(const QString &startFolder, QStringList *problems)
{
    const QSettings ini(StationFolder(startFolder).stationIni(), QSettings::IniFormat);
    StationIni s;
    s.entryIdleSeconds =
        number(ini, QStringLiteral("keypad/EntryIdleSeconds"), s.entryIdleSeconds, 1, problems);
    s.lockoutAfter =
        number(ini, QStringLiteral("keypad/LockoutAfter"), s.lockoutAfter, 0, problems);
    s.lockoutWindowSeconds = number(ini, QStringLiteral("keypad/LockoutWindowSeconds"),
                                    s.lockoutWindowSeconds, 1, problems);
    s.lockoutSeconds =
        number(ini, QStringLiteral("keypad/LockoutSeconds"), s.lockoutSeconds, 1, problems);
    s.httpListen = listenText(ini, QStringLiteral("http/Listen"), s.httpListen, problems);
    s.manualRows = flag(ini, QStringLiteral("audit/ManualRows"), s.manualRows, problems);
    s.fleetUrl = ini.value(QStringLiteral("fleet/Url")).toString().trimmed();
    s.fleetSite = ini.value(QStringLiteral("fleet/Site")).toString().trimmed();
    s.fleetStation = ini.value(QStringLiteral("fleet/Station")).toString().trimmed();
    s.fleetCheckSeconds =
        number(ini, QStringLiteral("fleet/CheckSeconds"), s.fleetCheckSeconds, 1, problems);
    s.fleetPushSeconds =
        number(ini, QStringLiteral("fleet/PushSeconds"), s.fleetPushSeconds, 1, problems);
    s.fleetBatchRows =
        number(ini, QStringLiteral("fleet/BatchRows"), s.fleetBatchRows, 1, problems);
    s.fleetRetrySeconds =
        number(ini, QStringLiteral("fleet/RetrySeconds"), s.fleetRetrySeconds, 1, problems);
    s.fleetAllowShrink =
        flag(ini, QStringLiteral("fleet/AllowShrink"), s.fleetAllowShrink, problems);
    return s;
}
