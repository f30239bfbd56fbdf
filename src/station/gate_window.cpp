#include "gate_window.h"

#include "about/about_dialog.h"
#include "common/station_log.h"
#include "gate/gate_station.h"
#include "gate_panel.h"
#include "logview/log_panel.h"
#include "settings_screen.h"
#include "timezones/zone_editor.h"
#include "widgets/elided_label.h"
#include "widgets/named_widgets.h"

#include <QAction>
#include <QDir>
#include <QFrame>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// Window geometry is given in twips (1/1440 inch), 15 to a pixel at 96 dpi.
constexpr int twips(int value)
{
    return value / 15;
}

const QPoint SettingsFramePosition{twips(120), twips(120)};

} // namespace

GateWindow::GateWindow(QWidget *parent)
    : QMainWindow(parent)
    , m_own(std::make_unique<GateStation>(GateStation::Options{QDir::currentPath(), {}}))
    , m_station(*m_own)
{
    setUp();
    m_own->start();
}

GateWindow::GateWindow(GateStation &station, QWidget *parent)
    : QMainWindow(parent)
    , m_station(station)
{
    setUp();
    if (m_station.hasStarted())
        started();
}

void GateWindow::setUp()
{
    setObjectName(QStringLiteral("frmGate"));
    setWindowTitle(QStringLiteral("Gate Access"));
    buildControls();
    followStation();
    resize(twips(12000), twips(9000));
    fraSettings->move(SettingsFramePosition);
}

GateWindow::~GateWindow() = default;

void GateWindow::buildControls()
{
    auto *central = new QWidget(this);
    auto *columns = new QHBoxLayout(central);
    m_log = new LogPanel(
        m_station.data(), m_station.settings(), [this] { m_station.followGateFile(); }, central);
    columns->addWidget(buildLeftColumn());
    columns->addWidget(m_log, 1);
    setCentralWidget(central);
    m_zoneEditor = new ZoneEditor(m_station.data().AdoTimeZones, m_station.data().AdoCustomerCodes,
                                  m_station.settings());
    fraSettings = new SettingsScreen(m_station, m_zoneEditor, central);
    fraSettings->hide();
    buildHiddenFrame(central);
    buildMenu();
    buildStatusBar();
}

QWidget *GateWindow::buildLeftColumn()
{
    auto *column = new QWidget(this);
    auto *layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    m_gate = new GatePanel(m_station, column);
    layout->addWidget(m_gate);
    layout->addWidget(m_log->controls());
    auto *cmdMinimize =
        namedButton(QStringLiteral("cmdMinimize"), QStringLiteral("Minimize"), column);
    layout->addWidget(cmdMinimize);
    layout->addStretch(1);
    column->setFixedWidth(twips(2200));
    connect(cmdMinimize, &QPushButton::clicked, this, &GateWindow::cmdMinimize_Click);
    return column;
}

// Two lines: what the station is connected to, and how each port is; a third
// for the fleet link where there is one.
void GateWindow::buildStatusBar()
{
    auto *status = new QWidget(this);
    auto *lines = new QVBoxLayout(status);
    lines->setContentsMargins(0, 0, 0, 0);
    lines->setSpacing(0);
    auto line = [status, lines](const QString &name) {
        auto *label = new ElidedLabel(status);
        label->setObjectName(name);
        lines->addWidget(label);
        return label;
    };
    m_status = line(QStringLiteral("stationStatus"));
    m_deviceStatus = line(QStringLiteral("deviceStatus"));
    m_fleetStatus = line(QStringLiteral("fleetStatus"));
    m_fleetStatus->hide();
    statusBar()->addWidget(status, 1);
}

void GateWindow::buildMenu()
{
    auto action = [this](const QString &name, const QString &text, void (GateWindow::*slot)()) {
        QAction *a = menuBar()->addAction(text);
        a->setObjectName(name);
        connect(a, &QAction::triggered, this, slot);
    };
    action(QStringLiteral("mnuSettings"), QStringLiteral("Settings"),
           &GateWindow::mnuSettings_Click);
    action(QStringLiteral("mnuExit"), QStringLiteral("Exit"), &GateWindow::mnuExit_Click);
    action(QStringLiteral("mnuAbout"), QStringLiteral("About"), &GateWindow::mnuAbout_Click);
}

// Never shown: the station opens its ports itself; the names stay for those
// who look for them.
void GateWindow::buildHiddenFrame(QWidget *central)
{
    auto *frame = new QFrame(central);
    frame->setObjectName(QStringLiteral("Frame1"));
    namedButton(QStringLiteral("cmdLoad"), QStringLiteral("Load Comm"), frame);
    namedButton(QStringLiteral("cmdScanner"), QStringLiteral("Scanner"), frame);
    frame->hide();
}

