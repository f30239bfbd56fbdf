#pragma once

#include "bounded_tcp_server.h"
#include "settings/station_ini.h"
#include "settings/station_settings.h"
#include "station_monitor.h"

#include <QObject>
#include <memory>

class QHttpServer;

// The station's read-only HTTP face, answered on the thread that runs the
// gate, each answer from memory or one short read of the log:
//   /health   JSON, 200 when all is well, 503 when not
//   /metrics  Prometheus text
//   /         the status page for a person
// Other paths are 404 and other methods 405.
class StatusServer : public QObject {
    Q_OBJECT

public:
    static constexpr int RefreshSeconds = 5;
    static constexpr int LogRowLimit = 500;

    // The settings name the gate database whose rows the page shows.
    StatusServer(StationMonitor &monitor, const StationSettings &settings,
                 BoundedTcpServer::Limits limits = {}, QObject *parent = nullptr);
    ~StatusServer() override;

    bool listen(const ListenAddress &where, QString *error);
    // The port listened on (the one chosen when asked for port 0); 0 when not listening.
    quint16 port() const;

private:
    StationMonitor &m_monitor;
    const StationSettings &m_settings;
    BoundedTcpServer::Limits m_limits;
    std::unique_ptr<QHttpServer> m_http;
    BoundedTcpServer *m_tcp = nullptr;
};
