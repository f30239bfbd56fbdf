#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

// The rows the station adds to its gate log, as they land: the terminal gate
// tells each decision and lockout from them, since the station decides out of
// sight. The log is only read.
class GateLogFollower : public QObject {
    Q_OBJECT

public:
    explicit GateLogFollower(const QString &startFolder, QObject *parent = nullptr);
    ~GateLogFollower() override;

    // "In: **34 Valid (Lovelace, Ada, unit A101)", or the lockout's own words.
    static QString rowText(const QString &location, const QString &code, const QString &result,
                           const QString &customer, const QString &unit);

signals:
    void said(const QString &text);

private:
    void poll();
    bool open(QString *why);
    bool readNewRows(QString *why);

    QString m_folder;
    QString m_connection;
    QTimer m_poll;
    qint64 m_lastId = -1; // -1: rows from before the gate started are not told
    QString m_problem;    // told once, until the log is read again
};