void GateWindow::followStation()
{
    GateStation &s = m_station;
    connect(&s, &GateStation::started, this, &GateWindow::started);
    connect(&s, &GateStation::gateDatabaseChanging, m_log, &LogPanel::dropLines);
    // Queued: a file taken up before a decision is listed after it.
    connect(
        &s, &GateStation::gateDatabaseOpened, this,
        [this] {
            m_log->listAgain();
            QString error;
            if (!m_zoneEditor->LoadTimeZoneList(&error))
                showStatus(QStringLiteral("The time zones cannot be read: %1").arg(error));
        },
        Qt::QueuedConnection);
    connect(&s, &GateStation::statusChanged, this, &GateWindow::showStatus);
    connect(&s, &GateStation::devicesChanged, m_deviceStatus, &ElidedLabel::showText);
    connect(&s, &GateStation::fleetLineChanged, this, [this](const QString &line) {
        m_fleetStatus->showText(line);
        m_fleetStatus->setVisible(!line.isEmpty());
    });
    // The list follows the gate; the status line, listed over, still says the decision.
    connect(&s, &GateStation::decided, this, [this](int, const GateAttempt::Outcome &o) {
        if (o.status == GateAttempt::Outcome::NotDecided)
            return;
        if (o.status == GateAttempt::Outcome::Logged)
            m_log->followGate(true);
        showStatus(m_station.statusText());
    });
    connect(&s, &GateStation::stationRowWritten, m_log, [this] { m_log->followGate(false); });
    connect(m_log, &LogPanel::statusChanged, this, &GateWindow::showStatus);
    connect(fraSettings, &SettingsScreen::statusChanged, this, &GateWindow::showStatus);
    connect(m_zoneEditor, &ZoneEditor::problem, this, &GateWindow::showStatus);
    connect(m_log, &LogPanel::listed, this, [this] { showStatus(m_station.connectedText()); });
    connect(m_log, &LogPanel::followed, this, [this] { showStatus(m_station.statusText()); });
    connect(m_log, &LogPanel::done, m_gate, &GatePanel::ready);
    connect(fraSettings, &SettingsScreen::done, m_gate, &GatePanel::ready);
    connect(fraSettings, &SettingsScreen::clearLogClicked, m_log, &LogPanel::clearLog);
    showStatus(s.statusText());
    m_deviceStatus->showText(s.devices().stateText());
}

// What start-up leaves on the screen: the log's dates, the zone list, and the
// window minimised when the settings say so.
void GateWindow::started()
{
    m_log->setRecentStart();
    if (m_station.settings().MinimizeAtStartup)
        setWindowState(windowState() | Qt::WindowMinimized);
    QString error;
    if (m_station.data().AdoTimeZones.isConnected() && !m_zoneEditor->LoadTimeZoneList(&error))
        StationLog::fault(QStringLiteral("time zones: ") + error);
    showStatus(m_station.statusText());
}

void GateWindow::showStatus(const QString &text)
{
    m_status->showText(text);
}

QString GateWindow::statusText() const
{
    return m_status->text();
}

void GateWindow::mnuExit_Click()
{
    StationLog::line(QStringLiteral("exit"));
    m_station.exitRelease();
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

void GateWindow::mnuSettings_Click()
{
    fraSettings->open();
}

void GateWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    const QSize area = centralWidget()->size();
    fraSettings->resize(area.width() - 2 * SettingsFramePosition.x(),
                        area.height() - 2 * SettingsFramePosition.y());
}

// The handlers by their names, each the panel's that owns the control.
// clang-format off
void GateWindow::ReleaseRelay() { m_station.ReleaseRelay(); }
void GateWindow::TimerRelayPause_Timer() { m_station.TimerRelayPause_Timer(); }
void GateWindow::cmdCheckCode_Click() { m_gate->cmdCheckCode_Click(); }
void GateWindow::cmdRelayOn_Click() { m_gate->cmdRelayOn_Click(); }
void GateWindow::cmdRelayOff_Click() { m_gate->cmdRelayOff_Click(); }
void GateWindow::cmdLiftLockout_Click() { m_gate->cmdLiftLockout_Click(); }
void GateWindow::cmdRelayStatus_Click() { fraSettings->cmdRelayStatus_Click(); }
void GateWindow::cmdGateLog_Click() { m_log->cmdGateLog_Click(); }
void GateWindow::lstFilter_MouseUp() { m_log->lstFilter_MouseUp(); }
void GateWindow::cmdFilterCustomerID_Click() { m_log->cmdFilterCustomerID_Click(); }
void GateWindow::lstLog_MouseUp() { m_log->lstLog_MouseUp(); }
void GateWindow::cmdPrintLog_Click() { m_log->cmdPrintLog_Click(); }
void GateWindow::cmdExportLog_Click() { m_log->cmdExportLog_Click(); }
void GateWindow::cmdClearLog_Click() { m_log->clearLog(fraSettings->purgeDate()); }
void GateWindow::cmdSettingClose_Click() { fraSettings->cmdSettingClose_Click(); }
void GateWindow::cmdSettingCancel_Click() { fraSettings->cmdSettingCancel_Click(); }
void GateWindow::cmdDefault_Click(int index) { fraSettings->cmdDefault_Click(index); }
void GateWindow::cmdGetPath_Click(int index) { fraSettings->cmdGetPath_Click(index); }
// clang-format on
