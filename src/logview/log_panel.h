#pragma once

#include "live_follow.h"
#include "log_query.h"
#include "log_report.h"

#include <QTimer>
#include <QWidget>
#include <memory>

class LogListModel;
class LogPurge;
class QCheckBox;
class QDateTimeEdit;
class QLabel;
class QListView;
class QListWidget;
class QProgressDialog;
class QPushButton;
class StationData;
struct StationSettings;
namespace LogExport {
class File;
}

// The gate log on the screen: the list (this widget, with "Follow live" and the
// count of attempts a review has missed above it) and its controls (the result
// filter, the dates, "Gate Log", "Print", "Export…" and "By Customer ID", in a
// widget of their own for the window's left column), with the look-up, the
// drill-down, the printed report, the export and the purge.
// Work over many rows runs a step per turn of the event loop, so keypads are
// served meanwhile.
class LogPanel : public QWidget {
    Q_OBJECT

public:
    // `beforeRead` runs before each read of the log through `data`, so a gate
    // database replaced meanwhile is taken up first.
    LogPanel(StationData &data, const StationSettings &settings, std::function<void()> beforeRead,
             QWidget *parent = nullptr);
    ~LogPanel() override;

    QWidget *controls() const { return m_controls; }

public slots:
    void cmdGateLog_Click();
    void lstFilter_MouseUp();
    void cmdFilterCustomerID_Click();
    void lstLog_MouseUp();
    void cmdPrintLog_Click();
    void cmdExportLog_Click();
    void chkFollowLive_Click(bool on);
    void cmdNewAttempts_Click();
    // Deletes the open view's rows stamped on or before `lastDay`, after the
    // operator agrees.
    void clearLog(const QDate &lastDay);
    // "ALL" over the last LogViewDays days, listed.
    void showRecentDays();
    // Something happened at the gate (`newAttempt`: a code got its row): the
    // live list is listed again, or the attempt counted while the operator reviews.
    void followGate(bool newAttempt);
    // The start date LogViewDays days back (now, for a day count that cannot be used).
    void setRecentStart();
    // The gate database is another file now: the lines of the old one go, and
    // the open view is listed again from the new one.
    void dropLines();
    void listAgain();

signals:
    void statusChanged(const QString &text);
    // A list was made; the window says so on its status line.
    void listed();
    // The live list followed the gate; the status line goes back to the station's.
    void followed();
    // An operator's action ended: the code box takes the keyboard again.
    void done();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *buildControls();
    QLayout *buildLiveRow();
    void resumeLive();
    void holdForReview();
    void showLiveState();
    void selectFilter(int row);
    bool openLogView(const LogSelection &selection, const QString &filter);
    void showLogFailure(const QString &why);
    void showNewestLine();
    QString selectedFilter() const;
    QString customerNameOf(const LogSelection &view) const;
    void lookUpCustomer(qint64 custId);
    void setLogBackground(const QColor &colour);
    bool printOrSave(const LogReport &report);
    QString chooseFile(const QString &title, const QString &kind, const QString &suffix);
    QProgressDialog *progressBox(const QString &name, qint64 total);
    void exportStep();
    void purgeStep();
    void showPurgeProgress();
    void endPurge();

    StationData &m_data;
    const StationSettings &m_settings;
    std::function<void()> m_beforeRead;
    std::optional<QString> m_listedFilter; // the filter of the open view, once one was listed
    LogSelection m_logView = LogSelection::everything();
    LogListModel *m_model = nullptr;
    LiveFollow m_live;
    // The live list is listed again once the station's thread is free: after a
    // keypad's held keys and the other keypad, and once for many decisions.
    QTimer m_relist;
    std::unique_ptr<LogPurge> m_purge; // a purge under way, a batch per turn of the event loop
    QProgressDialog *m_purgeProgress = nullptr;
    QString m_purgeScope; // which rows the purge under way deletes, as the operator was told
    std::unique_ptr<LogExport::File> m_export; // an export under way, a page per turn
    QProgressDialog *m_exportProgress = nullptr;

    QWidget *m_controls = nullptr;
    QListWidget *lstFilter = nullptr;
    QDateTimeEdit *dtStart = nullptr; // DTPicker1(2)
    QDateTimeEdit *dtEnd = nullptr;   // DTPicker1(3)
    QPushButton *cmdGateLog = nullptr;
    QPushButton *cmdPrintLog = nullptr;
    QPushButton *cmdExportLog = nullptr;
    QPushButton *cmdFilterCustomerID = nullptr;
    QLabel *lblLogCaption = nullptr; // what the list shows
    QPushButton *cmdNewAttempts = nullptr;
    QCheckBox *chkFollowLive = nullptr;
    QListView *lstLog = nullptr;
};
