#include "station_data.h"

namespace {

bool connect(DataControl &control, const QString &connectionString, const QString &recordSource,
             QString *error)
{
    control.setConnectionString(connectionString);
    control.setRecordSource(recordSource);
    return control.refresh(error);
}

// A decision reads while the management software may be committing: the
// briefest locks are waited out here; a code that finds a longer one waits
// off the event loop's path (the station tries it again) rather than hold the
// other keypad.
constexpr int DecisionBusyTimeoutMs = 5;

} // namespace

StationData::StationData()
    : AdoCustomerCodes(QStringLiteral("AdoCustomerCodes"), Tables::unitInfo(),
                       DataControl::Writes::Shared)
    , AdoMaster(QStringLiteral("AdoMaster"), Tables::masterCodes())
    , AdoGateLog(QStringLiteral("AdoGateLog"), Tables::gateLog(), DataControl::Writes::Durable)
    , AdoTimeZones(QStringLiteral("AdoTimeZones"), Tables::timeZones(),
                   DataControl::Writes::Durable)
    , m_unitCodes(QStringLiteral("tblUnitInfo"), QStringLiteral("fldGateCode"),
                  QStringLiteral("idxUnitInfoGateCode"))
    , m_masterCodes(QStringLiteral("tblVextraMasterCodes"), QStringLiteral("fldPassCode"),
                    QStringLiteral("idxMasterCodesPassCode"))
{
    for (DataControl *control : {&AdoCustomerCodes, &AdoMaster, &AdoTimeZones})
        control->setBusyTimeout(DecisionBusyTimeoutMs);
}

void StationData::buildConnectionStrings(StationSettings &settings)
{
    settings.GateConnectionString = connectionStringFor(settings.GateDbPath);
    settings.DataConnectionString = connectionStringFor(settings.DataDbPath);
}

bool StationData::connectAll(const StationSettings &settings, QString *error)
{
    AdoCustomerCodes.setRecordSource(QStringLiteral("select * from tblUnitInfo"));
    AdoMaster.setRecordSource(QStringLiteral("select * from tblVextraMasterCodes"));
    m_reopen = false;
    return openCustomerDatabase(settings, error) &&
           connect(AdoGateLog, settings.GateConnectionString,
                   QStringLiteral("select * from tblGateLog"), error) &&
           connect(AdoTimeZones, settings.GateConnectionString,
                   QStringLiteral("select * from tblTimeZones order by fldTimeZone"), error);
}

bool StationData::reconnect(const StationSettings &settings, QString *error)
{
    AdoGateLog.setConnectionString(settings.GateConnectionString);
    return AdoGateLog.refresh(error);
}

bool StationData::prepareForDecision(const StationSettings &settings, QString *error)
{
    const bool customerCurrent = !m_reopen && AdoCustomerCodes.isCurrent() && AdoMaster.isCurrent();
    if (customerCurrent ? !m_unitCodes.follow(AdoCustomerCodes.database(), error) ||
                              !m_masterCodes.follow(AdoMaster.database(), error)
                        : !openCustomerDatabase(settings, error))
        return false;
    if (m_reopen || !AdoTimeZones.isCurrent()) {
        AdoTimeZones.setConnectionString(settings.GateConnectionString);
        if (!AdoTimeZones.refresh(error))
            return false;
    }
    m_reopen = false;
    return true;
}

QStringList StationData::closeForOthers()
{
    QStringList notes;
    for (DataControl *control : {&AdoMaster, &AdoGateLog, &AdoTimeZones, &AdoCustomerCodes}) {
        if (const QString note = control->closeForOthers(); !note.isEmpty())
            notes << note;
    }
    return notes;
}

void StationData::closeGate(const StationSettings &settings)
{
    AdoGateLog.close();
    AdoTimeZones.close();
    // One file may hold all four tables.
    if (settings.DataConnectionString == settings.GateConnectionString) {
        AdoCustomerCodes.close();
        AdoMaster.close();
    }
}

bool StationData::openGate(const StationSettings &settings, QString *error)
{
    for (DataControl *control : {&AdoGateLog, &AdoTimeZones})
        control->setConnectionString(settings.GateConnectionString);
    return AdoGateLog.refresh(error) && AdoTimeZones.refresh(error);
}

QString StationData::lookupNote() const
{
    using Way = CodeIndex::Way;
    const QList<Way> ways{m_unitCodes.way(), m_masterCodes.way()};
    if (ways.contains(Way::OwnMap))
        return QStringLiteral("customer database has no code index and takes none: the station "
                              "keeps its own look-up");
    if (ways.contains(Way::MadeIndex))
        return QStringLiteral("code indexes added to the customer database");
    return {};
}

// Both controls let go of the old file before either opens the new one.
bool StationData::openCustomerDatabase(const StationSettings &settings, QString *error)
{
    AdoCustomerCodes.close();
    AdoMaster.close();
    AdoCustomerCodes.setConnectionString(settings.DataConnectionString);
    AdoMaster.setConnectionString(settings.DataConnectionString);
    return AdoCustomerCodes.refresh(error) && AdoMaster.refresh(error) &&
           m_unitCodes.attach(AdoCustomerCodes.database(), error) &&
           m_masterCodes.attach(AdoMaster.database(), error);
}
