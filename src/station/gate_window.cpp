#include "gate_window.h"

#include "about/about_dialog.h"
#include "access/gate_event_record.h"
#include "common/clock.h"
#include "common/file_privacy.h"
#include "common/station_log.h"
#include "logview/log_dates.h"
#include "logview/log_line.h"
#include "logview/log_list_model.h"
#include "logview/result_filter.h"
#include "settings/settings_file.h"
#include "settings_screen.h"
#include "timezones/zone_editor.h"
#include "widgets/fixed_pitch_font.h"
#include "widgets/named_widgets.h"
#include "widgets/prompts.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// Window geometry is given in twips (1/1440 inch), 15 to a pixel at 96 dpi.
constexpr int twips(int value)
{
    return value / 15;
}

const QPoint SettingsFramePosition{twips(120), twips(120)};
const QString NothingListed = QStringLiteral("Nothing listed");

QDateTimeEdit *datePicker(int index, QWidget *parent)
{
    auto *picker = new QDateTimeEdit(parent);
    picker->setObjectName(QStringLiteral("DTPicker1(%1)").arg(index));
    picker->setDisplayFormat(QStringLiteral("M/d/yyyy"));
    picker->setCalendarPopup(true);
    return picker;
}

QLabel *caption(const QString &text, QWidget *parent)
{
    return new QLabel(text, parent);
}

} // namespace

GateWindow::GateWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_attempt(m_data, m_logWriter, m_settings, [this] {
        const bool on = switchRelayOn();
        m_devices.armRelayPause();
        return on;
    })
{
    setObjectName(QStringLiteral("frmGate"));
    setWindowTitle(QStringLiteral("Gate Access"));
    buildControls();
    formLoad();
}

GateWindow::~GateWindow() = default;

void GateWindow::buildControls()
{
    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);
    QWidget *logColumn = buildLogColumn();
    columns->addWidget(buildLeftColumn());
    columns->addWidget(logColumn, 1);
    setCentralWidget(central);
    buildSettingsFrame(central);
    buildHiddenFrame(central);
    buildMenu();
    // Two lines: what the station is connected to, and how each port is.
    auto *status = new QWidget(this);
    auto *lines = new QVBoxLayout(status);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    m_status = new QLabel(status);
    m_status->setObjectName(QStringLiteral("stationStatus"));
    m_deviceStatus = new QLabel(status);
    m_deviceStatus->setObjectName(QStringLiteral("deviceStatus"));
    m_fleetStatus = new QLabel(status);
    m_fleetStatus->setObjectName(QStringLiteral("fleetStatus"));
    m_fleetStatus->hide();
    lines->addWidget(m_status);
    lines->addWidget(m_deviceStatus);
    lines->addWidget(m_fleetStatus);
    statusBar()->addWidget(status, 1);
    connect(&m_devices, &GateDevices::stateChanged, this, [this] {
        m_deviceStatus->setText(m_devices.stateText());
        StationLog::line(QStringLiteral("devices: ") + m_devices.stateText());
        if (m_releasePending && m_devices.relayPortOpen())
            ReleaseRelay();
    });
    connect(&m_devices, &GateDevices::relayPauseElapsed, this, &GateWindow::TimerRelayPause_Timer);
    connect(&m_devices, &GateDevices::keypadEvent, this, &GateWindow::MSCommScanner_OnComm);
    m_spoolRetry.setInterval(StationPort::RetryIntervalMs);
    connect(&m_spoolRetry, &QTimer::timeout, this, &GateWindow::flushSpool);
    for (int index : {0, 1}) {
        m_entryIdle[index].setSingleShot(true);
        connect(&m_entryIdle[index], &QTimer::timeout, this, [this, index] {
            m_keypadEntry[index].clear();
            showKeypadEntry(index);
        });
        m_lockoutEnd[index].setSingleShot(true);
        connect(&m_lockoutEnd[index], &QTimer::timeout, this,
                [this, index] { lockoutEnded(index); });
    }
}

