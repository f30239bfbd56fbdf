#pragma once

#include "station_settings.h"

#include <QString>
#include <limits>
#include <utility>

// The one place that says which settings values the station can use. A value
// can fit its field's type (the file stores a byte 0-255) and still be
// unusable: the file loader takes what fits, the settings screen refuses what
// is unusable, and the users of a value check it here.
namespace SettingsRules {

// The pause after a grant is computed in signed 16-bit milliseconds.
inline constexpr int MaxRelayCloseSeconds = std::numeric_limits<qint16>::max() / 1000;

// Day counts are negated when used, and the lowest 16-bit value has no negative.
bool usableDayCount(qint16 days);

// The values a number field's type holds.
std::pair<qint64, qint64> storableRange(const SettingsField &field);
// The values of a number field the station can use.
std::pair<qint64, qint64> usableRange(const SettingsField &field);

// Why the field's value cannot be used: a hold time above 32 seconds, a day
// count of -32768, a text or letter holding a double quote (the file format
// cannot carry one). Empty when it can.
QString unusable(const StationSettings &settings, const SettingsField &field);

// What the field takes, for the operator: "a whole number from 0 to 32".
QString allowed(const SettingsField &field);

} // namespace SettingsRules
