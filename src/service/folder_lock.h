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

private:
    QString m_folder;
    QLockFile m_lock;
};
