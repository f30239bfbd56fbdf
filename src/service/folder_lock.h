#pragma once

#include <QLockFile>
#include <QString>

// One station per folder: the station, and gatectl while it restores the folder,
// hold station.lock there. The lock of a process that died is taken over.
class FolderLock {
public:
    explicit FolderLock(const QString &folder);

    // 0 once held; else CommandLine::FolderInUse (`why` names the process
    // holding it) or CommandLine::FolderUnusable.
    int tryLock(QString *why);
    // Held after taking over the lock of a process on this computer that died
    // holding it (killed by the watchdog, or crashed).
    bool previousHolderDied() const { return m_previousHolderDied; }

private:
    QString m_folder;
    QLockFile m_lock;
    bool m_previousHolderDied = false;
};
