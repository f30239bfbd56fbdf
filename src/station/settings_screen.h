#pragma once

#include "settings/settings_form.h"

#include <QGroupBox>
#include <QMap>

class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The settings frame "Setting": a box per stored setting, the default and
// browse buttons, and the places of the time-zone editor, the purge date and
// the relay status query, on tabs so that it fits an 800x600 window. The
// window decides what the buttons do.
class SettingsScreen : public QGroupBox {
    Q_OBJECT

public:
    SettingsScreen(QWidget *zoneEditor, QWidget *parent = nullptr);

    SettingsForm form() const;
    // Sets the boxes the form names; the others keep their texts. Clears the marks.
    void setForm(const SettingsForm &form);
    // Shows the box's tab, marks the box and gives it the focus.
    void markInvalid(const QString &boxName);

    QCheckBox *ckMinimizeAtStartup = nullptr;
    QPushButton *cmdSettingClose = nullptr;
    QPushButton *cmdSettingCancel = nullptr;
    QPushButton *cmdDefault[4] = {};
    QPushButton *cmdGetPath[2] = {};
    QPushButton *cmdRelayStatus = nullptr;
    QLabel *Label1 = nullptr;
    QDateTimeEdit *purgeDate = nullptr; // DTPicker1(4)
    QPushButton *cmdClearLog = nullptr;

private:
    QWidget *buildPortsTab();
    QWidget *buildLogTab(QWidget *zoneEditor);
    QWidget *buildGroup(const QString &caption, int defaultIndex);
    QWidget *buildFrameBoxes();
    QWidget *buildRelayStatus();
    QWidget *buildPurge();
    QLineEdit *makeBox(const SettingsBox &box, QWidget *parent);
    QLabel *makeLabel(const SettingsBox &box, QWidget *parent);

    QMap<QString, QLineEdit *> m_boxes;
    QTabWidget *m_tabs = nullptr;
};
