#include "gate_devices.h"

#include "common/error_text.h"
#include "common/file_sync.h"
#include "settings/settings_rules.h"

#include <QFile>
#include <QFileInfo>

namespace {

const QString CheckRelaySettings = QStringLiteral("Check Relay Settings");
const QString CheckPorts = QStringLiteral("Check Ports");

// The pause timer's interval before the settings set one.
constexpr int InitialPauseMs = 2000;

} // namespace

GateDevices::GateDevices(QObject *parent)
    : QObject(parent)
{
    TimerRelayPause.setObjectName(QStringLiteral("TimerRelayPause"));
    TimerRelayPause.setSingleShot(true);
    TimerRelayPause.setTimerType(Qt::PreciseTimer); // the gate holds the full time, not 5% less
    TimerRelayPause.setInterval(InitialPauseMs);
    m_pauseMs = InitialPauseMs;
    connect(&TimerRelayPause, &QTimer::timeout, this, &GateDevices::relayPauseElapsed);
    m_relayPort.setRole(QStringLiteral("Relay board"));
    m_keypad1.setRole(QStringLiteral("Keypad 1"));
    m_keypad2.setRole(QStringLiteral("Keypad 2"));
    for (StationPort *port : {&m_relayPort, &m_keypad1, &m_keypad2})
        connect(port, &StationPort::stateChanged, this, &GateDevices::stateChanged);
    for (int index : {0, 1}) {
        StationPort *keypad = index == 0 ? &m_keypad1 : &m_keypad2;
        connect(keypad, &StationPort::onComm, this, [this, index, keypad](int eventCode) {
            if (eventCode == StationPort::ReceiveEvent)
                emit keysArrived(index, keypad->port().readAll());
        });
    }
}

bool GateDevices::prepare(quint8 relayCloseSeconds, QString *error)
{
    m_keypad1.setReceiveThreshold(1);
    m_keypad2.setReceiveThreshold(1);
    if (!setRelayPause(relayCloseSeconds)) {
        setError(error, QStringLiteral("Close Time Seconds %1 is more than %2")
                            .arg(relayCloseSeconds)
                            .arg(SettingsRules::MaxRelayCloseSeconds));
        return false;
    }
    return true;
}

bool GateDevices::setRelayPause(quint8 relayCloseSeconds)
{
    const auto ms = relayPauseMs(relayCloseSeconds);
    if (!ms)
        return false;
    m_pauseMs = *ms;
    TimerRelayPause.setInterval(*ms);
    // 0 means no release: a pause already running must not fire at once.
    if (*ms == 0)
        TimerRelayPause.stop();
    return true;
}

void GateDevices::armRelayPause()
{
    if (m_pauseMs > 0)
        TimerRelayPause.start();
}

QStringList GateDevices::openRelayPort(const StationSettings &s)
{
    const QString line =
        lineSettingsText(s.RelayBaud, s.RelayParity, s.RelayDataBits, s.RelayStopBits);
    if (!m_relayPort.configureAndOpen(s.RelayCommPort, line, s.StartFolder, nullptr))
        return {CheckRelaySettings};
    return {};
}

// Each keypad opens on its own; the operator's messages stay as they always were,
// where a keypad 1 failure is the only one told.
QStringList GateDevices::openKeypadPorts(const StationSettings &s)
{
    const bool keypad1Failed = keypadInUse(s.Keypad1CommPort) && !OpenKeypadPort1(s);
    QStringList messages;
    if (keypadInUse(s.Keypad2CommPort)) {
        messages = OpenKeypadPort2(s);
        // Once more with whatever the port now holds.
        if (!m_keypad2.isOpen() && !m_keypad2.open(nullptr))
            messages << CheckPorts;
    }
    return keypad1Failed ? QStringList{CheckPorts} : messages;
}

bool GateDevices::OpenKeypadPort1(const StationSettings &s)
{
    const QString line =
        lineSettingsText(s.Keypad1Baud, s.Keypad1Parity, s.Keypad1DataBits, s.Keypad1StopBits);
    m_keypad1.setReceiveThreshold(1);
    return m_keypad1.configureAndOpen(s.Keypad1CommPort, line, s.StartFolder, nullptr);
}

QStringList GateDevices::OpenKeypadPort2(const StationSettings &s)
{
    const QString line =
        lineSettingsText(s.Keypad2Baud, s.Keypad2Parity, s.Keypad2DataBits, s.Keypad2StopBits);
    m_keypad2.setReceiveThreshold(1);
    if (!m_keypad2.configureAndOpen(s.Keypad2CommPort, line, s.StartFolder, nullptr))
        return {QString::number(s.Keypad2CommPort)};
    return {};
}

void GateDevices::setRelayMarkerFile(const QString &path)
{
    m_relayMarker = path;
    m_relayWasLeftOn = !path.isEmpty() && QFileInfo::exists(path);
}

// Written after the relay bytes have left: the gate never waits for the disk.
bool GateDevices::relayOn()
{
    if (!m_relay.switchOn())
        return false;
    if (!m_relayMarker.isEmpty() && !QFileInfo::exists(m_relayMarker))
        writeRelayMarker();
    return true;
}

bool GateDevices::relayOff()
{
    if (!m_relay.switchOff())
        return false;
    if (!m_relayMarker.isEmpty())
        QFile::remove(m_relayMarker);
    return true;
}

// Synced, file and folder entry, so a power cut right after a grant still finds it.
void GateDevices::writeRelayMarker() const
{
    QFile marker(m_relayMarker);
    if (!marker.open(QIODevice::WriteOnly) || marker.write("on\n") != 3 || !syncToDisk(marker)) {
        qWarning("cannot write the relay marker %s", qPrintable(m_relayMarker));
        return;
    }
    syncFolderOf(m_relayMarker);
}

RelayBoard::StatusReply GateDevices::relayStatus()
{
    return m_relay.queryStatus(StatusWaitMs);
}

QString GateDevices::stateText() const
{
    return QStringList{m_relayPort.stateText(), m_keypad1.stateText(), m_keypad2.stateText()}.join(
        QStringLiteral(" · "));
}
