#include "bounded_tcp_server.h"

#include <QTcpSocket>
#include <QTimer>

namespace {

// Answers with `status` and closes; what the client sends meanwhile is dropped
// before the HTTP server sees it.
void refuse(QTcpSocket *socket, const QByteArray &status)
{
    socket->readAll();
    socket->write("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    socket->disconnectFromHost();
}

// Watches one connection the HTTP server serves; lives as long as its socket.
class ConnectionGuard : public QObject {
public:
    ConnectionGuard(QTcpSocket *socket, const BoundedTcpServer::Limits &limits)
        : QObject(socket)
    {
        m_idle.setSingleShot(true);
        m_idle.setInterval(limits.idleMs);
        connect(&m_idle, &QTimer::timeout, socket, &QTcpSocket::disconnectFromHost);
        m_idle.start();
        // Connected before the HTTP server's own handlers, so this runs first.
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, limits] {
            m_idle.start();
            if (m_refused) {
                socket->readAll();
                return;
            }
            m_received += socket->bytesAvailable();
            if (m_received > limits.requestBytes) {
                m_refused = true;
                refuse(socket, "431 Request Header Fields Too Large");
            }
        });
        connect(socket, &QTcpSocket::bytesWritten, this, [this] {
            m_idle.start();
            m_received = 0;
        });
    }

private:
    QTimer m_idle;
    qint64 m_received = 0; // since the last answer left
    bool m_refused = false;
};

} // namespace

BoundedTcpServer::BoundedTcpServer(Limits limits, QObject *parent)
    : QTcpServer(parent)
    , m_limits(limits)
{}

void BoundedTcpServer::incomingConnection(qintptr descriptor)
{
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    if (m_open >= m_limits.connections) {
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        refuse(socket, "503 Service Unavailable");
        return;
    }
    ++m_open;
    connect(socket, &QTcpSocket::disconnected, this, [this] { --m_open; });
    new ConnectionGuard(socket, m_limits);
    addPendingConnection(socket);
}
