#pragma once

#include <QString>
#include <QStringList>

// Making station folders and their databases; the station itself never does.
namespace FolderSetup {

// The statements of an SQL script, comments removed.
QStringList sqlStatements(const QString &script);

// The built-in table definitions: "customer.sql" or "gate.sql".
QString schema(const QString &name);

// Creates a database file holding the tables of the given schemas; refuses an existing file.
bool createDatabase(const QString &path, const QStringList &schemaNames, QString *error);

// A new station folder: settings with the default values (code length 4,
// keypad 2 on port 3 as the virtual gate has it), empty customer and gate
// databases, and a commented comports.ini for the installer to edit (an
// existing one is kept). Refuses to overwrite any of the others.
bool init(const QString &folder, QStringList *created, QString *error);

} // namespace FolderSetup
