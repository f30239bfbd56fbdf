#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// The words a decision writes into the log's result column, defined once: the
// rules write them, the log filters match them.
namespace ResultWords {

inline const QString Valid = QStringLiteral("Valid");
inline const QString Exclude = QStringLiteral("Exclude");
inline const QString LockedOut = QStringLiteral("Locked Out");
inline const QString AfterHours = QStringLiteral("After Hours");
inline const QString Invalid = QStringLiteral("Invalid");
// The station started after it had stopped with the relay on.
inline const QString Restarted = QStringLiteral("Restarted");
// A keypad stopped deciding after too many refused codes.
inline const QString PadLocked = QStringLiteral("Pad Locked");
// A code refused without a decision: its data could not be read, or makes no sense.
inline const QString NotChecked = QStringLiteral("Not Checked");
// The operator switched the relay on or off by hand.
inline const QString ManualOpen = QStringLiteral("Manual Open");
inline const QString ManualClose = QStringLiteral("Manual Close");
// Every word that makes a whole result by itself, for selecting rows by it.
inline const QStringList Whole = {Valid,     Exclude,   LockedOut,  AfterHours,  Invalid,
                                  Restarted, PadLocked, ManualOpen, ManualClose, NotChecked};
// Words earlier versions wrote (cut by the 12-character result column), each
// with the word that replaced it: stored logs still hold them.
inline const QHash<QString, QString> Former = {{QStringLiteral("Keypad Locked"), PadLocked}};
// Followed by the expiry date as m/d/yy.
inline const QString ExpiredPrefix = QStringLiteral("Exp ");
// Followed by the zone text of a zone the table lacks.
inline const QString TimeZonePrefix = QStringLiteral("TimeZone ");

} // namespace ResultWords
