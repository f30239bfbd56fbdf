#pragma once

#include "sync/customer_sync.h"
#include "tables/table_text.h"

#include <QSqlDatabase>

// The office's time zones of a site: the fleet's rows for the site made
// exactly the source's (fldTimeZone, fldStartTime, fldStopTime), checked by
// the zone editor's rules, in one transaction. Unchanged zones write nothing,
// so no station pulls; a site not yet there is added.
namespace SiteZones {

CustomerSync::Report run(QSqlDatabase db, const QString &site, const QList<TextRow> &rows);

} // namespace SiteZones
