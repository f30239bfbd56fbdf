#pragma once

#include <QString>

// The device of a serial port number: the entry of the [ports] section of
// comports.ini in the start folder ("1=/dev/ttyUSB0"), otherwise the platform's
// own name (/dev/ttyS{n-1} on Linux, COMn on Windows).
struct SerialDevice {
    QString path;
    bool fromPortMap = false; // false: the platform's name for the number
};

SerialDevice serialDeviceFor(int portNumber, const QString &startFolder);