QWidget *GateWindow::buildLeftColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    txtCheckCode = new QLineEdit(column);
    txtCheckCode->setObjectName(QStringLiteral("txtCheckCode"));
    layout->addWidget(txtCheckCode);
    for (int index : {0, 1}) {
        lblKeypadEntry[index] = new QLabel(column);
        lblKeypadEntry[index]->setObjectName(QStringLiteral("lblKeypadEntry(%1)").arg(index));
        layout->addWidget(lblKeypadEntry[index]);
    }
    cmdLiftLockout = namedButton(QStringLiteral("cmdLiftLockout"),
                                 QStringLiteral("Lift Keypad Lockout"), column);
    cmdLiftLockout->setEnabled(false);
    layout->addWidget(cmdLiftLockout);
    connect(cmdLiftLockout, &QPushButton::clicked, this, &GateWindow::cmdLiftLockout_Click);

    layout->addWidget(caption(QStringLiteral("Filter By"), column));
    lstFilter = new QListWidget(column);
    lstFilter->setObjectName(QStringLiteral("lstFilter"));
    lstFilter->setSelectionMode(QAbstractItemView::SingleSelection);
    lstFilter->setStyleSheet(QStringLiteral("QListWidget { background: rgb(192, 255, 192); }"));
    lstFilter->setMaximumHeight(150);
    layout->addWidget(lstFilter);

    layout->addWidget(caption(QStringLiteral("Start Date"), column));
    dtStart = datePicker(2, column);
    layout->addWidget(dtStart);
    layout->addWidget(caption(QStringLiteral("End Date"), column));
    dtEnd = datePicker(3, column);
    layout->addWidget(dtEnd);

    cmdGateLog = namedButton(QStringLiteral("cmdGateLog"), QStringLiteral("Gate Log"), column);
    cmdPrintLog = namedButton(QStringLiteral("cmdPrintLog"), QStringLiteral("Print"), column);
    cmdExportLog =
        namedButton(QStringLiteral("cmdExportLog"), QStringLiteral("Export\u2026"), column);
    cmdCheckCode =
        namedButton(QStringLiteral("cmdCheckCode"), QStringLiteral("Check Code"), column);
    cmdRelayOff = namedButton(QStringLiteral("cmdRelayOff"), QStringLiteral("Relay Off"), column);
    cmdRelayOn = namedButton(QStringLiteral("cmdRelayOn"), QStringLiteral("Relay On"), column);
    cmdFilterCustomerID = namedButton(QStringLiteral("cmdFilterCustomerID"),
                                      QStringLiteral("By Customer ID"), column);
    cmdMinimize = namedButton(QStringLiteral("cmdMinimize"), QStringLiteral("Minimize"), column);
    auto *printRow = new QHBoxLayout;
    printRow->addWidget(cmdPrintLog);
    printRow->addWidget(cmdExportLog);
    layout->addWidget(cmdGateLog);
    layout->addLayout(printRow);
    for (QPushButton *b : {cmdCheckCode, cmdRelayOff, cmdRelayOn, cmdFilterCustomerID, cmdMinimize})
        layout->addWidget(b);
    layout->addStretch(1);
    column->setFixedWidth(twips(2200));

    connect(cmdMinimize, &QPushButton::clicked, this, &GateWindow::cmdMinimize_Click);
    connect(cmdRelayOn, &QPushButton::clicked, this, &GateWindow::cmdRelayOn_Click);
    connect(cmdRelayOff, &QPushButton::clicked, this, &GateWindow::cmdRelayOff_Click);
    connect(cmdGateLog, &QPushButton::clicked, this, &GateWindow::cmdGateLog_Click);
    connect(cmdCheckCode, &QPushButton::clicked, this, &GateWindow::cmdCheckCode_Click);
    connect(cmdPrintLog, &QPushButton::clicked, this, &GateWindow::cmdPrintLog_Click);
    connect(cmdExportLog, &QPushButton::clicked, this, &GateWindow::cmdExportLog_Click);
    connect(cmdFilterCustomerID, &QPushButton::clicked, this,
            &GateWindow::cmdFilterCustomerID_Click);
    cmdFilterCustomerID->setToolTip(QStringLiteral("Filter for a Customers ID"));
    lstFilter->viewport()->installEventFilter(this);
    // A new date leaves the listed lines describing another range: empty the list.
    for (QDateTimeEdit *picker : {dtStart, dtEnd})
        connect(picker, &QDateTimeEdit::dateChanged, m_logModel, &LogListModel::clear);
    // A list emptied by anything but a query describes nothing.
    connect(m_logModel, &LogListModel::modelReset, this, [this] {
        if (m_logModel->rowCount() == 0)
            lblLogCaption->setText(NothingListed);
    });
    return column;
}

