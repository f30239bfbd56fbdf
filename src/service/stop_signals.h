#pragma once

#include <QObject>

class QSocketNotifier;

// SIGTERM (systemctl stop), SIGINT (Ctrl-C) and SIGHUP (the terminal gone) as
// a Qt signal from the event loop: the handler only writes the signal's number
// to a socket, since nothing else may run inside it. While this object lives
// the three signals no longer kill the process where it stands.
class StopSignals : public QObject {
    Q_OBJECT

public:
    explicit StopSignals(QObject *parent = nullptr);
    ~StopSignals() override;

signals:
    // `name` is "SIGTERM", "SIGINT" or "SIGHUP".
    void stopRequested(const QString &name);

private:
    void readSignal();

    QSocketNotifier *m_notifier = nullptr;
};
