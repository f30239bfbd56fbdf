#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// gatectl's commands for keeping a site running: backup, restore and check.
namespace Maintenance {

// Their part of gatectl --help, with gatectl's exit codes.
QString help();

// Runs `command` with its arguments when it is one of them; none for another command.
std::optional<int> run(const QString &command, const QStringList &arguments);

} // namespace Maintenance
