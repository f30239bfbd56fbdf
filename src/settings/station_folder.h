#pragma once

#include "station_settings.h"

#include <QString>
#include <QStringList>

// A station's start folder: the names of the files it holds, and its settings
// file read with the database paths made usable from anywhere. Every program
// that works on a folder (the station, gatectl, gate-sync) finds its files here.
class StationFolder {
public:
    static inline const QString SettingsName = QStringLiteral("gatesystem.dat");
    static inline const QString StationIniName = QStringLiteral("station.ini");
    static inline const QString PortMapName = QStringLiteral("comports.ini");
    static inline const QString LockName = QStringLiteral("station.lock");
    static inline const QString RelayMarkerName = QStringLiteral("relay-on.flag");
    static inline const QString FleetStateName = QStringLiteral("fleet.state");
    // The databases' names where gatectl makes or restores them.
    static inline const QString DataName = QStringLiteral("Data.gsd");
    static inline const QString GateName = QStringLiteral("Gate.gsd");

    // The folder as given: absolute paths stay, a relative one is the current folder's.
    explicit StationFolder(const QString &path);

    const QString &path() const { return m_path; }
    QString file(const QString &name) const;
    QString settingsFile() const { return file(SettingsName); }
    QString stationIni() const { return file(StationIniName); }
    QString portMap() const { return file(PortMapName); }
    QString lockFile() const { return file(LockName); }
    QString relayMarker() const { return file(RelayMarkerName); }
    QString fleetState() const { return file(FleetStateName); }
    // The settings files a backup keeps, in the order they are restored.
    static QStringList settingsFiles() { return {SettingsName, StationIniName, PortMapName}; }

    // The files only their owner and group may read: the customer database and
    // the settings file (tenants' codes) and station.ini (the fleet password).
    QStringList privateFiles(const StationSettings &settings) const
    {
        return {settings.DataDbPath, settingsFile(), stationIni()};
    }

    // A database path of the settings file: a relative one names a file of
    // this folder, whatever folder the program runs in.
    QString resolve(const QString &path) const;

    // The settings file into `settings`, with StartFolder set and the database
    // paths resolved. On failure `settings` keeps what it held.
    bool loadSettings(StationSettings &settings, QString *error) const;

    // Where the gate log's rows wait while its database does not take them.
    static QString spoolOf(const QString &gateDbPath);

private:
    QString m_path;
};
