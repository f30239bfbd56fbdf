#pragma once

#include "gate_log_follower.h"

#include <QObject>
#include <QQueue>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

class VirtualGate;

// The virtual gate in a terminal: each line typed is pressed on a keypad, one
// key at a time (keypad 1, or keypad 2 when the line starts with "2:"), and
// every relay change, decision and lockout is printed with the time.
class TtyConsole : public QObject {
    Q_OBJECT

public:
    TtyConsole(VirtualGate &gate, const QString &startFolder, QObject *parent = nullptr);

    void printBanner(const QString &startFolder);

private:
    void readLine();
    void pressNext();
    void say(const QString &text);

    VirtualGate &m_gate;
    GateLogFollower m_log;
    QSocketNotifier m_input;
    QTextStream m_out;
    QQueue<QPair<int, QChar>> m_keys;
    QTimer m_typing;
    bool m_inputEnded = false;
};
