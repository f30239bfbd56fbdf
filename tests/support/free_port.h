#pragma once

#include <QTcpServer>
#include <QtGlobal>

// A port of 127.0.0.1 no one listens on now, for a server a test starts.
inline quint16 freePort()
{
    QTcpServer probe;
    if (!probe.listen(QHostAddress::LocalHost, 0))
        qFatal("no free port on 127.0.0.1");
    return probe.serverPort();
}
