#pragma once

#include <QString>

// One timestamped line on stderr for each thing a service's journal should
// tell, and a count of faults: nobody watches the window of an unattended gate.
namespace StationLog {

void line(const QString &text);

// A line that starts "fault:", counted.
void fault(const QString &text);
qint64 faultCount();

// What a journal may show of a gate code: its last two digits.
QString masked(const QString &code);

} // namespace StationLog
