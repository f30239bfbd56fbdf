#pragma once

#include <QDateTime>

// The station's wall clock. The window reads it once per operation and passes
// "now" on; tests pin it, so no test depends on today's date or on midnight.
namespace Clock {

QDateTime now();

// Tests: from now on now() answers `when`, until unpinned.
void pin(const QDateTime &when);
void unpin();

} // namespace Clock
