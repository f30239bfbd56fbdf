#include "zone_table.h"

#include "common/number_text.h"
#include "data/data_control.h"

#include "data/sql_run.h"
#include <QLocale>

namespace {

// Eight characters whatever is stored, so a broken time cannot push the line apart.
QString shownTime(const QString &stored)
{
    const QTime time = zoneTime(stored);
    return time.isValid() ? QLocale::c().toString(time, QStringLiteral("h:mm AP"))
                          : QStringLiteral("BAD TIME");
}

// The zone's four characters (its number and the blanks after it), then each
// time right-aligned in 8.
QString zoneColumns(const QString &zone, const QString &start, const QString &stop)
{
    return zone + start.rightJustified(8, QLatin1Char(' ')) + QStringLiteral("  ") +
           stop.rightJustified(8, QLatin1Char(' '));
}

} // namespace

namespace ZoneTable {

bool read(const QSqlDatabase &gateDb, QList<ZoneEntry> &zones, QString *error)
{
    QSqlQuery q(gateDb);
    q.setForwardOnly(true);
    if (!runSql(q,
                QStringLiteral("select rowid, fldTimeZone, fldStartTime, fldStopTime "
                               "from tblTimeZones order by fldTimeZone, rowid"),
                {}, error))
        return false;
    zones.clear();
    while (q.next())
        zones << ZoneEntry{q.value(0).toLongLong(),
                           {columnText(q, QStringLiteral("fldTimeZone")),
                            columnText(q, QStringLiteral("fldStartTime")),
                            columnText(q, QStringLiteral("fldStopTime"))}};
    return true;
}

AddResult add(const QSqlDatabase &gateDb, int zone, qint64 &inUseRow, QString *error)
{
    QList<ZoneEntry> zones;
    if (!read(gateDb, zones, error))
        return AddResult::Failed;
    for (const ZoneEntry &entry : zones) {
        const auto number = zoneNumber(entry.row.zone);
        if (!number) {
            setError(error, QStringLiteral("zone \"%1\" is not a number").arg(entry.row.zone));
            return AddResult::Failed;
        }
        if (*number == zone) {
            inUseRow = entry.rowId;
            return AddResult::InUse;
        }
    }
    QSqlQuery q(gateDb);
    return runSql(q,
                  QStringLiteral("insert into tblTimeZones (fldTimeZone, fldStartTime, "
                                 "fldStopTime) values (?, '07:00:00', '20:00:00')"),
                  {zone}, error)
               ? AddResult::Added
               : AddResult::Failed;
}

bool saveTimes(const QSqlDatabase &gateDb, qint64 rowId, const QTime &start, const QTime &stop,
               QString *error)
{
    QSqlQuery q(gateDb);
    return runSql(q,
                  QStringLiteral("update tblTimeZones set fldStartTime = ?, fldStopTime = ? "
                                 "where rowid = ?"),
                  {storedZoneTime(start), storedZoneTime(stop), rowId}, error);
}

DeleteResult remove(const QSqlDatabase &gateDb, qint64 rowId, QString *error)
{
    // One statement, so the count and the delete cannot fall apart.
    QSqlQuery q(gateDb);
    if (!runSql(q,
                QStringLiteral("delete from tblTimeZones where rowid = ? "
                               "and (select count(*) from tblTimeZones) > 1"),
                {rowId}, error))
        return DeleteResult::Failed;
    return q.numRowsAffected() > 0 ? DeleteResult::Deleted : DeleteResult::LastZoneKept;
}

bool use(const QSqlDatabase &customerDb, const QString &zone, ZoneUse &use, QString *error)
{
    QSqlQuery q(customerDb);
    if (!runSql(q,
                QStringLiteral("select (select count(*) from tblUnitInfo "
                               "where cast(fldGateTimeZone as text) = ?), "
                               "(select count(*) from tblVextraMasterCodes "
                               "where cast(fldTimeZone as text) = ?)"),
                {zone, zone}, error) ||
        !q.next())
        return false;
    use = {q.value(0).toLongLong(), q.value(1).toLongLong()};
    return true;
}

} // namespace ZoneTable

QString zoneUseText(const QString &zone, const ZoneTable::ZoneUse &use)
{
    return QStringLiteral("Time zone %1 is used by %2 and %3.")
        .arg(zone, countText(use.units, QStringLiteral("unit"), QStringLiteral("units")),
             countText(use.masters, QStringLiteral("master code"), QStringLiteral("master codes")));
}

QString brokenZonesText(const QList<ZoneEntry> &zones)
{
    QStringList broken;
    for (const ZoneEntry &entry : zones) {
        if (!zoneTimesValid(entry.row))
            broken << entry.row.zone;
    }
    if (broken.isEmpty())
        return {};
    return QStringLiteral("Time zone %1: start or stop is not a time of day, so its codes are "
                          "refused; set Start and Stop under Settings and Save")
        .arg(broken.join(QStringLiteral(", ")));
}

QString zoneListLine(const ZoneRow &zone)
{
    return zoneColumns(zone.zone.left(2).rightJustified(2, QLatin1Char(' ')) + QStringLiteral("  "),
                       shownTime(zone.start), shownTime(zone.stop));
}

QString zoneHeadings()
{
    return zoneColumns(QStringLiteral("Zone"), QStringLiteral("Start"), QStringLiteral("Stop"));
}

ZoneAnswer zoneAnswer(const std::optional<QString> &answer)
{
    if (!answer || !wholeNumber(*answer))
        return {ZoneAnswer::Stop};
    const auto number = wholeNumberIn(*answer, 0, 255);
    if (!number)
        return {ZoneAnswer::NotValid};
    if (*number < 1 || *number > MaxZone)
        return {ZoneAnswer::AskAgain};
    return {ZoneAnswer::Zone, int(*number)};
}
