#include "gate_station.h"

#include "common/clock.h"
#include "common/file_privacy.h"
#include "common/station_log.h"
#include "logview/log_dates.h"
#include "logview/log_query.h"
#include "settings/fleet_state.h"
#include "settings/settings_form.h"
#include "timezones/zone_table.h"

#include <QDir>

namespace {

constexpr int FleetPollMs = 2000;
constexpr int GateWatchMs = 1000;
// The write-ahead log goes into the file once rows stop coming for this long,
// and at the latest this long after the first row it holds.
constexpr int CheckpointIdleMs = 2000;
constexpr int CheckpointDueMs = 60000;

} // namespace

GateStation::GateStation(Options options, QObject *parent)
    : QObject(parent)
    , m_folder(options.folder)
    , m_httpListen(std::move(options.httpListen))
    , m_attempt(m_data, m_logWriter, m_settings,
                [this] {
                    const bool on = switchRelayOn();
                    m_devices.armRelayPause();
                    return on;
                })
    , m_monitor(Clock::now())
    , m_statusServer(m_monitor, m_settings)
{
    m_settings.StartFolder = m_folder.path();
    if (options.previousRunDied)
        m_monitor.previousRunDied();
    connect(&m_devices, &GateDevices::stateChanged, this, [this] {
        StationLog::line(QStringLiteral("devices: ") + m_devices.stateText());
        emit devicesChanged(m_devices.stateText());
        if (m_releasePending && m_devices.relayPortOpen())
            ReleaseRelay();
    });
    connect(&m_devices, &GateDevices::relayPauseElapsed, this, &GateStation::TimerRelayPause_Timer);
    connect(&m_devices, &GateDevices::keysArrived, this, &GateStation::MSCommScanner_OnComm);
    m_waitingRetry.setSingleShot(true);
    m_waitingRetry.setInterval(UnreadRetryMs);
    connect(&m_waitingRetry, &QTimer::timeout, this, &GateStation::retryWaiting);
    m_spoolRetry.setInterval(StationPort::RetryIntervalMs);
    connect(&m_spoolRetry, &QTimer::timeout, this, &GateStation::flushSpool);
    for (auto [timer, ms] : {std::pair{&m_checkpointIdle, CheckpointIdleMs},
                             std::pair{&m_checkpointDue, CheckpointDueMs}}) {
        timer->setSingleShot(true);
        timer->setInterval(ms);
        connect(timer, &QTimer::timeout, this, &GateStation::checkpoint);
    }
    for (int keypad : {0, 1}) {
        m_entryIdle[keypad].setSingleShot(true);
        connect(&m_entryIdle[keypad], &QTimer::timeout, this, [this, keypad] {
            m_keypads[keypad].forgetIfIdle(Clock::monotonicMs());
            showEntry(keypad);
        });
        m_lockoutEnd[keypad].setSingleShot(true);
        connect(&m_lockoutEnd[keypad], &QTimer::timeout, this,
                [this, keypad] { lockoutEnded(keypad); });
    }
    m_gateWatch.setInterval(GateWatchMs);
    connect(&m_gateWatch, &QTimer::timeout, this, [this] { followGateFile(true); });
    m_fleetPoll.setInterval(FleetPollMs);
    connect(&m_fleetPoll, &QTimer::timeout, this, &GateStation::readFleetLine);
}

GateStation::~GateStation()
{
    shutDown();
}

// A stop is an Exit: the relay off at once, and nothing decided from here on;
// the databases are left as others expect them when the station is gone.
void GateStation::stop(const QString &why)
{
    StationLog::line(
        QStringLiteral("stop (%1): relay off, log written, databases closed").arg(why));
    exitRelease();
    shutDown();
}

void GateStation::shutDown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    for (QTimer *timer :
         {&m_spoolRetry, &m_checkpointIdle, &m_checkpointDue, &m_fleetPoll, &m_gateWatch})
        timer->stop();
    QString why;
    if (m_logWriter.spooledRows() > 0 && !m_logWriter.flushSpool(&why))
        StationLog::fault(
            QStringLiteral("gate log: %1 rows stay in the spool for the next start: %2")
                .arg(m_logWriter.spooledRows())
                .arg(why));
    for (const QString &note : m_data.closeForOthers())
        StationLog::fault(note);
    if (const QString note = m_logWriter.closeForOthers(); !note.isEmpty())
        StationLog::fault(QStringLiteral("gate log: ") + note);
}

