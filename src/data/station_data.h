#pragma once

#include "code_index.h"
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

    // "Reconnect": the gate-log control opens its file anew and reruns its
    // record source.
    bool reconnect(const StationSettings &settings, QString *error);

    // Before each decision. The connections stay open: SQLite shows every commit
    // of another program to the next statement. A file removed or replaced (a
    // new file renamed over it) is opened anew, and so is every file after a
    // decision that failed.
    bool prepareForDecision(const StationSettings &settings, QString *error);
    // At the station's end: closed, the customer database left as others
    // expect it (see DataControl::closeForOthers); why not where it is not.
    QStringList closeForOthers();
    // The gate database's connections, for a file replaced under the station:
    // all close before any opens the new one.
    void closeGate(const StationSettings &settings);
    bool openGate(const StationSettings &settings, QString *error);
    void decisionFailed() { m_reopen = true; }

    const CodeIndex &unitCodes() const { return m_unitCodes; }
    const CodeIndex &masterCodes() const { return m_masterCodes; }
    // How codes are found when the customer database's own indexes do not
    // serve, for the status line; empty when they do.
    QString lookupNote() const;

private:
    bool openCustomerDatabase(const StationSettings &settings, QString *error);

    CodeIndex m_unitCodes;
    CodeIndex m_masterCodes;
    bool m_reopen = false;
};
