#include "fleet_schema.h"

#include "common/error_text.h"
#include "fleet_connection.h"

#include <QDir>
#include <QFile>
#include <QSqlQuery>

namespace {

struct Migration {
    int version;
    QString name;
    QString path;
};

QList<Migration> migrations()
{
    QList<Migration> list;
    const QDir dir(QStringLiteral(":/schema/fleet"));
    for (const QString &name : dir.entryList({QStringLiteral("*.sql")}, QDir::Files, QDir::Name))
        list.append({name.section(QLatin1Char('_'), 0, 0).toInt(), name, dir.filePath(name)});
    return list;
}

QString tooNew(int version)
{
    return QStringLiteral("the fleet database has schema version %1, newer than this program "
                          "knows (%2): update the gate programs")
        .arg(version)
        .arg(FleetSchema::knownVersion());
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error)
{
    QSqlQuery query(db);
    if (query.exec(sql))
        return true;
    setError(error, FleetConnection::reason(db));
    return false;
}

bool apply(QSqlDatabase &db, int from, QStringList *applied, QString *error)
{
    for (const Migration &migration : migrations()) {
        if (migration.version <= from)
            continue;
        QFile file(migration.path);
        file.open(QIODevice::ReadOnly);
        QString why;
        // One migration is one script: PostgreSQL runs its statements in order.
        if (!exec(db, QString::fromUtf8(file.readAll()), &why) ||
            !exec(db,
                  QStringLiteral("INSERT INTO fleet_schema_version (version) VALUES (%1)")
                      .arg(migration.version),
                  &why)) {
            setError(error, QStringLiteral("%1: %2").arg(migration.name, why));
            return false;
        }
        if (applied)
            *applied << migration.name;
    }
    return true;
}

bool migrateInTransaction(QSqlDatabase &db, QStringList *applied, QString &why)
{
    int held = 0;
    if (!db.transaction()) {
        why = FleetConnection::reason(db);
        return false;
    }
    // The lock keeps two inits from applying the same migration at once.
    if (!exec(db, QStringLiteral("SELECT pg_advisory_xact_lock(7242001)"), &why) ||
        !FleetSchema::version(db, held, &why))
        return false;
    if (held > FleetSchema::knownVersion()) {
        why = tooNew(held);
        return false;
    }
    if (!apply(db, held, applied, &why))
        return false;
    if (db.commit())
        return true;
    why = FleetConnection::reason(db);
    return false;
}

} // namespace

namespace FleetSchema {

int knownVersion()
{
    const QList<Migration> all = migrations();
    return all.isEmpty() ? 0 : all.last().version;
}

bool version(QSqlDatabase db, int &version, QString *error)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT to_regclass('fleet_schema_version') IS NOT NULL")) ||
        !query.next()) {
        setError(error, FleetConnection::reason(db));
        return false;
    }
    version = 0;
    if (!query.value(0).toBool())
        return true;
    if (!query.exec(QStringLiteral("SELECT coalesce(max(version), 0) FROM fleet_schema_version")) ||
        !query.next()) {
        setError(error, FleetConnection::reason(db));
        return false;
    }
    version = query.value(0).toInt();
    return true;
}

QString whyUnusable(QSqlDatabase db)
{
    int held = 0;
    QString error;
    if (!version(db, held, &error))
        return QStringLiteral("cannot read the fleet schema version: ") + error;
    if (held == 0)
        return QStringLiteral("the fleet database has no fleet schema: run gatectl fleet init URL");
    if (held > knownVersion())
        return tooNew(held);
    if (held < knownVersion())
        return QStringLiteral("the fleet database has schema version %1, older than this "
                              "program's %2: run gatectl fleet init URL")
            .arg(held)
            .arg(knownVersion());
    return {};
}

bool migrate(QSqlDatabase db, QStringList *applied, QString *error)
{
    QString why;
    if (migrateInTransaction(db, applied, why))
        return true;
    db.rollback();
    setError(error, why);
    if (applied)
        applied->clear();
    return false;
}

} // namespace FleetSchema
