#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// Finding the platform's system-information tool. Windows names it in the
// registry; elsewhere a known tool found on the PATH stands in.
namespace SystemInfo {

inline constexpr quint32 StringValue = 1;     // REG_SZ
inline constexpr quint32 DoubleWordValue = 4; // REG_DWORD

struct RegistryValue {
    quint32 type = 0;
    QByteArray data; // as stored, at most 1024 bytes are read
};

// A value under HKEY_LOCAL_MACHINE by key path and value name; none when it cannot be read.
using Registry =
    std::function<std::optional<RegistryValue>(const QString &key, const QString &name)>;

// The machine's registry; on platforms without one, a registry that holds nothing.
Registry machineRegistry();

// Reads one value into keyVal: a string as stored (a final zero byte dropped,
// so strings stored with and without it read alike),
// a double word as its decimal number; any other type leaves keyVal as it was.
// False, with keyVal emptied, when the value cannot be read.
bool GetKeyValue(const Registry &registry, const QString &keyName, const QString &valueName,
                 QString &keyVal);

// What StartSysInfo tries to start, in order. The registry's program path is
// the only candidate when present; then MSINFO32.EXE in the registry's folder
// when that file exists; otherwise the known tools found by `findOnPath`.
QStringList candidates(const Registry &registry,
                       const std::function<bool(const QString &)> &fileExists,
                       const std::function<QString(const QString &)> &findOnPath);

// Tools that show the system's information on desktops without the registry entries.
QStringList knownTools();

} // namespace SystemInfo
