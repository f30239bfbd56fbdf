#pragma once

#include "log_report.h"

class QPrinter;

// Prints a report in the fixed-pitch report font at 8 points: its first-page
// lines, then on every page its headings over as many lines as fit and
// "Page N" at the foot; lines are never cut. False, with the reason, when the
// printer does not take the document or the lines cannot be read.
bool printReport(QPrinter &printer, const LogReport &report, QString *error);