GateStation::StartReport GateStation::start()
{
    QStringList problems;
    m_ini = StationIni::load(m_folder.path(), &problems);
    for (const QString &problem : problems)
        StationLog::fault(problem);
    const LockoutRules rules{m_ini.lockoutAfter, m_ini.lockoutWindowSeconds, m_ini.lockoutSeconds};
    for (KeypadEntry &entry : m_keypads)
        entry = KeypadEntry(m_ini.entryIdleSeconds * 1000, rules);
    m_settings.ExitRequested = false;
    StartReport report;
    report.status = configure();
    report.configured = m_configured;
    setStatus(report.status);
    StationLog::line(QStringLiteral("start-up: ") + report.status);
    startStatusServer();
    startFleetLine();
    m_started = true;
    emit started();
    return report;
}

// Start-up from the settings file on: the first failure ends it, leaving the
// station running with whatever was done before.
QString GateStation::configure()
{
    auto stopped = [](const QString &why) {
        return QStringLiteral("Not connected: start-up stopped, %1").arg(why);
    };
    QString error;
    if (!m_folder.loadSettings(m_settings, &error))
        return stopped(error);
    if (!daysBefore(Clock::now(), m_settings.LogViewDays))
        return stopped(
            QStringLiteral("View # Log Days %1 cannot be used").arg(m_settings.LogViewDays));
    if (!m_devices.prepare(m_settings.RelayCloseSeconds, &error))
        return stopped(error);

    StationData::buildConnectionStrings(m_settings);
    if (!m_data.connectAll(m_settings, &error))
        return stopped(error);
    m_gateFile = fileIdentity(m_settings.GateDbPath);
    m_gateWatch.start();
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
    // The zones come first, so a gate database without usable zones opens no port.
    QStringList warnings{zoneWarnings(&error)};
    if (!error.isEmpty())
        return stopped(error);
    // What would hold up a key later is done before the keypads open: the
    // log's indexes (minutes for a large log made elsewhere) and the rows a
    // crash left waiting.
    addMissingLogIndexes(m_data.AdoGateLog.database());
    if (!flushSpoolAtStart())
        warnings << spoolNote();
    warnings << readableByEveryone(m_folder.privateFiles(m_settings));
    warnings.removeAll(QString());
    for (const QString &warning : warnings)
        StationLog::fault(warning);
    deviceStart();
    m_configured = true;
    return QStringList(QStringList{m_connectedText} + warnings).join(QStringLiteral(". "));
}

// The zones whose times cannot be used, named; `error` says why the table
// could not be read at all.
QString GateStation::zoneWarnings(QString *error)
{
    QList<ZoneEntry> zones;
    if (!ZoneTable::read(m_data.AdoTimeZones.database(), zones, error))
        return {};
    error->clear();
    return brokenZonesText(zones);
}

// Nobody may be there to click a message box: a device that fails goes to the
// device line and stderr, and its port is tried again until it opens.
void GateStation::deviceStart()
{
    m_devices.setRelayMarkerFile(m_folder.relayMarker());
    QStringList messages = m_devices.openRelayPort(m_settings);
    ReleaseRelay();
    logRestartIfRelayWasLeftOn();
    messages += m_devices.openKeypadPorts(m_settings);
    if (!messages.isEmpty())
        StationLog::fault(QStringLiteral("devices: ") + m_devices.stateText());
    emit devicesChanged(m_devices.stateText());
}

void GateStation::exitRelease()
{
    m_settings.ExitRequested = true;
    ReleaseRelay(); // the station's own release: no operator's row
}

void GateStation::startStatusServer()
{
    m_monitor.setProbe([this] { return equipment(); });
    const QString where = m_httpListen.value_or(m_ini.httpListen);
    const auto address = listenAddress(where);
    if (where.isEmpty() || !address)
        return;
    QString error;
    if (m_statusServer.listen(*address, &error))
        StationLog::line(QStringLiteral("status server: listening on %1, port %2")
                             .arg(where)
                             .arg(m_statusServer.port()));
    else
        StationLog::fault(
            QStringLiteral("status server: cannot listen on %1: %2").arg(where, error));
}

quint16 GateStation::statusPort() const
{
    return m_statusServer.port();
}

StationMonitor::Equipment GateStation::equipment() const
{
    auto device = [](const StationPort &port, int portNumber, bool inUse) {
        return StationMonitor::Device{port.role(), portNumber, inUse, port.isOpen(),
                                      port.stateText()};
    };
    const StationSettings &s = m_settings;
    const StationData &d = m_data;
    return {
        {device(m_devices.relayPort(), s.RelayCommPort, true),
         device(m_devices.keypad(0), s.Keypad1CommPort,
                GateDevices::keypadInUse(s.Keypad1CommPort)),
         device(m_devices.keypad(1), s.Keypad2CommPort,
                GateDevices::keypadInUse(s.Keypad2CommPort))},
        {{QStringLiteral("customer"), d.AdoCustomerCodes.isConnected() && d.AdoMaster.isConnected(),
          0},
         {QStringLiteral("gate log"), d.AdoGateLog.isConnected() && d.AdoTimeZones.isConnected(),
          m_logWriter.spooledRows()}}};
}

