#pragma once

#include <QStringList>

// "gatectl fleet ...": the office's commands on the fleet database.
namespace FleetCommands {

// Their part of gatectl --help.
QString help();

// gatectl's exit code for "fleet" with these arguments.
int run(const QStringList &arguments);

} // namespace FleetCommands
