#pragma once

#include "station_settings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// gatesystem.dat: one line of 29 comma-separated items, ended by CR LF.
namespace SettingsFile {

inline constexpr int ItemCount = 29;

// The exact file content for the stored fields of a record.
QByteArray format(const StationSettings &settings);

// Reads the 29 items of a file's content into the stored fields of `settings`.
// On failure `settings` is left unchanged and `error` says which item failed.
bool parse(const QByteArray &content, StationSettings &settings, QString *error);

bool load(const QString &fileName, StationSettings &settings, QString *error);

// Replaces the file whole (written beside it, then renamed), so a failure keeps the old one.
// A text field holding a double quote is refused: the format cannot carry it.
bool save(const QString &fileName, const StationSettings &settings, QString *error);

} // namespace SettingsFile
