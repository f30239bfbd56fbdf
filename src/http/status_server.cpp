#include "status_server.h"

#include "common/clock.h"
#include "common/error_text.h"
#include "data/data_control.h"
#include "latest_log.h"
#include "status_render.h"

#include <QHttpServer>

namespace {

using Status = QHttpServerResponse::StatusCode;

// Every answer: never cached, never taken for another type, and the page may
// load nothing from anywhere.
QHttpServerResponse secured(QHttpServerResponse response)
{
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("Content-Security-Policy", "default-src 'none'; style-src 'unsafe-inline'");
    return response;
}

} // namespace

StatusServer::StatusServer(StationMonitor &monitor, const StationSettings &settings,
                           BoundedTcpServer::Limits limits, QObject *parent)
    : QObject(parent)
    , m_monitor(monitor)
    , m_settings(settings)
    , m_limits(limits)
    , m_http(std::make_unique<QHttpServer>())
{
    auto page = [this](const char *path, std::function<QHttpServerResponse()> answer) {
        m_http->route(QString::fromLatin1(path), [answer](const QHttpServerRequest &request) {
            if (request.method() != QHttpServerRequest::Method::Get) {
                QHttpServerResponse refused("text/plain", "Only GET is served\n",
                                            Status::MethodNotAllowed);
                refused.setHeader("Allow", "GET");
                return secured(std::move(refused));
            }
            return secured(answer());
        });
    };
    page("/health", [this] {
        const StationMonitor::Status status = m_monitor.status();
        return QHttpServerResponse(healthJson(status),
                                   status.healthy ? Status::Ok : Status::ServiceUnavailable);
    });
    page("/metrics", [this] {
        return QHttpServerResponse("text/plain; version=0.0.4; charset=utf-8",
                                   m_monitor.metricsText());
    });
    page("/", [this] {
        const QDateTime now = Clock::now();
        LatestRows log{{}, {}, LogRowLimit};
        readLatestLogRows(databaseFileOf(m_settings.GateConnectionString), now.date(), LogRowLimit,
                          log.rows, &log.problem);
        return QHttpServerResponse("text/html; charset=utf-8",
                                   statusPage(m_monitor.status(), log, now, RefreshSeconds));
    });
    m_http->setMissingHandler([](const QHttpServerRequest &, QHttpServerResponder &&responder) {
        responder.write("Not found\n", "text/plain", QHttpServerResponder::StatusCode::NotFound);
    });
}

StatusServer::~StatusServer() = default;

bool StatusServer::listen(const ListenAddress &where, QString *error)
{
    auto *tcp = new BoundedTcpServer(m_limits);
    if (!tcp->listen(where.address, where.port)) {
        setError(error, tcp->errorString());
        delete tcp;
        return false;
    }
    m_http->bind(tcp);
    m_tcp = tcp;
    return true;
}

quint16 StatusServer::port() const
{
    return m_tcp ? m_tcp->serverPort() : 0;
}
