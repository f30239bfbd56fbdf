#include "zone_table.h"

#include "station/data_control.h"

#include <QLocale>
#include <QSqlError>
#include <QSqlQuery>

namespace {

const char *const StoredTimeFormat = "HH:mm:ss";

bool run(QSqlQuery &query, QString *error)
{
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError().text();
    return false;
}

QString shownTime(const QString &stored)
{
    const QTime time = zoneTime(stored);
    return time.isValid() ? QLocale::c().toString(time, QStringLiteral("h:mm AP")) : stored;
}

} // namespace

namespace ZoneTable {

bool read(const QSqlDatabase &gateDb, QList<ZoneEntry> &zones, QString *error)
{
    QSqlQuery q(gateDb);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("select rowid, fldTimeZone, fldStartTime, fldStopTime "
                             "from tblTimeZones order by fldTimeZone, rowid"));
    if (!run(q, error))
        return false;
    zones.clear();
    while (q.next())
        zones << ZoneEntry{q.value(0).toLongLong(),
                           {columnText(q, QStringLiteral("fldTimeZone")),
                            columnText(q, QStringLiteral("fldStartTime")),
                            columnText(q, QStringLiteral("fldStopTime"))}};
    return true;
}

AddResult add(const QSqlDatabase &gateDb, int zone, QString *error)
{
    QList<ZoneEntry> zones;
    if (!read(gateDb, zones, error))
        return AddResult::Failed;
    for (const ZoneEntry &entry : zones) {
        bool ok = false;
        const double number = entry.row.zone.toDouble(&ok);
        if (!ok) {
            if (error)
                *error = QStringLiteral("zone \"%1\" is not a number").arg(entry.row.zone);
            return AddResult::Failed;
        }
        if (number == zone)
            return AddResult::InUse;
    }
    QSqlQuery q(gateDb);
    q.prepare(QStringLiteral(
        "insert into tblTimeZones (fldTimeZone, fldStartTime, fldStopTime) values (?, ?, ?)"));
    q.addBindValue(zone);
    q.addBindValue(QStringLiteral("07:00:00"));
    q.addBindValue(QStringLiteral("20:00:00"));
    return run(q, error) ? AddResult::Added : AddResult::Failed;
}

bool saveTimes(const QSqlDatabase &gateDb, qint64 rowId, const QTime &start, const QTime &stop,
               QString *error)
{
    QSqlQuery q(gateDb);
    q.prepare(QStringLiteral(
        "update tblTimeZones set fldStartTime = ?, fldStopTime = ? where rowid = ?"));
    q.addBindValue(start.toString(QLatin1String(StoredTimeFormat)));
    q.addBindValue(stop.toString(QLatin1String(StoredTimeFormat)));
    q.addBindValue(rowId);
    return run(q, error);
}

DeleteResult remove(const QSqlDatabase &gateDb, qint64 rowId, QString *error)
{
    // One statement, so the count and the delete cannot fall apart.
    QSqlQuery q(gateDb);
    q.prepare(QStringLiteral("delete from tblTimeZones where rowid = ? "
                             "and (select count(*) from tblTimeZones) > 1"));
    q.addBindValue(rowId);
    if (!run(q, error))
        return DeleteResult::Failed;
    return q.numRowsAffected() > 0 ? DeleteResult::Deleted : DeleteResult::LastZoneKept;
}

} // namespace ZoneTable

QString zoneListLine(const ZoneRow &zone)
{
    return zone.zone.left(2).rightJustified(2, QLatin1Char(' ')) + QStringLiteral("  ") +
           shownTime(zone.start).rightJustified(8, QLatin1Char(' ')) + QStringLiteral("  ") +
           shownTime(zone.stop).rightJustified(8, QLatin1Char(' '));
}
