#pragma once

#include "access/gate_attempt.h"

#include <QWidget>

class GateStation;
class QLabel;
class QLineEdit;
class QPushButton;

// The gate at the desk: the operator's code box and "Check Code", each
// keypad's entry (masked) or lockout, "Lift Keypad Lockout", and the relay
// buttons, the one of the last command sent in yellow.
class GatePanel : public QWidget {
    Q_OBJECT

public:
    explicit GatePanel(GateStation &station, QWidget *parent = nullptr);

    // The code box takes the keyboard again after an operator's action.
    void ready();

public slots:
    void cmdCheckCode_Click();
    void cmdRelayOn_Click();
    void cmdRelayOff_Click();
    void cmdLiftLockout_Click();

private:
    void checked(int keypad, const GateAttempt::Outcome &outcome);
    void markRelayButton(bool on);
    void showLockouts(bool anyLocked);

    GateStation &m_station;
    QLineEdit *txtCheckCode = nullptr;
    QLabel *lblKeypadEntry[2] = {};
    QPushButton *cmdLiftLockout = nullptr;
    QPushButton *cmdCheckCode = nullptr;
    QPushButton *cmdRelayOff = nullptr;
    QPushButton *cmdRelayOn = nullptr;
};
