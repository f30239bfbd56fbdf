#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

// Backups of a station folder: both databases and the settings files.
namespace Backup {

inline constexpr int DefaultKeep = 14;

// "gate-backup-YYYY-MM-DD-HHMMSS", local time.
QString folderName(const QDateTime &when);

// Copies the folder's two databases (VACUUM INTO: a consistent copy even while
// the station writes) and its settings files into DEST/folderName(now), then
// removes all but the newest `keep` backups there. A failure (a full disk)
// leaves no partial backup behind. `made`: the new backup's folder.
bool make(const QString &folder, const QString &dest, int keep, const QDateTime &now, QString *made,
          QString *error);

// What a restore did. A file it replaced is kept beside it, renamed with the
// time of the restore (with its write-ahead log, so none of its rows is lost).
struct RestoreReport {
    QStringList restored;
    QStringList kept;        // "OLD as KEPT"
    qint64 newerLogRows = 0; // rows of a replaced log numbered above the backup's newest
    QString newerLogFile;    // the kept log holding them; empty when no log was replaced
};

// "Gate.gsd.before-restore-YYYY-MM-DD-HHMMSS", local time.
QString keptName(const QString &file, const QDateTime &when);

// Puts a backup into `folder`, which no station may run on: the databases as
// Data.gsd and Gate.gsd in the folder, with the settings file pointing at them,
// and the other settings files. Run as root, the files get the folder's owner.
bool restore(const QString &backup, const QString &folder, const QDateTime &now,
             RestoreReport *report, QString *error);

} // namespace Backup
