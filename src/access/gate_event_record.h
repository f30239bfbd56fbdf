#pragma once

#include "access_rules.h"

#include <QDateTime>
#include <QSqlDatabase>
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

// Master codes are logged with customer IDs from this number up.
inline constexpr qint64 MasterIdBase = 10000000;

GateEvent unitEvent(const QString &code, const QString &location, const UnitRow &unit,
                    const QString &result);
// None when the master's ID is not a number.
std::optional<GateEvent> masterEvent(const QString &code, const QString &location,
                                     const MasterRow &master, const QString &result);
GateEvent invalidEvent(const QString &code, const QString &location);

// Recording takes two steps around the opening of the gate. The first takes the
// gate log's write lock, so a locked or unwritable log refuses the attempt
// before the gate opens; the second appends the row stamped `when` and commits
// it (or gives the lock back on failure).
bool beginGateEvent(const QSqlDatabase &gateDb, QString *error);
bool commitGateEvent(const QSqlDatabase &gateDb, const GateEvent &event, const QDateTime &when,
                     QString *error);
