#pragma once

#include <QSqlDatabase>
#include <QString>

// Each station's own database role, made by the office: with it a station
// reads only its site's data and writes only its own (the fleet schema's
// row-level security). The role's name is SITE.STATION.
namespace StationRoles {

struct Login {
    QString role;
    QString password; // letters and digits, made here
};

// Adds the role (and the site and station rows when they are not there) in
// one transaction; refused for a station that has a role already. The server
// gets the password's SCRAM verifier, never the password.
bool add(QSqlDatabase db, const QString &site, const QString &station, Login &login,
         QString *error);

// Drops the station's role: its rights go at once, also in a session it still
// holds. The station's row and log rows stay. `role` is the role dropped.
bool remove(QSqlDatabase db, const QString &site, const QString &station, QString &role,
            QString *error);

// The office's URL with the station's login in place of the office's.
QString stationUrl(const QString &officeUrl, const Login &login);

} // namespace StationRoles
