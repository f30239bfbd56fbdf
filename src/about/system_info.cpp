#include "system_info.h"

#include <QtEndian>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace SystemInfo {

Registry machineRegistry()
{
#ifdef Q_OS_WIN
    return [](const QString &key, const QString &name) -> std::optional<RegistryValue> {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, reinterpret_cast<LPCWSTR>(key.utf16()), 0, KEY_READ,
                          &handle) != ERROR_SUCCESS)
            return std::nullopt;
        DWORD type = 0;
        QByteArray buffer(1024, '\0');
        DWORD length = DWORD(buffer.size());
        const LONG result = RegQueryValueExA(handle, name.toLocal8Bit().constData(), nullptr, &type,
                                             reinterpret_cast<LPBYTE>(buffer.data()), &length);
        RegCloseKey(handle);
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        buffer.truncate(int(length));
        return RegistryValue{type, buffer};
    };
#else
    return [](const QString &, const QString &) { return std::optional<RegistryValue>(); };
#endif
}

bool GetKeyValue(const Registry &registry, const QString &keyName, const QString &valueName,
                 QString &keyVal)
{
    const auto value = registry(keyName, valueName);
    if (!value) {
        keyVal.clear();
        return false;
    }
    QByteArray data = value->data.left(1024);
    if (value->type == StringValue) {
        if (!data.isEmpty() && data.back() == '\0')
            data.chop(1);
        keyVal = QString::fromLocal8Bit(data);
    } else if (value->type == DoubleWordValue && data.size() >= 4) {
        keyVal = QString::number(qFromLittleEndian<quint32>(data.constData()));
    }
    return true;
}

QStringList candidates(const Registry &registry,
                       const std::function<bool(const QString &)> &fileExists,
                       const std::function<QString(const QString &)> &findOnPath)
{
    QString path;
    if (GetKeyValue(registry, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO"),
                    QStringLiteral("PATH"), path))
        return {path};
    QString folder;
    if (GetKeyValue(registry, QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location"),
                    QStringLiteral("MSINFO"), folder)) {
        const QString program = folder + QStringLiteral("\\MSINFO32.EXE");
        if (fileExists(program))
            return {program};
    }
    QStringList found;
    for (const QString &tool : knownTools()) {
        const QString program = findOnPath(tool);
        if (!program.isEmpty())
            found << program;
    }
    return found;
}

QStringList knownTools()
{
    return {QStringLiteral("hardinfo2"), QStringLiteral("hardinfo"), QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"), QStringLiteral("xfce4-taskmanager")};
}

} // namespace SystemInfo
