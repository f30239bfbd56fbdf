#pragma once

#include <QDateTime>
#include <QList>
#include <QString>

#include "timezones/zone_row.h"

// Rows as the decision reads them: every column as its text, empty for NULL.
struct UnitRow {
    QString gateCode;
    QString firstName;
    QString lastName;
    QString status;
    QString unitName;
    QString custId;
    QString timeZone;
    QString expireDate;
    QString exclude;
};

struct MasterRow {
    QString id;
    QString passCode;
    QString firstName;
    QString lastName;
    QString unitNumber;
    QString timeZone;
    QString expireDate;
};

struct AccessVerdict {
    QString result; // the result word logged
    bool grant = false;
    QString failure; // set when the rows cannot be decided: nothing may be logged or opened

    bool failed() const { return !failure.isEmpty(); }
};

// Whether an entry may be decided at all: only a text of the digits 0-9.
bool isCodeEntry(const QString &entry);

// The rules for a matched unit and for a matched master code. `zones` is the
// time-zone table in its order (by zone number); the first row whose zone text
// equals the row's zone text is its zone.
AccessVerdict decideUnit(const UnitRow &unit, const QList<ZoneRow> &zones, const QDateTime &now);
AccessVerdict decideMaster(const MasterRow &master, const QList<ZoneRow> &zones,
                           const QDateTime &now);

// Only these two statuses, exactly, let a unit's customer in.
bool statusOpensGate(const QString &status);

// How the rules read an expiry text: "000000" and any length but six are none.
enum class ExpiryKind { None, Date, NotADate };
ExpiryKind expiryKind(const QString &text, const QDate &today);

// A six-character MMDDYY expiry. A two-digit year is 20YY unless that lies more
// than 50 years after `today`'s year, then 19YY.
std::optional<QDate> expiryDate(const QString &mmddyy, const QDate &today);
