#include "service_notifier.h"

#include <algorithm>
#include <climits>
#include <systemd/sd-daemon.h>

ServiceNotifier::ServiceNotifier(QObject *parent)
    : QObject(parent)
{
    connect(&m_watchdog, &QTimer::timeout, this, [] { sd_notify(0, "WATCHDOG=1"); });
}

void ServiceNotifier::ready(const QString &status)
{
    const QByteArray message = "READY=1\nSTATUS=" + status.simplified().toUtf8();
    sd_notify(0, message.constData());
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) > 0) {
        m_watchdog.start(int(std::clamp<uint64_t>(usec / 2000, 1, INT_MAX)));
        sd_notify(0, "WATCHDOG=1");
    }
}
