#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class QLabel;
class VirtualGate;

// The virtual gate on screen: two keypads of twelve keys and a gate lamp that
// lights while the relay is energised.
class GateSimWindow : public QWidget {
    Q_OBJECT

public:
    explicit GateSimWindow(VirtualGate &gate, QWidget *parent = nullptr);

private:
    QWidget *buildKeypad(int keypad, const QString &title);
    void showRelay(bool energised, qint64 heldMs);

    VirtualGate &m_gate;
    QLabel *m_lamp = nullptr;
    QLabel *m_state = nullptr;
    QElapsedTimer m_open;
    QTimer m_tick;
};
