#pragma once

#include <QDateTime>

// The station's wall clock. The window reads it once per operation and passes
// "now" on; tests pin it, so no test depends on today's date or on midnight.
namespace Clock {

QDateTime now();
// Milliseconds that only ever go forward, whatever the wall clock does: for
// spans of time such as a lockout.
qint64 monotonicMs();

// Tests: from now on now() answers `when`, and monotonicMs() `ms`, until unpinned.
void pin(const QDateTime &when);
void pinMonotonic(qint64 ms);
void unpin();

} // namespace Clock
