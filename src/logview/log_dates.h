#pragma once

#include <QDateTime>
#include <optional>

// `days` calendar days before `now`, same time of day; none for a day count
// the settings rules call unusable (-32768).
std::optional<QDateTime> daysBefore(const QDateTime &now, qint16 days);
