#pragma once

#include "data_control.h"
#include "settings/station_settings.h"

// The station's four connections: units and master codes in the customer
// database, gate log and time zones in the gate database.
class StationData {
public:
    StationData();

    DataControl AdoCustomerCodes;
    DataControl AdoMaster;
    DataControl AdoGateLog;
    DataControl AdoTimeZones;

    // Start-up: gate, then data connection string, from the database paths.
    static void buildConnectionStrings(StationSettings &settings);

    // Start-up: every control gets its connection string and its first record
    // source and is refreshed, in order; the first failure stops the rest.
    bool connectAll(const StationSettings &settings, QString *error);

    // "Reconnect": the unit and gate-log controls open their files anew and rerun
    // their record sources; stops at the first failure.
    bool reconnect(const StationSettings &settings, QString *error);

    // Before each decision: master and unit controls open their file anew, so
    // every decision reads the tables as they stand; the zones are reopened only
    // when an earlier failure closed them. The gate log is not needed: its rows
    // go through the log writer.
    bool reconnectForDecision(const StationSettings &settings, QString *error);
};
