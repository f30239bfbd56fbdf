#include "virtual_gate.h"

#include "common/error_text.h"

#include "access/keypad_keys.h"
#include "serial/port_map.h"
#include "settings/station_folder.h"

#include <QFile>
#include <QSaveFile>

VirtualGate::VirtualGate(QObject *parent)
    : QObject(parent)
{}

bool VirtualGate::isValid() const
{
    return relay.isValid() && keypad1.isValid() && keypad2.isValid();
}

bool VirtualGate::publish(const QString &startFolder, QString *error) const
{
    const QString name = StationFolder(startFolder).portMap();
    const QString backup = name + QStringLiteral(".bak");
    if (QFile::exists(name)) {
        QFile::remove(backup);
        QFile::copy(name, backup);
    }
    QSaveFile file(name);
    const QByteArray content =
        QStringLiteral("[ports]\n1=%1\n2=%2\n3=%3\n")
            .arg(keypad1.devicePath(), relay.devicePath(), keypad2.devicePath())
            .toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(content) < 0 || !file.commit()) {
        setError(error, QStringLiteral("cannot write %1: %2").arg(name, file.errorString()));
        return false;
    }
    return true;
}

bool VirtualGate::press(int keypad, QChar key)
{
    const auto letter = keypadLetter(key);
    if (!letter)
        return false;
    (keypad == 2 ? keypad2 : keypad1).write(QByteArray(1, *letter));
    return true;
}
