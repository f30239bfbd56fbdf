#pragma once

#include "sync/customer_sync.h"

#include <QSqlDatabase>

// A site's units, master codes (the site's and those of no site) and time
// zones, read from the fleet database in one snapshot, with the site's change
// count they belong to.
struct SiteData {
    qint64 changeCount = -1;
    SourceTables customers;
    QList<QVariantList> zones; // fldTimeZone, fldStartTime, fldStopTime
};

namespace SitePull {

// Everything in one statement, so one snapshot: a read that fails gives
// nothing. A site that is not there has change count -1 and no rows.
bool read(QSqlDatabase db, const QString &site, SiteData &data, QString *error);

struct Applied {
    CustomerSync::Report customers;
    QString zones; // what became of the time zones, in words
    bool zonesWritten = false;
    bool ok() const
    {
        return customers.outcome != CustomerSync::Report::Outcome::Refused && zonesWritten;
    }
};

// The data into the station folder's files: units and master codes by the
// customer sync's rules (one transaction, never a mix, a shrink refused), time
// zones replaced in one transaction when they differ. A site without zones
// centrally leaves the station's own.
Applied apply(const SiteData &data, const QString &folder, const QSqlDatabase &gateDb,
              bool allowShrink, const QDate &today);

} // namespace SitePull
