#pragma once

#include "pty_device.h"
#include "virtual_relay_board.h"

#include <QObject>
#include <QString>

// The gate's hardware played on pseudo-terminals: keypad 1 on port 1, the
// relay board on port 2 and keypad 2 on port 3, as the demo settings name them.
class VirtualGate : public QObject {
    Q_OBJECT

public:
    explicit VirtualGate(QObject *parent = nullptr);

    bool isValid() const;
    // Writes the devices into the folder's comports.ini, keeping an earlier
    // file as comports.ini.bak; false with the reason when it cannot.
    bool publish(const QString &startFolder, QString *error) const;

    // A key press on keypad 1 or 2: '0'-'9', '*' and '#' (the clear keys), or
    // one of the pad's letters. False for a key the pad does not have.
    bool press(int keypad, QChar key);

    VirtualRelayBoard relay;
    PtyDevice keypad1;
    PtyDevice keypad2;
};
