#pragma once

#include "settings/settings_form.h"

#include <QGroupBox>
#include <QMap>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;

// The settings frame "Setting": a box per stored setting, the default and
// browse buttons, and the places of the time-zone editor, the purge date and
// the relay status query. The window decides what the buttons do.
class SettingsScreen : public QGroupBox {
    Q_OBJECT

public:
    SettingsScreen(QWidget *zoneEditor, QWidget *parent = nullptr);

    SettingsForm form() const;
    // Sets the boxes the form names; the others keep their texts.
    void setForm(const SettingsForm &form);

    QCheckBox *ckMinimizeAtStartup = nullptr;
    QPushButton *cmdSettingClose = nullptr;
    QPushButton *cmdDefault[4] = {};
    QPushButton *cmdGetPath[2] = {};
    QPushButton *cmdRelayStatus = nullptr;
    QLabel *Label1 = nullptr;
    QDateTimeEdit *purgeDate = nullptr; // DTPicker1(4)
    QPushButton *cmdClearLog = nullptr;

private:
    QWidget *buildGroup(const QString &caption, int defaultIndex);
    QWidget *buildFrameBoxes();
    QWidget *buildRelayStatus();
    QWidget *buildPurge();
    QLineEdit *makeBox(const SettingsBox &box, QWidget *parent);
    QLabel *makeLabel(const SettingsBox &box, QWidget *parent);

    QMap<QString, QLineEdit *> m_boxes;
};
