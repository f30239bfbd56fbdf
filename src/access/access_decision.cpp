#include "access_decision.h"

#include "code_lookup.h"
#include "result_words.h"
#include "timezones/zone_table.h"

bool decideCode(const DecisionSources &sources, const QString &code, const QString &location,
                const QDateTime &now, Decision &decision, QString *error)
{
    std::optional<UnitRow> unit;
    if (!CodeLookup::findUnit(sources.units, sources.unitCodes, code, unit, error))
        return false;
    std::optional<MasterRow> master;
    if (!unit && !CodeLookup::findMaster(sources.masters, sources.masterCodes, code, master, error))
        return false;
    if (!unit && !master) {
        decision = {{ResultWords::Invalid, false, {}}, invalidEvent(code, location)};
        return true;
    }
    // Only a zone other than 0 needs the zone table.
    QList<ZoneRow> zones;
    if (zoneNumber(unit ? unit->timeZone : master->timeZone).value_or(0) != 0) {
        QList<ZoneEntry> entries;
        if (!ZoneTable::read(sources.zones, entries, error))
            return false;
        for (const ZoneEntry &entry : entries)
            zones << entry.row;
    }
    if (unit) {
        decision.verdict = decideUnit(*unit, zones, now);
        decision.event = unitEvent(code, location, *unit, decision.verdict.result);
        return true;
    }
    decision.verdict = decideMaster(*master, zones, now);
    const auto event = masterEvent(code, location, *master, decision.verdict.result);
    if (!event && !decision.verdict.failed())
        decision.verdict.failure =
            QStringLiteral("master code ID %1 is not a number").arg(master->id);
    decision.event = event.value_or(GateEvent{});
    return true;
}
