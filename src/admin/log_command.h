#pragma once

#include <QString>
#include <QStringList>

class QIODevice;

// "gatectl log": the gate log of a station folder over a date range, as the
// station's log view selects it, as a text table or as CSV.
namespace LogCommand {

// Its part of gatectl --help.
QString help();

// Writes to `out`; problems go to stderr. gatectl's exit code.
int run(const QStringList &arguments, QIODevice &out);

} // namespace LogCommand
