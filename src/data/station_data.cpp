#include "station_data.h"

namespace {

bool connect(DataControl &control, const QString &connectionString, const QString &recordSource,
             QString *error)
{
    control.setConnectionString(connectionString);
    control.setRecordSource(recordSource);
    return control.refresh(error);
}

} // namespace

StationData::StationData()
    : AdoCustomerCodes(QStringLiteral("AdoCustomerCodes"), Tables::unitInfo())
    , AdoMaster(QStringLiteral("AdoMaster"), Tables::masterCodes())
    , AdoGateLog(QStringLiteral("AdoGateLog"), Tables::gateLog(), DataControl::Writes::Durable)
    , AdoTimeZones(QStringLiteral("AdoTimeZones"), Tables::timeZones(),
                   DataControl::Writes::Durable)
{}

void StationData::buildConnectionStrings(StationSettings &settings)
{
    settings.GateConnectionString = connectionStringFor(settings.GateDbPath);
    settings.DataConnectionString = connectionStringFor(settings.DataDbPath);
}

bool StationData::connectAll(const StationSettings &settings, QString *error)
{
    return connect(AdoCustomerCodes, settings.DataConnectionString,
                   QStringLiteral("select * from tblUnitInfo"), error) &&
           connect(AdoMaster, settings.DataConnectionString,
                   QStringLiteral("select * from tblVextraMasterCodes"), error) &&
           connect(AdoGateLog, settings.GateConnectionString,
                   QStringLiteral("select * from tblGateLog"), error) &&
           connect(AdoTimeZones, settings.GateConnectionString,
                   QStringLiteral("select * from tblTimeZones order by fldTimeZone"), error);
}

bool StationData::reconnect(const StationSettings &settings, QString *error)
{
    AdoCustomerCodes.setConnectionString(settings.DataConnectionString);
    if (!AdoCustomerCodes.refresh(error))
        return false;
    AdoGateLog.setConnectionString(settings.GateConnectionString);
    return AdoGateLog.refresh(error);
}

bool StationData::reconnectForDecision(const StationSettings &settings, QString *error)
{
    AdoMaster.setConnectionString(settings.DataConnectionString);
    AdoCustomerCodes.setConnectionString(settings.DataConnectionString);
    if (!AdoMaster.refresh(error) || !AdoCustomerCodes.refresh(error))
        return false;
    // The zones stay open between decisions; only a connection lost to an
    // earlier failure is made again.
    if (AdoTimeZones.isConnected())
        return true;
    AdoTimeZones.setConnectionString(settings.GateConnectionString);
    return AdoTimeZones.refresh(error);
}
