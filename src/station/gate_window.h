#pragma once

#include "serial/gate_devices.h"
#include "station_data.h"
#include "station_settings.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QDateTimeEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QPushButton;

// The station window. Constructing it runs the start-up sequence with the
// process's current folder as the start folder.
class GateWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit GateWindow(QWidget *parent = nullptr);
    ~GateWindow() override;

    const StationSettings &settings() const { return m_settings; }
    const StationData &data() const { return m_data; }
    GateDevices &devices() { return m_devices; }
    // What start-up reached, as the status line shows it.
    QString statusText() const;

public slots:
    void mnuExit_Click();
    void cmdMinimize_Click();
    void cmdReconnect_Click();
    void cmdLoad_Click();
    void cmdScanner_Click();
    void ReleaseRelay();
    void cmdRelayOn_Click();
    void cmdRelayOff_Click();
    void cmdRelayStatus_Click();
    void TimerRelayPause_Timer();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void buildControls();
    QWidget *buildLeftColumn();
    QWidget *buildLogColumn();
    void buildSettingsFrame(QWidget *central);
    void buildHiddenFrame(QWidget *central);
    void buildMenu();

    void formLoad();
    QString configure();
    void deviceStart();
    void exitRelease();
    void showMessages(const QStringList &messages);
    void showStatus(const QString &text);
    void markRelayButton(QPushButton *lastCommand);

    StationSettings m_settings;
    StationData m_data;
    GateDevices m_devices;
    bool m_statusQueryRunning = false;

    QLineEdit *txtCheckCode = nullptr;
    QListWidget *lstFilter = nullptr;
    QDateTimeEdit *dtStart = nullptr; // DTPicker1(2)
    QDateTimeEdit *dtEnd = nullptr;   // DTPicker1(3)
    QListView *lstLog = nullptr;
    QPushButton *cmdGateLog = nullptr;
    QPushButton *cmdPrintLog = nullptr;
    QPushButton *cmdCheckCode = nullptr;
    QPushButton *cmdRelayOff = nullptr;
    QPushButton *cmdRelayOn = nullptr;
    QPushButton *cmdFilterCustomerID = nullptr;
    QPushButton *cmdMinimize = nullptr;
    QGroupBox *fraSettings = nullptr;
    QCheckBox *ckMinimizeAtStartup = nullptr;
    QFrame *Frame1 = nullptr;
    QPushButton *cmdReconnect = nullptr;
    QPushButton *cmdLoad = nullptr;
    QPushButton *cmdScanner = nullptr;
    QPushButton *cmdRelayStatus = nullptr;
    QLabel *Label1 = nullptr;
    QAction *mnuSettings = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuAbout = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_deviceStatus = nullptr;
};
