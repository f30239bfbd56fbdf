#pragma once

#include <QString>
#include <QStringList>

class QPrinter;

// Prints text lines in the fixed-pitch report font at 8 points, starting a new
// page when one is full; lines are never cut. False, with the reason, when the
// printer does not take the document.
bool printReport(QPrinter &printer, const QStringList &lines, QString *error);
