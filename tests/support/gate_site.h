#pragma once

#include "start_folder.h"
#include "station/gate_window.h"
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
    // Writes the settings and starts the station in the folder.
    std::unique_ptr<GateWindow> start();

    // Rows of the gate log, oldest first, each as its code and location: "1234/In".
    QStringList logRows() const;
};
