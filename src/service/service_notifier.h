#pragma once

#include <QObject>
#include <QTimer>

// Tells systemd that the station has started and that its event loop still
// runs, so a hung station is killed and restarted. Outside a notify service
// (no NOTIFY_SOCKET, no WATCHDOG_USEC) it sends nothing.
class ServiceNotifier : public QObject {
    Q_OBJECT

public:
    explicit ServiceNotifier(QObject *parent = nullptr);

    // READY=1 with `status` for "systemctl status"; then, when the unit has a
    // watchdog, WATCHDOG=1 from the event loop at half its interval.
    void ready(const QString &status);

private:
    QTimer m_watchdog;
};
