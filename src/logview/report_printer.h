#pragma once

#include "log_report.h"

class QPrinter;

// Prints text lines in the fixed-pitch report font at 8 points, starting a new
// page when one is full; lines are never cut. False, with the reason, when the
// printer does not take the document or the lines cannot be read.
bool printReport(QPrinter &printer, const ReportLines &lines, QString *error);
