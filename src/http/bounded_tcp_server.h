#pragma once

#include <QTcpServer>

// A listening socket for the status server that keeps one visitor from taking
// the station's time or memory: connections above a number are answered 503
// and closed, a request that grows past a size is answered 431 and closed, and
// a connection silent for a while is closed.
class BoundedTcpServer : public QTcpServer {
    Q_OBJECT

public:
    struct Limits {
        int connections = 16;
        qint64 requestBytes = 16 * 1024; // received since the last answer left
        int idleMs = 10000;
    };

    explicit BoundedTcpServer(Limits limits, QObject *parent = nullptr);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    Limits m_limits;
    int m_open = 0;
};
