#include "sync_watch.h"

#include "common/station_log.h"
#include "data/file_identity.h"

#include <QFileInfo>

namespace {

constexpr qint64 SettleMs = 2000;
constexpr int PollMs = 250;

} // namespace

SyncWatch::SyncWatch(QStringList files, int retrySeconds, Sync sync, QObject *parent)
    : QObject(parent)
    , m_files(std::move(files))
    , m_retryMs(qint64(retrySeconds) * 1000)
    , m_sync(std::move(sync))
{
    m_timer.setInterval(PollMs);
    connect(&m_timer, &QTimer::timeout, this, &SyncWatch::poll);
}

void SyncWatch::start()
{
    m_clock.start();
    m_timer.start();
    poll();
}

// Size, modification time and identity: a file renamed into place, or
// rewritten at once, shows as changed.
QString SyncWatch::signature() const
{
    QStringList parts;
    for (const QString &file : m_files) {
        const QFileInfo info(file);
        const auto identity = fileIdentity(file);
        parts << (identity ? QStringLiteral("%1:%2:%3:%4")
                                 .arg(identity->device)
                                 .arg(identity->inode)
                                 .arg(info.size())
                                 .arg(info.lastModified().toMSecsSinceEpoch())
                           : QStringLiteral("missing"));
    }
    return parts.join(QLatin1Char('|'));
}

void SyncWatch::poll()
{
    const qint64 now = m_clock.elapsed();
    const QString seen = signature();
    if (seen != m_seen) {
        m_seen = seen;
        m_seenAt = now;
        return;
    }
    const bool settled = now - m_seenAt >= SettleMs;
    const bool due = seen != m_synced || (m_failed && now >= m_retryAt);
    if (!settled || !due)
        return;
    const CustomerSync::Report report = m_sync();
    if (signature() != seen) { // written to while being read: wait for it to settle again
        // What was read was written all the same, and the journal must say so.
        if (report.outcome == CustomerSync::Report::Outcome::Changed)
            StationLog::line(QStringLiteral("sync: ") + report.summary);
        return;
    }
    const bool retry = seen == m_synced;
    m_synced = seen;
    m_failed = report.outcome == CustomerSync::Report::Outcome::Refused;
    m_retryAt = now + m_retryMs;
    const QString line =
        m_failed ? QStringLiteral("sync: %1; keeping the last good data, retrying every %2 s")
                       .arg(report.summary)
                       .arg(m_retryMs / 1000)
                 : QStringLiteral("sync: ") + report.summary;
    // A retry that fails as the last one did adds nothing to the journal.
    if (!retry || line != m_lastLine)
        StationLog::line(line);
    m_lastLine = line;
}