QWidget *GateWindow::buildLogColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);

    lblLogCaption = new QLabel(NothingListed, column);
    lblLogCaption->setObjectName(QStringLiteral("lblLogCaption"));
    layout->addWidget(lblLogCaption);
    auto *headings = new QLabel(logHeadings(), column);
    headings->setObjectName(QStringLiteral("lblLogHeadings"));
    headings->setFont(fixedPitchFont());
    layout->addWidget(headings);

    lstLog = new QListView(column);
    lstLog->setObjectName(QStringLiteral("lstLog"));
    lstLog->setFont(fixedPitchFont());
    lstLog->setUniformItemSizes(true);
    lstLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_logModel = new LogListModel(lstLog);
    lstLog->setModel(m_logModel);
    lstLog->viewport()->installEventFilter(this);
    layout->addWidget(lstLog, 1);
    return column;
}

// Holds the buttons that only code presses; never shown.
void GateWindow::buildHiddenFrame(QWidget *central)
{
    Frame1 = new QFrame(central);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    cmdLoad = namedButton(QStringLiteral("cmdLoad"), QStringLiteral("Load Comm"), Frame1);
    cmdScanner = namedButton(QStringLiteral("cmdScanner"), QStringLiteral("Scanner"), Frame1);
    connect(cmdLoad, &QPushButton::clicked, this, &GateWindow::cmdLoad_Click);
    connect(cmdScanner, &QPushButton::clicked, this, &GateWindow::cmdScanner_Click);
    Frame1->hide();
}

void GateWindow::buildMenu()
{
    auto action = [this](const QString &name, const QString &text) {
        QAction *a = menuBar()->addAction(text);
        a->setObjectName(name);
        return a;
    };
    mnuSettings = action(QStringLiteral("mnuSettings"), QStringLiteral("Settings"));
    mnuExit = action(QStringLiteral("mnuExit"), QStringLiteral("Exit"));
    mnuAbout = action(QStringLiteral("mnuAbout"), QStringLiteral("About"));
    connect(mnuExit, &QAction::triggered, this, &GateWindow::mnuExit_Click);
    connect(mnuSettings, &QAction::triggered, this, &GateWindow::mnuSettings_Click);
    connect(mnuAbout, &QAction::triggered, this, &GateWindow::mnuAbout_Click);
}

void GateWindow::formLoad()
{
    m_settings.StartFolder = QDir::toNativeSeparators(QDir::currentPath());
    QStringList problems;
    m_ini = StationIni::load(m_settings.StartFolder, &problems);
    for (const QString &problem : problems)
        StationLog::fault(problem);
    applyLockoutRules();
    for (int index : {0, 1}) {
        m_entryIdle[index].setInterval(m_ini.entryIdleSeconds * 1000);
        showKeypadEntry(index);
    }
    lstFilter->addItems(ResultFilters);
    lstFilter->setCurrentRow(0);
    const QDateTime now = Clock::now();
    dtStart->setDateTime(now);
    dtEnd->setDateTime(now);
    resize(twips(12000), twips(9000));
    fraSettings->move(SettingsFramePosition);
    m_settings.ExitRequested = false;
    // A start-up that stops shows no message box (an unattended station must not
    // wait for a click); the status line tells what was reached instead.
    const QString reached = configure();
    showStatus(reached);
    StationLog::line(QStringLiteral("start-up: ") + reached);
    startStatusServer();
    startFleetStatus();
}

