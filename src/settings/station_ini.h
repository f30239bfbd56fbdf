#pragma once

#include <QString>
#include <QStringList>

// Settings the 29-item file does not hold, from the optional station.ini beside
// it (INI format, one section per subsystem). Every key has a default, and no
// file means all defaults.
struct StationIni {
    int entryIdleSeconds = 10; // [keypad] EntryIdleSeconds: a partial keypad entry is forgotten
    // [keypad] LockoutAfter (0: no lockout), LockoutWindowSeconds, LockoutSeconds
    int lockoutAfter = 5;
    int lockoutWindowSeconds = 120;
    int lockoutSeconds = 300;

    // A value that cannot be used keeps its default and is named in `problems`.
    static StationIni load(const QString &startFolder, QStringList *problems);
};

QString stationIniFileName(const QString &startFolder);
