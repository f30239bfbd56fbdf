#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QSignalSpy>

// An HTTP answer of the station's status server.
struct Reply {
    int status = 0;
    QByteArray body;

    QJsonObject json() const { return QJsonDocument::fromJson(body).object(); }
    // Every sample of a Prometheus text, by its name and labels as written.
    QMap<QString, double> samples() const
    {
        QMap<QString, double> values;
        for (const QByteArray &line : body.split('\n')) {
            const qsizetype space = line.lastIndexOf(' ');
            if (!line.startsWith('#') && space > 0)
                values[QString::fromUtf8(line.left(space))] = line.mid(space + 1).toDouble();
        }
        return values;
    }
};

// The event loop runs while waiting: the server answers on this thread.
inline Reply request(quint16 port, const QString &path, const QByteArray &method = "GET")
{
    QNetworkAccessManager network;
    network.setProxy(QNetworkProxy::NoProxy);
    QNetworkReply *reply = network.sendCustomRequest(
        QNetworkRequest(QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(path))), method);
    QSignalSpy finished(reply, &QNetworkReply::finished);
    if (!finished.wait(10000))
        qWarning("no answer to %s", qPrintable(path));
    return {reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll()};
}
