#pragma once

#include "zone_row.h"

#include <QList>
#include <QSqlDatabase>
#include <QTime>
#include <optional>

// The time-zone table as the editor sees it: rows in zone order, each with
// the row id that names it.
struct ZoneEntry {
    qint64 rowId = 0;
    ZoneRow row;
};

namespace ZoneTable {

bool read(const QSqlDatabase &gateDb, QList<ZoneEntry> &zones, QString *error);

enum class AddResult { Added, InUse, Failed };
// A new zone open 07:00 to 20:00, unless a row already carries the number:
// then `inUseRow` is that row.
AddResult add(const QSqlDatabase &gateDb, int zone, qint64 &inUseRow, QString *error);

bool saveTimes(const QSqlDatabase &gateDb, qint64 rowId, const QTime &start, const QTime &stop,
               QString *error);

enum class DeleteResult { Deleted, LastZoneKept, Failed };
// The last zone of the table is never deleted.
DeleteResult remove(const QSqlDatabase &gateDb, qint64 rowId, QString *error);

// How many units and master codes of the customer database carry a zone, as
// the decision matches them (the zone's text exactly).
struct ZoneUse {
    qint64 units = 0;
    qint64 masters = 0;

    bool any() const { return units > 0 || masters > 0; }
};
bool use(const QSqlDatabase &customerDb, const QString &zone, ZoneUse &use, QString *error);

} // namespace ZoneTable

// "Time zone 1 is used by 3 units and 1 master code."
QString zoneUseText(const QString &zone, const ZoneTable::ZoneUse &use);

// What an answer to "Enter Zone Number 1 to 63" asks for: nothing (no number,
// Cancel), the question again (0, or above 63), "Number Not Vaild" (beyond
// 0-255), or a zone number, halves rounded to even.
struct ZoneAnswer {
    enum Kind { Stop, AskAgain, NotValid, Zone };
    Kind kind = Stop;
    int zone = 0;
};
ZoneAnswer zoneAnswer(const std::optional<QString> &answer);

// Names the zones whose start or stop is not a time of day, for the operator;
// empty when there are none.
QString brokenZonesText(const QList<ZoneEntry> &zones);

// The 22-character list line: zone (2, right), start and stop as "h:mm AM" (8, right).
QString zoneListLine(const ZoneRow &zone);
// "Zone   Start      Stop", each heading over its column of the list lines.
QString zoneHeadings();
