#include "station_folder.h"

#include "settings_file.h"

#include <QDir>

StationFolder::StationFolder(const QString &path)
    : m_path(QDir::toNativeSeparators(QDir(path).absolutePath()))
{}

QString StationFolder::file(const QString &name) const
{
    return inStartFolder(m_path, name);
}

QString StationFolder::resolve(const QString &path) const
{
    if (path.isEmpty() || QDir::isAbsolutePath(path))
        return path;
    return QDir::toNativeSeparators(QDir(m_path).absoluteFilePath(path));
}

bool StationFolder::loadSettings(StationSettings &settings, QString *error) const
{
    StationSettings loaded = settings;
    if (!SettingsFile::load(settingsFile(), loaded, error))
        return false;
    loaded.StartFolder = m_path;
    loaded.DataDbPath = resolve(loaded.DataDbPath);
    loaded.GateDbPath = resolve(loaded.GateDbPath);
    settings = loaded;
    return true;
}

QString StationFolder::spoolOf(const QString &gateDbPath)
{
    return gateDbPath.isEmpty() ? QString() : gateDbPath + QStringLiteral(".spool");
}
