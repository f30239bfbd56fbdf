#include "gate_panel.h"

#include "gate/gate_station.h"
#include "widgets/named_widgets.h"
#include "widgets/prompts.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

// The relay button of the last command sent.
const QColor LightYellow(255, 255, 128);

} // namespace

GatePanel::GatePanel(GateStation &station, QWidget *parent)
    : QWidget(parent)
    , m_station(station)
{
    txtCheckCode = new QLineEdit(this);
    txtCheckCode->setObjectName(QStringLiteral("txtCheckCode"));
    cmdCheckCode = namedButton(QStringLiteral("cmdCheckCode"), QStringLiteral("Check Code"), this);
    cmdLiftLockout =
        namedButton(QStringLiteral("cmdLiftLockout"), QStringLiteral("Lift Keypad Lockout"), this);
    cmdRelayOff = namedButton(QStringLiteral("cmdRelayOff"), QStringLiteral("Relay Off"), this);
    cmdRelayOn = namedButton(QStringLiteral("cmdRelayOn"), QStringLiteral("Relay On"), this);
    // Pairs side by side leave the narrow column room for the whole filter list.
    auto pair = [](QWidget *left, QWidget *right) {
        auto *row = new QHBoxLayout;
        row->addWidget(left);
        row->addWidget(right);
        return row;
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(pair(txtCheckCode, cmdCheckCode));
    for (int keypad : {0, 1}) {
        lblKeypadEntry[keypad] = new QLabel(station.entryText(keypad), this);
        lblKeypadEntry[keypad]->setObjectName(QStringLiteral("lblKeypadEntry(%1)").arg(keypad));
        // "Keypad 2: locked until 09:41:00" is wider than the column.
        lblKeypadEntry[keypad]->setWordWrap(true);
        layout->addWidget(lblKeypadEntry[keypad]);
    }
    layout->addWidget(cmdLiftLockout);
    layout->addLayout(pair(cmdRelayOff, cmdRelayOn));
    showLockouts(station.anyKeypadLocked());

    connect(cmdLiftLockout, &QPushButton::clicked, this, &GatePanel::cmdLiftLockout_Click);
    connect(cmdCheckCode, &QPushButton::clicked, this, &GatePanel::cmdCheckCode_Click);
    connect(cmdRelayOn, &QPushButton::clicked, this, &GatePanel::cmdRelayOn_Click);
    connect(cmdRelayOff, &QPushButton::clicked, this, &GatePanel::cmdRelayOff_Click);
    connect(&station, &GateStation::entryChanged, this,
            [this](int keypad, const QString &text) { lblKeypadEntry[keypad]->setText(text); });
    connect(&station, &GateStation::lockoutsChanged, this, &GatePanel::showLockouts);
    connect(&station, &GateStation::relaySwitched, this, &GatePanel::markRelayButton);
    connect(&station, &GateStation::decided, this, &GatePanel::checked);
}

void GatePanel::ready()
{
    cmdCheckCode->setEnabled(true);
    txtCheckCode->setFocus();
}

// Decided like a keypad code, at the desk, perhaps a moment later when the
// customer database is busy; a code that got its row leaves the box.
void GatePanel::cmdCheckCode_Click()
{
    cmdCheckCode->setEnabled(false);
    m_station.checkCode(txtCheckCode->text());
}

void GatePanel::checked(int keypad, const GateAttempt::Outcome &outcome)
{
    if (keypad >= 0)
        return;
    if (outcome.status == GateAttempt::Outcome::Logged)
        txtCheckCode->clear();
    ready();
}

void GatePanel::cmdRelayOn_Click()
{
    if (!m_station.relayOnByHand())
        Prompts::message(this, QStringLiteral("Relay On Port Not Open?"));
}

void GatePanel::cmdRelayOff_Click()
{
    m_station.relayOffByHand();
}

void GatePanel::cmdLiftLockout_Click()
{
    QStringList locked;
    for (int number : m_station.lockedKeypads())
        locked << QString::number(number);
    if (locked.isEmpty() || !Prompts::question(this,
                                               QStringLiteral("Lift the lockout of keypad %1 now?")
                                                   .arg(locked.join(QStringLiteral(" and "))),
                                               QStringLiteral("Lift Keypad Lockout")))
        return;
    m_station.liftLockouts();
}

void GatePanel::markRelayButton(bool on)
{
    const QColor buttonFace = QApplication::palette().color(QPalette::Button);
    for (QPushButton *b : {cmdRelayOn, cmdRelayOff}) {
        QPalette palette = b->palette();
        palette.setColor(QPalette::Button, (b == cmdRelayOn) == on ? LightYellow : buttonFace);
        b->setPalette(palette);
    }
    txtCheckCode->setFocus();
}

void GatePanel::showLockouts(bool anyLocked)
{
    cmdLiftLockout->setEnabled(anyLocked);
}
