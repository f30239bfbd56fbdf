#include "gate_sim_window.h"

#include "virtual_gate.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString LampOff = QStringLiteral("background: #555; border-radius: 30px;");
const QString LampOn = QStringLiteral("background: #3c3; border-radius: 30px;");

} // namespace

GateSimWindow::GateSimWindow(VirtualGate &gate, QWidget *parent)
    : QWidget(parent)
    , m_gate(gate)
{
    setObjectName(QStringLiteral("gateSim"));
    setWindowTitle(QStringLiteral("Virtual Gate"));
    m_lamp = new QLabel(this);
    m_lamp->setFixedSize(60, 60);
    m_lamp->setStyleSheet(LampOff);
    m_state = new QLabel(QStringLiteral("Gate closed"), this);
    m_state->setObjectName(QStringLiteral("gateState"));

    auto *keypads = new QHBoxLayout;
    keypads->addWidget(buildKeypad(1, QStringLiteral("Keypad 1 (port 1)")));
    keypads->addWidget(buildKeypad(2, QStringLiteral("Keypad 2 (port 3)")));
    auto *lamp = new QHBoxLayout;
    lamp->addWidget(m_lamp);
    lamp->addWidget(m_state, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(keypads);
    layout->addLayout(lamp);

    m_tick.setInterval(100);
    connect(&m_tick, &QTimer::timeout, this, [this] {
        m_state->setText(
            QStringLiteral("Gate open for %1 s").arg(m_open.elapsed() / 1000.0, 0, 'f', 1));
    });
    connect(&m_gate.relay, &VirtualRelayBoard::relayChanged, this, &GateSimWindow::showRelay);
}

QWidget *GateSimWindow::buildKeypad(int keypad, const QString &title)
{
    auto *box = new QGroupBox(title, this);
    auto *grid = new QGridLayout(box);
    const QString keys = QStringLiteral("123456789*0#");
    for (int i = 0; i < keys.size(); ++i) {
        auto *key = new QPushButton(keys.at(i), box);
        key->setObjectName(QStringLiteral("keypad%1_%2").arg(keypad).arg(keys.at(i)));
        key->setFixedSize(48, 40);
        const QChar pressed = keys.at(i);
        connect(key, &QPushButton::clicked, this,
                [this, keypad, pressed] { m_gate.press(keypad, pressed); });
        grid->addWidget(key, i / 3, i % 3);
    }
    return box;
}

void GateSimWindow::showRelay(bool energised, qint64 heldMs)
{
    m_lamp->setStyleSheet(energised ? LampOn : LampOff);
    if (energised) {
        m_open.start();
        m_tick.start();
        return;
    }
    m_tick.stop();
    m_state->setText(QStringLiteral("Gate closed (was open %1 s)").arg(heldMs / 1000.0, 0, 'f', 1));
}
