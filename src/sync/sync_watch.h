#pragma once

#include "customer_sync.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <functional>

// Keeps the customer database synced to source files that change: a sync runs
// once the files have changed and then stayed the same for two seconds (a
// file still being written is never read), and each sync is one timestamped
// line on stderr. A source that is missing or bad leaves the database as the
// last good sync made it; the sync is tried again every `retrySeconds`.
class SyncWatch : public QObject {
    Q_OBJECT

public:
    using Sync = std::function<CustomerSync::Report()>;

    SyncWatch(QStringList files, int retrySeconds, Sync sync, QObject *parent = nullptr);

    void start();

private:
    void poll();
    QString signature() const;

    QStringList m_files;
    qint64 m_retryMs;
    Sync m_sync;
    QTimer m_timer;
    QElapsedTimer m_clock;
    QString m_seen; // the files as last looked at, and since when
    qint64 m_seenAt = 0;
    QString m_synced; // the files as the last sync found them
    bool m_failed = false;
    qint64 m_retryAt = 0;
    QString m_lastLine;
};
