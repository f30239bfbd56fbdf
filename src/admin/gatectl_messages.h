#pragma once

#include "service/command_line.h"

#include <QTextStream>

// How gatectl's commands end on a problem: a line on stderr and the exit code.
namespace Gatectl {

inline int usageError(const QString &text)
{
    QTextStream(stderr) << "gatectl: " << text << "\nTry 'gatectl --help'.\n";
    return CommandLine::Usage;
}

inline int failed(const QString &text)
{
    QTextStream(stderr) << "gatectl: " << text << "\n";
    return CommandLine::Failed;
}

} // namespace Gatectl