// Start-up from the settings file on: the first failure ends it, leaving the
// window usable with whatever was done before.
QString GateWindow::configure()
{
    auto stopped = [](const QString &why) {
        return QStringLiteral("Not connected: start-up stopped, %1").arg(why);
    };
    QString error;
    if (!SettingsFile::load(SettingsFile::fileName(m_settings.StartFolder), m_settings, &error))
        return stopped(error);

    ckMinimizeAtStartup->setChecked(m_settings.MinimizeAtStartup);
    if (m_settings.MinimizeAtStartup)
        setWindowState(windowState() | Qt::WindowMinimized);

    dtStart->setDateTime(Clock::now());
    const auto start = daysBefore(dtStart->dateTime(), m_settings.LogViewDays);
    if (!start)
        return stopped(
            QStringLiteral("View # Log Days %1 cannot be used").arg(m_settings.LogViewDays));
    dtStart->setDateTime(*start);

    if (!m_devices.prepare(m_settings.RelayCloseSeconds, &error))
        return stopped(error);

    StationData::buildConnectionStrings(m_settings);
    if (!m_data.connectAll(m_settings, &error))
        return stopped(error);

    m_connectedText = QStringLiteral("Connected: customer database %1, gate database %2")
                          .arg(QDir::toNativeSeparators(m_settings.DataDbPath),
                               QDir::toNativeSeparators(m_settings.GateDbPath));
    // A log that cannot be written now stops nothing: its rows wait in the spool.
    if (!m_logWriter.open(m_settings.GateDbPath, &error))
        StationLog::fault(QStringLiteral("gate log: ") + error);
    for (const QString &note : {m_logWriter.journalNote(), m_data.lookupNote()}) {
        if (!note.isEmpty())
            m_connectedText += QStringLiteral(" (%1)").arg(note);
    }
    // The zone list comes first, so a gate database without usable zones opens no port.
    if (!m_zoneEditor->LoadTimeZoneList(&error))
        return stopped(error);
    QStringList warnings{m_zoneEditor->brokenZones(), readableByEveryone(SettingsFile::privateFiles(
                                                          m_settings, m_settings.StartFolder))};
    warnings.removeAll(QString());
    for (const QString &warning : warnings)
        StationLog::fault(warning);
    deviceStart();
    return QStringList(QStringList{m_connectedText} + warnings).join(QStringLiteral(". "));
}

// Nobody may be there to click a message box: a device that fails goes to the
// device status line and stderr, and its port is tried again until it opens.
void GateWindow::deviceStart()
{
    m_devices.setRelayMarkerFile(
        inStartFolder(m_settings.StartFolder, QStringLiteral("relay-on.flag")));
    QStringList messages = m_devices.openRelayPort(m_settings);
    ReleaseRelay();
    logRestartIfRelayWasLeftOn();
    messages += m_devices.openKeypadPorts(m_settings);
    if (!messages.isEmpty())
        StationLog::fault(QStringLiteral("devices: ") + m_devices.stateText());
    m_deviceStatus->setText(m_devices.stateText());
}

void GateWindow::exitRelease()
{
    m_settings.ExitRequested = true;
    ReleaseRelay(); // the station's own release: no operator's row
}

void GateWindow::showMessages(const QStringList &messages)
{
    for (const QString &text : messages)
        Prompts::message(this, text);
}

bool GateWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        if (watched == lstFilter->viewport())
            lstFilter_MouseUp();
        else if (watched == lstLog->viewport())
            lstLog_MouseUp();
    }
    return QMainWindow::eventFilter(watched, event);
}

void GateWindow::showStatus(const QString &text)
{
    m_status->setText(text);
}

QString GateWindow::statusText() const
{
    return m_status->text();
}

void GateWindow::mnuExit_Click()
{
    StationLog::line(QStringLiteral("exit"));
    exitRelease();
    close();
}

// The station keeps working while its window is hidden behind the dialog.
void GateWindow::mnuAbout_Click()
{
    auto *about = new AboutDialog(this);
    about->show();
    hide();
}

void GateWindow::cmdMinimize_Click()
{
    showMinimized();
}

void GateWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const QSize area = centralWidget()->size();
    fraSettings->resize(area.width() - 2 * SettingsFramePosition.x(),
                        area.height() - 2 * SettingsFramePosition.y());
}
