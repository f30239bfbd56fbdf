#pragma once

#include "data/station_data.h"
#include "gate_log_writer.h"
#include "settings/station_settings.h"

#include <QDateTime>
#include <QString>
#include <functional>

// One attempt at the gate, from a keypad or the operator's check: look the code
// up, apply the rules, open the gate for a grant, write the row (or spool it
// when the log does not take it at once). "Now" comes in, so the decision and
// the row's stamp are one reading of the clock.
class GateAttempt {
public:
    // Opens the gate for a grant: relay on, pause armed; false when the relay
    // could not be switched on.
    using OpenGate = std::function<bool()>;

    struct Outcome {
        enum Status {
            Logged,     // decided, its row in the log or, when `why` says so, in the spool
            Unread,     // the customer database could not be read now: nothing opened, no row
            NotDecided, // no row; `why` says why (the gate may have opened)
            Skipped,    // the station is exiting: nothing read, nothing opened
        };
        Status status = Skipped;
        bool granted = false;
        bool opened = false; // the relay went on
        QString result;      // the result word decided
        QString who;         // whom the row names: whoOf its event
        QString why;
        QString notChecked; // why the code was refused unchecked (result "Not Checked")
    };

    GateAttempt(StationData &data, GateLogWriter &log, const StationSettings &settings,
                OpenGate openGate);

    Outcome run(const QString &code, const QString &location, const QDateTime &now);
    // The code refused without a decision, because of `why` (its data could
    // not be read or makes no sense): a row of its own, the gate shut.
    Outcome refuseUnchecked(const QString &code, const QString &location, const QDateTime &now,
                            const QString &why);

private:
    Outcome logged(const GateEvent &event, const QDateTime &now, Outcome outcome);

    StationData &m_data;
    GateLogWriter &m_log;
    const StationSettings &m_settings;
    OpenGate m_openGate;
};
