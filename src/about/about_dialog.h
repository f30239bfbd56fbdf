#pragma once

#include <QDialog>
#include <QPointer>

// frmAbout: the station's title and version, and a button that starts the
// platform's system-information tool. The station window comes back however
// the dialog closes.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget *stationWindow);

public slots:
    void cmdOK_Click();
    void cmdSysInfo_Click();

private:
    void StartSysInfo();

    QPointer<QWidget> m_stationWindow;
};

// "Version major.minor.revision" of this build.
QString versionText();
