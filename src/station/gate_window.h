#pragma once

#include "access/gate_attempt.h"
#include "access/keypad_lockout.h"
#include "common/clock.h"
#include "data/station_data.h"
#include "http/station_monitor.h"
#include "http/status_server.h"
#include "logview/log_export.h"
#include "logview/log_purge.h"
#include "logview/log_query.h"
#include "logview/log_report.h"
#include "serial/gate_devices.h"
#include "settings/station_ini.h"
#include "settings/station_settings.h"

#include <QMainWindow>
#include <QTimer>
#include <memory>

class QAction;
class QCheckBox;
class QDateTimeEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QListWidget;
class QProgressDialog;
class QPushButton;
class LogListModel;
class SettingsScreen;
class ZoneEditor;

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
    const LogListModel &logLines() const { return *m_logModel; }
    // The status server's port; 0 when it does not listen.
    quint16 statusPort() const { return m_statusServer.port(); }

public slots:
    void mnuExit_Click();
    void cmdMinimize_Click();
    void cmdLoad_Click();
    void cmdScanner_Click();
    void ReleaseRelay();
    void cmdRelayOn_Click();
    void cmdRelayOff_Click();
    void cmdRelayStatus_Click();
    void TimerRelayPause_Timer();
    void cmdGateLog_Click();
    void lstFilter_MouseUp();
    void cmdCheckCode_Click();
    void MSCommScanner_OnComm(int index, int eventCode);
    void cmdFilterCustomerID_Click();
    void lstLog_MouseUp();
    void mnuSettings_Click();
    void cmdSettingClose_Click();
    void cmdSettingCancel_Click();
    void cmdDefault_Click(int index);
    void cmdGetPath_Click(int index);
    void cmdPrintLog_Click();
    void cmdExportLog_Click();
    void cmdClearLog_Click();
    void mnuAbout_Click();
    void cmdLiftLockout_Click();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

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

    bool ProcessCode();
    GateAttempt::Outcome decide(const QString &code, int keypad = -1);
    bool switchRelayOn();
    void keypadCharacter(int index, char character);
    void showKeypadEntry(int index);
    void reportFault(const QString &text);
    void logRestartIfRelayWasLeftOn();
    void writeStationRow(const GateEvent &event);
    void applyLockoutRules();
    bool keypadLocked(int index) const;
    void countRefusal(int index);
    void lockoutEnded(int index);
    void showLockouts(int index);
    void flushSpool();
    QString spoolNote() const;
    bool openLogView(const LogSelection &selection, const QString &filter);
    void showLogFailure(const QString &why);
    void showNewestLine();
    QString customerNameOf(const LogSelection &view) const;
    void lookUpCustomer(qint64 custId);
    bool printOrSave(const LogReport &report);
    void exportStep();
    QString chooseFile(const QString &title, const QString &kind, const QString &suffix);
    QProgressDialog *progressBox(const QString &name, qint64 total);
    void purgeStep();
    void showPurgeProgress();
    void endPurge();
    void resetLogViewToRecentDays();
    void setLogBackground(const QColor &colour);
    void startStatusServer();
    void startFleetStatus();
    void showFleetStatus();
    StationMonitor::Equipment equipment() const;
    // The attempt, timed and told to the monitor; keypad -1 is the operator's box.
    GateAttempt::Outcome runAttempt(const QString &code, const QString &location,
                                    const QDateTime &now, int keypad);

    StationSettings m_settings;
    StationData m_data;
    GateDevices m_devices;
    GateLogWriter m_logWriter;
    QTimer m_spoolRetry; // moves spooled rows into the log once it takes them
    GateAttempt m_attempt;
    bool m_statusQueryRunning = false;
    bool m_releasePending = false; // a release the relay board has not been sent yet
    LogSelection m_logView = LogSelection::everything();
    QString m_connectedText;
    QString m_decisionStatus; // what the last decision has the status line say
    StationIni m_ini;
    QString m_keypadEntry[2]; // each keypad's digits so far, never shared
    QTimer m_entryIdle[2];    // forgets a partial entry its customer walked away from
    KeypadLockout m_lockout[2];
    QTimer m_lockoutEnd[2];     // shows the keypad open again when its lockout ends
    QDateTime m_lockedUntil[2]; // wall-clock end of each lockout, for the operator
    // What the status server answers from.
    StationMonitor m_monitor{Clock::now()};
    StatusServer m_statusServer{m_monitor, m_settings};

    QLineEdit *txtCheckCode = nullptr; // the operator's own entry
    QLabel *lblKeypadEntry[2] = {};    // each keypad's entry, masked
    QPushButton *cmdLiftLockout = nullptr;
    QListWidget *lstFilter = nullptr;
    QDateTimeEdit *dtStart = nullptr; // DTPicker1(2)
    QDateTimeEdit *dtEnd = nullptr;   // DTPicker1(3)
    QListView *lstLog = nullptr;
    QLabel *lblLogCaption = nullptr; // what the list shows
    QPushButton *cmdGateLog = nullptr;
    QPushButton *cmdPrintLog = nullptr;
    QPushButton *cmdExportLog = nullptr;
    QPushButton *cmdCheckCode = nullptr;
    QPushButton *cmdRelayOff = nullptr;
    QPushButton *cmdRelayOn = nullptr;
    QPushButton *cmdFilterCustomerID = nullptr;
    QPushButton *cmdMinimize = nullptr;
    SettingsScreen *fraSettings = nullptr;
    ZoneEditor *m_zoneEditor = nullptr;
    QCheckBox *ckMinimizeAtStartup = nullptr;
    QFrame *Frame1 = nullptr;
    QPushButton *cmdLoad = nullptr;
    QPushButton *cmdScanner = nullptr;
    QLabel *Label1 = nullptr;
    QAction *mnuSettings = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuAbout = nullptr;
    QLabel *m_status = nullptr;
    QLabel *m_deviceStatus = nullptr;
    QLabel *m_fleetStatus = nullptr; // what gate-sync says of the fleet link, when there is one
    QTimer m_fleetPoll;
    LogListModel *m_logModel = nullptr;
    std::unique_ptr<LogPurge> m_purge; // a purge under way, a batch per turn of the event loop
    QProgressDialog *m_purgeProgress = nullptr;
    QString m_purgeScope; // which rows the purge under way deletes, as the operator was told
    std::unique_ptr<LogExport::File> m_export; // an export under way, a page per turn
    QProgressDialog *m_exportProgress = nullptr;
};
