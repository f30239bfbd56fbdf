#pragma once

#include "sync/customer_sync.h"

#include <QSqlDatabase>
#include <functional>

// The office's import: a site's units and master codes in the fleet database
// made exactly what a source holds (the management software's Access file or
// CSV export), checked as a station's sync checks them. One transaction, so a
// station pulls all of it or none of it.
namespace SiteImport {

// An empty site takes master codes that open every site's gates; such a
// source may hold no units. A site not yet in the fleet database is added.
// The source's master code IDs are not kept: the fleet numbers its own, and a
// master code keeps its number while its row stays. A table the source does
// not change is not written, so no station pulls for nothing.
CustomerSync::Report run(QSqlDatabase db, const QString &site, const SourceTables &source,
                         const CustomerSync::Options &options, const QDate &today);

// `work` in one transaction that holds the site's import lock (another import
// of the site waits) and has the site added when it is not there; kept when
// `work` changed something, else rolled back.
CustomerSync::Report inTransaction(QSqlDatabase db, const QString &site, const QStringList &notes,
                                   const std::function<CustomerSync::Report()> &work);

} // namespace SiteImport
