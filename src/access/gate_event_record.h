#pragma once

#include "access_rules.h"

#include <optional>

// One attempt as the gate log records it.
struct GateEvent {
    QString code;
    QString location; // the keypad's location word, stored in fldZone
    QString result;
    QString customer;
    QString unitNumber;
    QString custId;
};

// The location word of what the operator does at the station: a Check Code,
// Relay On, Relay Off. It fits the log's 5-character zone column.
inline const QString OfficeLocation = QStringLiteral("Desk");

// Master codes are logged with customer IDs from this number up.
inline constexpr qint64 MasterIdBase = 10000000;

GateEvent unitEvent(const QString &code, const QString &location, const UnitRow &unit,
                    const QString &result);
// None when the master's ID is not a number.
std::optional<GateEvent> masterEvent(const QString &code, const QString &location,
                                     const MasterRow &master, const QString &result);
GateEvent invalidEvent(const QString &code, const QString &location);
// A code refused without a decision, whose rows the station could not read.
GateEvent notCheckedEvent(const QString &code, const QString &location);
// The row of a start after the station stopped with the relay on (a crash or a
// power cut): the gate may have stood open meanwhile.
GateEvent restartEvent();
// The row of a keypad that stopped deciding after `refusals` refused codes.
GateEvent keypadLockedEvent(const QString &location, int refusals);
// The row of the operator switching the relay on (the gate held open) or off by hand.
GateEvent manualRelayEvent(bool on);

// Whom an attempt's row names: "Lovelace, Ada, unit A101"; empty for an
// invalid code, whose name and unit only repeat the result.
QString whoOf(const GateEvent &event);
