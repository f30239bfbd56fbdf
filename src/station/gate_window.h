#pragma once

#include <QMainWindow>
#include <memory>

class ElidedLabel;
class GatePanel;
class GateStation;
class LogPanel;
class SettingsScreen;
class ZoneEditor;

// The station's window: a face of a GateStation. It shows what the station
// tells and hands the operator's actions to it and to its panels: the gate
// panel (code box, keypads, relay), the log panel and the settings screen.
class GateWindow : public QMainWindow {
    Q_OBJECT

public:
    // A whole station started from the current folder, as gate-station runs it.
    explicit GateWindow(QWidget *parent = nullptr);
    // A face for a station made elsewhere; made before the station starts, it
    // follows start-up too.
    explicit GateWindow(GateStation &station, QWidget *parent = nullptr);
    ~GateWindow() override;

    GateStation &station() { return m_station; }
    // What the status line says.
    QString statusText() const;

public slots:
    void mnuExit_Click();
    void cmdMinimize_Click();
    void mnuSettings_Click();
    void mnuAbout_Click();
    void ReleaseRelay();
    void TimerRelayPause_Timer();
    void cmdCheckCode_Click();
    void cmdRelayOn_Click();
    void cmdRelayOff_Click();
    void cmdRelayStatus_Click();
    void cmdLiftLockout_Click();
    void cmdGateLog_Click();
    void lstFilter_MouseUp();
    void cmdFilterCustomerID_Click();
    void lstLog_MouseUp();
    void cmdPrintLog_Click();
    void cmdExportLog_Click();
    void cmdClearLog_Click();
    void cmdSettingClose_Click();
    void cmdSettingCancel_Click();
    void cmdDefault_Click(int index);
    void cmdGetPath_Click(int index);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void setUp();
    void buildControls();
    QWidget *buildLeftColumn();
    void buildStatusBar();
    void buildMenu();
    void buildHiddenFrame(QWidget *central);
    void followStation();
    void started();
    void showStatus(const QString &text);

    std::unique_ptr<GateStation> m_own; // the station this window started itself
    GateStation &m_station;
    GatePanel *m_gate = nullptr;
    LogPanel *m_log = nullptr;
    ZoneEditor *m_zoneEditor = nullptr;
    SettingsScreen *fraSettings = nullptr;
    ElidedLabel *m_status = nullptr;
    ElidedLabel *m_deviceStatus = nullptr;
    ElidedLabel *m_fleetStatus = nullptr;
};
