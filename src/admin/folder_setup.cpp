#include "folder_setup.h"

#include "common/error_text.h"

#include "settings/settings_file.h"
#include "settings/station_folder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

namespace FolderSetup {

QStringList sqlStatements(const QString &script)
{
    QString code = script;
    code.remove(QRegularExpression(QStringLiteral("--[^\n]*")));
    QStringList statements;
    for (const QString &part : code.split(QLatin1Char(';'))) {
        if (!part.trimmed().isEmpty())
            statements << part.trimmed();
    }
    return statements;
}

QString schema(const QString &name)
{
    QFile file(QStringLiteral(":/schema/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("the built-in schema %s is missing", qPrintable(name));
    return QString::fromUtf8(file.readAll());
}

bool createDatabase(const QString &path, const QStringList &schemaNames, QString *error)
{
    if (QFile::exists(path)) {
        setError(error, QStringLiteral("%1 already exists").arg(path));
        return false;
    }
    const QString connection = QStringLiteral("create:") + path;
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(path);
        ok = db.open();
        if (!ok)
            setError(error,
                     QStringLiteral("cannot create %1: %2").arg(path, db.lastError().text()));
        QSqlQuery query(db);
        for (const QString &name : schemaNames) {
            for (const QString &statement : sqlStatements(schema(name))) {
                if (ok && !query.exec(statement)) {
                    setError(error, QStringLiteral("%1: %2").arg(path, query.lastError().text()));
                    ok = false;
                }
            }
        }
    }
    QSqlDatabase::removeDatabase(connection);
    if (!ok)
        QFile::remove(path);
    return ok;
}

bool init(const QString &folder, QStringList *created, QString *error)
{
    const QString start = QDir::toNativeSeparators(QDir(folder).absolutePath());
    StationSettings settings = StationSettings::defaults(start);
    settings.CodeLength = 4;
    settings.Keypad2CommPort = 3; // two keypads on one port cannot both open
    const QString settingsFile = StationFolder(start).settingsFile();
    for (const QString &file : {settingsFile, settings.DataDbPath, settings.GateDbPath}) {
        if (QFile::exists(file)) {
            setError(error, QStringLiteral("%1 already exists; nothing was changed").arg(file));
            return false;
        }
    }
    if (!QDir().mkpath(start)) {
        setError(error, QStringLiteral("cannot create the folder %1").arg(start));
        return false;
    }
    if (!createDatabase(settings.DataDbPath, {QStringLiteral("customer.sql")}, error))
        return false;
    if (!createDatabase(settings.GateDbPath, {QStringLiteral("gate.sql")}, error) ||
        !SettingsFile::save(settingsFile, settings, error)) {
        QFile::remove(settings.DataDbPath);
        QFile::remove(settings.GateDbPath);
        return false;
    }
    if (created)
        *created = {settingsFile, settings.DataDbPath, settings.GateDbPath};
    return true;
}

} // namespace FolderSetup
