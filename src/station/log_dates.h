#pragma once

#include <QDateTime>
#include <optional>

// `days` calendar days before `now`, same time of day. The day count is negated
// as a signed 16-bit value, so -32768 has no answer.
std::optional<QDateTime> daysBefore(const QDateTime &now, qint16 days);
