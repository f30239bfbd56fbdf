#include "backup.h"

#include "common/error_text.h"
#include "common/file_sync.h"
#include "data/data_control.h"
#include "settings/settings_file.h"
#include "settings/station_folder.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <sys/stat.h>
#include <unistd.h>

namespace Backup {

namespace {

const QString DataFile = StationFolder::DataName;
const QString GateFile = StationFolder::GateName;
// Besides gatesystem.dat, which restore rewrites.
const QStringList OtherSettingsFiles = StationFolder::settingsFiles().mid(1);

// Runs `statement` with `values` bound on the database file `path`; the first
// column of its first row goes to `answer`. Empty when it worked, else why not.
QString runOn(const QString &path, const QString &statement, const QVariantList &values,
              QString *answer = nullptr)
{
    const QString connection = QStringLiteral("backup:") + path;
    QString problem;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(connectionStringFor(path));
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=10000"));
        if (db.open()) {
            QSqlQuery query(db);
            const bool prepared = query.prepare(statement);
            for (const QVariant &value : values)
                query.addBindValue(value);
            if (!prepared || !query.exec())
                problem = query.lastError().databaseText();
            else if (answer && query.next())
                *answer = query.value(0).toString();
        } else {
            problem = db.lastError().driverText();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return problem;
}

bool copyDatabase(const QString &source, const QString &target, QString *error)
{
    const QString problem = runOn(source, QStringLiteral("VACUUM INTO ?"), {target});
    QFile copy(target);
    if (problem.isEmpty() && copy.open(QIODevice::ReadWrite) && syncToDisk(copy))
        return true;
    setError(error, QStringLiteral("cannot copy %1 to %2: %3")
                        .arg(source, target, problem.isEmpty() ? copy.errorString() : problem));
    return false;
}

bool copyFile(const QString &source, const QString &target, QString *error)
{
    QFile from(source);
    QSaveFile to(target);
    bool ok = from.open(QIODevice::ReadOnly) && to.open(QIODevice::WriteOnly);
    while (ok && !from.atEnd()) {
        const QByteArray chunk = from.read(1 << 20);
        ok = !chunk.isEmpty() && to.write(chunk) == chunk.size();
    }
    if (ok && to.commit())
        return true;
    setError(error,
             QStringLiteral("cannot copy %1 to %2: %3")
                 .arg(source, target,
                      from.error() != QFile::NoError ? from.errorString() : to.errorString()));
    return false;
}

bool sameFile(const QString &a, const QString &b)
{
    return QFileInfo(a).canonicalFilePath() == QFileInfo(b).canonicalFilePath();
}

void removeOldBackups(const QDir &dest, int keep, const QString &partial)
{
    static const QRegularExpression name(
        QStringLiteral("^gate-backup-\\d{4}-\\d\\d-\\d\\d-\\d{6}$"));
    QStringList backups = dest.entryList({QStringLiteral("gate-backup-*")},
                                         QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)
                              .filter(name);
    while (backups.size() > keep)
        QDir(dest.filePath(backups.takeFirst())).removeRecursively();
    // Partial folders of backups that never ended (a power cut).
    for (const QString &left :
         dest.entryList({QStringLiteral(".gate-backup-*.partial")}, QDir::Dirs | QDir::Hidden)) {
        if (left != partial)
            QDir(dest.filePath(left)).removeRecursively();
    }
}

bool fillBackup(const QString &folder, const StationSettings &settings, const QString &into,
                QString *error)
{
    if (!QDir().mkpath(into)) {
        setError(error, QStringLiteral("cannot make %1").arg(into));
        return false;
    }
    const QDir target(into);
    if (!copyDatabase(settings.DataDbPath, target.filePath(DataFile), error))
        return false;
    // One file holding all four tables is copied once; restore knows it by the missing Gate.gsd.
    if (!sameFile(settings.DataDbPath, settings.GateDbPath) &&
        !copyDatabase(settings.GateDbPath, target.filePath(GateFile), error))
        return false;
    for (const QString &name : StationFolder::settingsFiles()) {
        const QString source = StationFolder(folder).file(name);
        if (QFileInfo::exists(source) && !copyFile(source, target.filePath(name), error))
            return false;
    }
    return true;
}

// Files gatectl makes as root belong to root: a station running as its own user
// could not open them.
void giveToFolderOwner(const QString &folder, const QStringList &files)
{
    struct stat owner {};
    if (::geteuid() != 0 || ::stat(QFile::encodeName(folder).constData(), &owner) != 0)
        return;
    for (const QString &file : files) {
        if (::chown(QFile::encodeName(file).constData(), owner.st_uid, owner.st_gid) != 0)
            qWarning("cannot give %s to the folder's owner", qPrintable(file));
    }
}

// Moves `target`, with its write-ahead log or hot journal, aside to its kept
// name. A log or journal left without its file goes aside too: SQLite would
// play it into the restored copy.
bool keepAside(const QString &target, const QDateTime &now, RestoreReport &report, QString *error)
{
    const QString kept = keptName(target, now);
    const bool whole = QFileInfo::exists(target);
    QFile::remove(target + QLatin1String("-shm")); // rebuilt from the write-ahead log
    for (const QString &side : {QString(), QStringLiteral("-wal"), QStringLiteral("-journal")}) {
        if (!QFileInfo::exists(target + side))
            continue;
        if (!QFile::rename(target + side, kept + side)) {
            setError(error, QStringLiteral("cannot keep %1 as %2").arg(target + side, kept + side));
            return false;
        }
        if (side.isEmpty() || !whole)
            report.kept << QStringLiteral("%1 as %2").arg(target + side, kept + side);
    }
    return true;
}

// Rows of a replaced log that the backup lacks: numbered above its newest row.
void countNewerRows(const QString &backupLog, const QString &kept, RestoreReport &report)
{
    QString newest;
    QString newer;
    if (!QFileInfo::exists(kept) ||
        !runOn(backupLog, QStringLiteral("select ifnull(max(fldID), 0) from tblGateLog"), {},
               &newest)
             .isEmpty() ||
        !runOn(kept, QStringLiteral("select count(*) from tblGateLog where fldID > ?"),
               {newest.toLongLong()}, &newer)
             .isEmpty())
        return;
    report.newerLogRows += newer.toLongLong();
    report.newerLogFile = kept;
}

} // namespace

QString keptName(const QString &file, const QDateTime &when)
{
    return file + when.toString(QStringLiteral("'.before-restore-'yyyy-MM-dd-HHmmss"));
}

QString folderName(const QDateTime &when)
{
    return when.toString(QStringLiteral("'gate-backup-'yyyy-MM-dd-HHmmss"));
}

bool make(const QString &folder, const QString &dest, int keep, const QDateTime &now, QString *made,
          QString *error)
{
    StationSettings settings;
    if (!StationFolder(folder).loadSettings(settings, error))
        return false;
    QDir destDir(QDir(dest).absolutePath());
    const QString name = folderName(now);
    if (destDir.exists(name)) {
        setError(error, QStringLiteral("%1 already exists").arg(destDir.filePath(name)));
        return false;
    }
    // Built under another name, so a failed or cut-off backup is never taken for one.
    const QString partial = QStringLiteral(".%1.partial").arg(name);
    QString why = QStringLiteral("cannot rename %1 to %2").arg(partial, name);
    if (!fillBackup(folder, settings, destDir.filePath(partial), &why) ||
        !destDir.rename(partial, name)) {
        QDir(destDir.filePath(partial)).removeRecursively();
        setError(error, why);
        return false;
    }
    syncFolderOf(destDir.filePath(name));
    removeOldBackups(destDir, keep, partial);
    if (made)
        *made = destDir.filePath(name);
    return true;
}

bool restore(const QString &backup, const QString &folder, const QDateTime &now,
             RestoreReport *report, QString *error)
{
    const QDir from(backup);
    const QString settingsName = StationFolder::SettingsName;
    for (const QString &needed : {settingsName, DataFile}) {
        if (!from.exists(needed)) {
            setError(error, QStringLiteral("%1 is no backup: it has no %2").arg(backup, needed));
            return false;
        }
    }
    StationSettings settings;
    if (!SettingsFile::load(from.filePath(settingsName), settings, error))
        return false;
    QStringList databases{DataFile};
    if (from.exists(GateFile))
        databases << GateFile;
    for (const QString &name : databases) {
        QString answer;
        const QString problem =
            runOn(from.filePath(name), QStringLiteral("PRAGMA quick_check"), {}, &answer);
        if (!problem.isEmpty() || answer != QLatin1String("ok")) {
            setError(error, QStringLiteral("%1 is damaged: %2")
                                .arg(from.filePath(name), problem.isEmpty() ? answer : problem));
            return false;
        }
    }
    const QString start = QDir::toNativeSeparators(QDir(folder).absolutePath());
    if (!QDir().mkpath(start)) {
        setError(error, QStringLiteral("cannot make the folder %1").arg(start));
        return false;
    }
    RestoreReport done;
    for (const QString &name : databases + OtherSettingsFiles) {
        const QString target = inStartFolder(start, name);
        if (!from.exists(name))
            continue;
        // Copied beside it first: a copy that fails leaves the folder's file in place.
        const QString incoming = target + QLatin1String(".restoring");
        if (!copyFile(from.filePath(name), incoming, error) ||
            !keepAside(target, now, done, error)) {
            QFile::remove(incoming);
            return false;
        }
        if (!QFile::rename(incoming, target)) {
            setError(error, QStringLiteral("cannot rename %1 to %2").arg(incoming, target));
            return false;
        }
        done.restored << target;
    }
    for (const QString &name : databases)
        countNewerRows(from.filePath(databases.last()), keptName(inStartFolder(start, name), now),
                       done);
    settings.StartFolder = start;
    settings.DataDbPath = inStartFolder(start, DataFile);
    settings.GateDbPath =
        databases.contains(GateFile) ? inStartFolder(start, GateFile) : settings.DataDbPath;
    done.restored << StationFolder(start).settingsFile();
    if (!keepAside(done.restored.last(), now, done, error) ||
        !SettingsFile::save(done.restored.last(), settings, error))
        return false;
    giveToFolderOwner(start, done.restored);
    if (report)
        *report = done;
    return true;
}

} // namespace Backup