// gate-sync writes fleet.state; the station reads it on a timer of its own,
// never while deciding a code.
void GateStation::startFleetLine()
{
    if (m_ini.fleetUrl.isEmpty())
        return;
    m_fleetPoll.start();
    readFleetLine();
}

void GateStation::readFleetLine()
{
    FleetState state;
    QString why;
    const bool read = FleetState::read(m_folder.path(), state, &why);
    if (read)
        m_monitor.fleetLinkRead(state, Clock::now());
    else
        m_monitor.fleetLinkUnread(why);
    const QString line = read ? state.statusLine(Clock::now()) : QStringLiteral("fleet: ") + why;
    if (line == m_fleetLine)
        return;
    m_fleetLine = line;
    emit fleetLineChanged(line);
}

void GateStation::setStatus(const QString &text)
{
    m_status = text;
    emit statusChanged(text);
}

void GateStation::reportFault(const QString &text)
{
    setStatus(text);
    StationLog::fault(text);
}

QStringList GateStation::applySettings(const StationSettings &next)
{
    const QStringList atStart = changedAtNextStart(m_settings, next);
    m_settings = next;
    m_devices.setRelayPause(m_settings.RelayCloseSeconds);
    return atStart;
}

// A release that cannot be sent (the board's port is down) is sent as soon as
// the port is back, so the gate never stays open behind an outage.
void GateStation::ReleaseRelay()
{
    m_releasePending = !m_devices.relayOff();
    StationLog::line(m_releasePending ? QStringLiteral("relay: off not sent, port not open")
                                      : QStringLiteral("relay: off"));
    if (m_releasePending)
        return;
    m_monitor.relaySwitched(false, Clock::monotonicMs());
    emit relaySwitched(false);
}

bool GateStation::switchRelayOn()
{
    if (!m_devices.relayOn()) {
        StationLog::line(QStringLiteral("relay: on not sent, port not open"));
        return false;
    }
    StationLog::line(QStringLiteral("relay: on"));
    m_releasePending = false;
    m_monitor.relaySwitched(true, Clock::monotonicMs());
    emit relaySwitched(true);
    return true;
}

void GateStation::TimerRelayPause_Timer()
{
    if (!m_settings.ExitRequested)
        ReleaseRelay();
    m_devices.stopRelayPause();
}

// The gate held open by hand leaves a row, like every other opening.
bool GateStation::relayOnByHand()
{
    if (!switchRelayOn())
        return false;
    if (m_ini.manualRows)
        writeStationRow(manualRelayEvent(true));
    return true;
}

bool GateStation::relayOffByHand()
{
    ReleaseRelay();
    if (m_releasePending)
        return false;
    if (m_ini.manualRows)
        writeStationRow(manualRelayEvent(false));
    return true;
}

// The wait lets other events run, so a second query could start inside the
// first one's wait: that one is not asked.
std::optional<RelayBoard::StatusReply> GateStation::relayStatus()
{
    if (m_statusQueryRunning)
        return std::nullopt;
    m_statusQueryRunning = true;
    const RelayBoard::StatusReply reply = m_devices.relayStatus();
    m_statusQueryRunning = false;
    return reply;
}

// The file the station opened at its start: a path saved in the settings
// meanwhile takes effect at the next start.
QString GateStation::gatePath() const
{
    return databaseFileOf(m_settings.GateConnectionString);
}

void GateStation::followGateFile(bool retryUnopened)
{
    if (!m_gateWatch.isActive())
        return;
    const QString path = gatePath();
    const std::optional<FileIdentity> now = fileIdentity(path);
    // A file that would not open is tried again by the watch, never before a decision.
    if (now == m_gateFile && (m_data.AdoGateLog.isConnected() || !now || !retryUnopened))
        return;
    if (now != m_gateFile)
        StationLog::fault(
            now ? QStringLiteral("gate database %1 replaced: taking the new file up").arg(path)
                : QStringLiteral("gate database %1 removed: rows wait in the "
                                 "spool until it is back")
                      .arg(path));
    emit gateDatabaseChanging();
    m_data.closeGate(m_settings);
    m_logWriter.close();
    m_gateFile = now;
    QString why;
    if (!now || !m_data.openGate(m_settings, &why) || !m_logWriter.open(path, &why)) {
        m_data.closeGate(m_settings);
        setStatus(QStringLiteral("Gate database %1 not open: %2")
                      .arg(path, now ? why : QStringLiteral("removed")));
        return;
    }
    StationLog::line(QStringLiteral("gate database %1 open").arg(path));
    flushSpool();
    emit gateDatabaseOpened();
}
