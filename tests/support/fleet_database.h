#pragma once

#include "fleet/fleet_schema.h"
#include "support/pg_server.h"

// A new database `name` on the server, with the fleet schema; its name.
inline QString createFleetDatabase(PgServer &server, const QString &name)
{
    server.createDatabase(name);
    QString error;
    if (!FleetSchema::migrate(server.connect(name, QStringLiteral("migrate")), nullptr, &error))
        qFatal("%s", qPrintable(error));
    return name;
}
