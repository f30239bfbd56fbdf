#include "folder_setup.h"

#include "common/error_text.h"

#include "settings/settings_file.h"
#include "settings/station_folder.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>
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

namespace {

// Every entry commented out: the file changes nothing until an installer edits it.
const char *const PortMapTemplate =
    "; Which device each serial port number of gatesystem.dat is. gatectl init\n"
    "; set port 1 for keypad 1, port 2 for the relay board and port 3 for\n"
    "; keypad 2. A number without an entry below is the computer's own serial\n"
    "; port /dev/ttyS<number - 1> (port 1 is /dev/ttyS0).\n"
    ";\n"
    "; USB serial adapters: name each by its stable path, which stays the same\n"
    "; whatever socket it is plugged into (ls -l /dev/serial/by-id/), for example\n"
    ";   1=/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0\n"
    "; One entry per line, no comment after a path. The station reads this file\n"
    "; each time it opens a port. Then check, as the station's user:\n"
    ";   runuser -u gate -- gatectl check FOLDER\n"
    "[ports]\n"
    ";1=/dev/ttyS0\n"
    ";2=/dev/ttyS1\n"
    ";3=/dev/ttyS2\n";

// An installer's own port map is left as it is.
bool writePortMap(const QString &path, QStringList *created, QString *error)
{
    if (QFile::exists(path))
        return true;
    QSaveFile file(path); // a full disk leaves no half file behind
    if (!file.open(QIODevice::WriteOnly) || file.write(PortMapTemplate) < 0 || !file.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
        return false;
    }
    if (created)
        *created << path;
    return true;
}

} // namespace

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
    return writePortMap(StationFolder(start).portMap(), created, error);
}

} // namespace FolderSetup
