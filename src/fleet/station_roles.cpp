#include "station_roles.h"

#include "common/error_text.h"
#include "data/sql_run.h"
#include "fleet_connection.h"

#include <QMessageAuthenticationCode>
#include <QPasswordDigestor>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QUrl>

namespace {

// A role name goes into DDL: only names that need no more than the quoting
// the server's format('%I') gives them.
constexpr int MaxRoleBytes = 63;

bool validName(const QString &name)
{
    static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9][A-Za-z0-9_-]*$"));
    return allowed.match(name).hasMatch();
}

std::optional<QString> roleName(const QString &site, const QString &station, QString *error)
{
    for (const QString &name : {site, station}) {
        if (!validName(name)) {
            setError(error, QStringLiteral("\"%1\" cannot name a station role: use letters, "
                                           "digits, - and _ (a letter or digit first)")
                                .arg(name));
            return std::nullopt;
        }
    }
    const QString role = site + QLatin1Char('.') + station;
    if (role.size() > MaxRoleBytes) {
        setError(error, QStringLiteral("the role name %1 is longer than PostgreSQL's %2 "
                                       "characters: shorten the site or station name")
                            .arg(role)
                            .arg(MaxRoleBytes));
        return std::nullopt;
    }
    return role;
}

QString newPassword()
{
    static const char Characters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    QString password;
    for (int i = 0; i < 24; ++i)
        password += QLatin1Char(
            Characters[QRandomGenerator::system()->bounded(int(sizeof Characters) - 1)]);
    return password;
}

// What PostgreSQL stores for a SCRAM-SHA-256 password (RFC 5802, RFC 7677).
QString scramVerifier(const QString &password)
{
    constexpr int Iterations = 4096;
    QByteArray salt(16, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(salt.data()),
                                          salt.size() / 4);
    const QByteArray salted = QPasswordDigestor::deriveKeyPbkdf2(
        QCryptographicHash::Sha256, password.toUtf8(), salt, Iterations, 32);
    const auto hmac = [&](const char *text) {
        return QMessageAuthenticationCode::hash(text, salted, QCryptographicHash::Sha256);
    };
    const QByteArray storedKey =
        QCryptographicHash::hash(hmac("Client Key"), QCryptographicHash::Sha256);
    return QStringLiteral("SCRAM-SHA-256$%1:%2$%3:%4")
        .arg(Iterations)
        .arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(storedKey.toBase64()),
             QString::fromLatin1(hmac("Server Key").toBase64()));
}

// One statement, one transaction: the function's first value, or the server's reason.
bool call(QSqlDatabase &db, const QString &sql, const QVariantList &values, QVariant &value,
          QString *error)
{
    QSqlQuery query(db);
    if (runSql(query, sql, values, error) && query.next()) {
        value = query.value(0);
        return true;
    }
    setError(error, FleetConnection::failure(query));
    return false;
}

} // namespace

namespace StationRoles {

bool add(QSqlDatabase db, const QString &site, const QString &station, Login &login, QString *error)
{
    const auto role = roleName(site, station, error);
    if (!role)
        return false;
    login = {*role, newPassword()};
    QVariant none;
    if (call(db, QStringLiteral("SELECT fleet_add_station(?, ?, ?, ?)"),
             {site, station, login.role, scramVerifier(login.password)}, none, error))
        return true;
    if (error && error->contains(QLatin1String("permission denied to create role")))
        *error += QStringLiteral(" (the office's role needs CREATEROLE: ALTER ROLE %1 CREATEROLE)")
                      .arg(db.userName());
    return false;
}

bool remove(QSqlDatabase db, const QString &site, const QString &station, QString &role,
            QString *error)
{
    QVariant dropped;
    if (!call(db, QStringLiteral("SELECT fleet_remove_station(?, ?)"), {site, station}, dropped,
              error))
        return false;
    role = dropped.toString();
    return true;
}

QString stationUrl(const QString &officeUrl, const Login &login)
{
    QUrl url(officeUrl);
    url.setUserName(login.role);
    url.setPassword(login.password);
    return url.toString();
}

} // namespace StationRoles
