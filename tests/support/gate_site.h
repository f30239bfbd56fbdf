#pragma once

#include "gate/gate_station.h"
#include "start_folder.h"
#include "support/recorded_relay_board.h"

#include <memory>

// A whole site for the station: start folder with databases, a relay board on
// port 2 and keypads on ports 1 and 3, all on pseudo-terminals.
struct GateSite {
    StartFolder folder;
    RecordedRelayBoard relay;
    PtyDevice keypad1;
    PtyDevice keypad2;
    StationSettings settings;

    GateSite();

    // Which devices ports 1, 2 and 3 are.
    void mapPorts(const QString &port1, const QString &port2, const QString &port3) const;
    // Writes the settings and makes a station on the folder; its status
    // server listens where `listen` says ("127.0.0.1:0": a free port), or not at all.
    std::unique_ptr<GateStation> make(const QString &listen = {});
    // The same, started.
    std::unique_ptr<GateStation> start(const QString &listen = {});

    // Rows of the gate log, oldest first, each as its code and location: "1234/In".
    QStringList logRows() const;
};

// Keys typed on keypad 0 or 1 of a station, as its port would hand them over.
inline void press(GateStation &station, int keypad, const QByteArray &keys)
{
    station.MSCommScanner_OnComm(keypad, keys);
}
