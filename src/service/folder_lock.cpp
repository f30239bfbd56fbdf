#include "folder_lock.h"

#include "command_line.h"
#include "common/error_text.h"
#include "settings/station_folder.h"
#include "settings/station_settings.h"

#include <QDir>

FolderLock::FolderLock(const QString &folder)
    : m_folder(QDir::toNativeSeparators(QDir(folder).absolutePath()))
    , m_lock(StationFolder(m_folder).lockFile())
{
    // A lock from another computer (a shared folder) cannot be checked for a
    // live holder, and by default counts as stale after 30 s: never take it.
    m_lock.setStaleLockTime(0);
}

int FolderLock::tryLock(QString *why)
{
    qint64 pid = 0;
    QString host;
    QString program;
    // A lock file left behind names a process; QLockFile takes it over only
    // when that process is gone from this computer.
    const bool leftBehind = m_lock.getLockInfo(&pid, &host, &program);
    if (m_lock.tryLock(0)) {
        // gatectl takes the lock too: a gatectl killed is no station that died.
        // The program is compared as the lock file names it, ours read back.
        qint64 ownPid = 0;
        QString ownHost;
        QString ownProgram;
        m_previousHolderDied = leftBehind && m_lock.getLockInfo(&ownPid, &ownHost, &ownProgram) &&
                               program == ownProgram;
        return 0;
    }
    if (m_lock.error() == QLockFile::LockFailedError && m_lock.getLockInfo(&pid, &host, &program)) {
        setError(why, QStringLiteral("a station runs on %1: process %2 on %3 holds %4")
                          .arg(m_folder)
                          .arg(pid)
                          .arg(host, StationFolder(m_folder).lockFile()));
        return CommandLine::FolderInUse;
    }
    setError(why, QStringLiteral("cannot make %1 (no folder there, or no write permission)")
                      .arg(StationFolder(m_folder).lockFile()));
    return CommandLine::FolderUnusable;
}
