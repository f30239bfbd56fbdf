#pragma once

#include "settings/settings_form.h"

#include <QGroupBox>
#include <QMap>

class GateStation;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

// The settings frame "Setting": a box per stored setting, the default and
// browse buttons, the time-zone editor, the purge date and the relay status
// query, on tabs so that it fits an 800x600 window. "Close" saves the boxes
// into the settings file and the station, "Cancel" drops them; "Clear Log"
// is the log's, so the screen only says it was pressed.
class SettingsScreen : public QGroupBox {
    Q_OBJECT

public:
    SettingsScreen(GateStation &station, QWidget *zoneEditor, QWidget *parent = nullptr);

    SettingsForm form() const;
    // Sets the boxes the form names; the others keep their texts. Clears the marks.
    void setForm(const SettingsForm &form);
    // Shows the box's tab, marks the box and gives it the focus.
    void markInvalid(const QString &boxName);
    QDate purgeDate() const;

public slots:
    // Fills the boxes from the station's settings and shows the screen.
    void open();
    void cmdSettingClose_Click();
    void cmdSettingCancel_Click();
    void cmdDefault_Click(int index);
    void cmdGetPath_Click(int index);
    void cmdRelayStatus_Click();

signals:
    void statusChanged(const QString &text);
    void clearLogClicked(const QDate &lastDay);
    // The screen closed; the code box takes the keyboard again.
    void done();

private:
    QWidget *buildPortsTab();
    QWidget *buildLogTab(QWidget *zoneEditor);
    QWidget *buildGroup(const QString &caption, int defaultIndex);
    QWidget *buildFrameBoxes();
    QWidget *buildRelayStatus();
    QWidget *buildPurge();
    QLineEdit *makeBox(const SettingsBox &box, QWidget *parent);
    QLabel *makeLabel(const SettingsBox &box, QWidget *parent);

    GateStation &m_station;
    QMap<QString, QLineEdit *> m_boxes;
    QTabWidget *m_tabs = nullptr;
    QCheckBox *ckMinimizeAtStartup = nullptr;
    QLabel *Label1 = nullptr;
    QDateTimeEdit *m_purgeDate = nullptr; // DTPicker1(4)
};
