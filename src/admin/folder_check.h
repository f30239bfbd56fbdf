#pragma once

#include <QList>
#include <QString>

// gatectl check: what an installer must know about a station folder, as the
// station would meet it, run as the user it runs as.
namespace FolderCheck {

struct Finding {
    bool ok = true;
    QString what;
    QString fix; // what mends a problem
};

// The settings items, station.ini, the lock, each table of both databases, a
// log row the gate database must take, and each serial port: whether its
// device exists, this user may open it and, for the relay board, whether it
// answers the status query.
QList<Finding> run(const QString &folder);

// "ok: ..." or "PROBLEM: ... -> fix: ...".
QString line(const Finding &finding);

// Who may open a serial device this user could not open.
struct DeviceAccess {
    QString user;
    QString device;                // the device node, symbolic links followed
    QString group;                 // the node's group
    bool groupReadWrite = false;   // its mode lets the group read and write
    bool userInDialout = false;    // the group database lists the user in dialout
    bool sessionInDialout = false; // this process runs with dialout
};

// The careful administrator's answer: the dialout group for a device of that
// group, a udev rule for any other (never a privileged group for the user).
QString deviceAccessFix(const DeviceAccess &access);

} // namespace FolderCheck
