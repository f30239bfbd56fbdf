#include "station_port.h"

#include "common/error_text.h"

#include "port_map.h"

#include <QFile>
#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

bool accessible(const QString &path)
{
#ifdef Q_OS_UNIX
    return ::access(QFile::encodeName(path).constData(), R_OK | W_OK) == 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

const QString TryingAgain =
    QStringLiteral("trying again every %1 s").arg(StationPort::RetryIntervalMs / 1000);

} // namespace

QString portFailureFix(QSerialPort::SerialPortError error, bool deviceAccessible)
{
    switch (error) {
    case QSerialPort::PermissionError:
        return deviceAccessible ? QStringLiteral("close the other program using the port")
                                : QStringLiteral("add the station's user to the dialout group");
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("check the cable and adapter, or the path in comports.ini");
    case QSerialPort::UnsupportedOperationError: // also a number or line settings no port takes
        return QStringLiteral("check the settings");
    default:
        return {};
    }
}

StationPort::StationPort(const QString &name, QObject *parent)
    : QObject(parent)
{
    setObjectName(name);
    m_state = QStringLiteral("not open");
    m_retry.setInterval(RetryIntervalMs);
    connect(&m_retry, &QTimer::timeout, this, &StationPort::retryOpen);
    connect(&m_port, &QSerialPort::errorOccurred, this, &StationPort::handleError);
    connect(&m_port, &QSerialPort::readyRead, this, [this] {
        if (m_receiveThreshold > 0 && m_port.bytesAvailable() >= m_receiveThreshold)
            emit onComm(ReceiveEvent);
    });
}

void StationPort::setRole(const QString &role)
{
    m_role = role;
    emit stateChanged();
}

QString StationPort::stateText() const
{
    return m_role.isEmpty() ? m_state : QStringLiteral("%1: %2").arg(m_role, m_state);
}

QString StationPort::where() const
{
    return m_fromPortMap
               ? QStringLiteral("%1 (port %2 in comports.ini)").arg(m_devicePath).arg(m_portNumber)
               : QStringLiteral("%1 (default for port %2)").arg(m_devicePath).arg(m_portNumber);
}

bool StationPort::setPortNumber(int portNumber, const QString &startFolder, QString *error)
{
    if (m_port.isOpen()) {
        setError(error, QStringLiteral("port %1 is already open").arg(m_portNumber));
        return false;
    }
    if (portNumber < 1 || portNumber > 255) {
        setError(error, QStringLiteral("port number %1 is not a port").arg(portNumber));
        return false;
    }
    m_portNumber = portNumber;
    m_startFolder = startFolder;
    mapDevice();
    return true;
}

bool StationPort::setLineSettings(const QString &text, QString *error)
{
    if (!parseLineSettings(text)) {
        setError(error, QStringLiteral("line settings \"%1\" cannot be used").arg(text));
        return false;
    }
    m_lineText = text;
    return true;
}

bool StationPort::open(QString *error)
{
    const auto line = parseLineSettings(m_lineText);
    if (m_devicePath.isEmpty() || !line) {
        setError(error, QStringLiteral("no port number set"));
        return false;
    }
    m_port.setPortName(m_devicePath);
    m_port.setBaudRate(line->baud);
    m_port.setParity(line->parity);
    m_port.setDataBits(line->dataBits);
    m_port.setStopBits(line->stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        const QSerialPort::SerialPortError why = m_port.error();
        const QString fix = portFailureFix(why, accessible(m_devicePath));
        setError(error, QStringLiteral("%1: %2").arg(m_devicePath, m_port.errorString()));
        failed(why, QStringLiteral("cannot open %1: %2%3; %4")
                        .arg(where(), m_port.errorString(),
                             fix.isEmpty() ? QString() : QStringLiteral("; ") + fix, TryingAgain));
        if (!m_retry.isActive())
            m_retry.start();
        return false;
    }
    m_retry.stop();
    m_failure = QSerialPort::NoError;
    setState(QStringLiteral("%1 open").arg(m_devicePath));
    return true;
}

bool StationPort::configureAndOpen(int portNumber, const QString &lineSettings,
                                   const QString &startFolder, QString *error)
{
    QString why;
    if (setPortNumber(portNumber, startFolder, &why) && setLineSettings(lineSettings, &why))
        return open(error);
    setError(error, why);
    if (m_port.isOpen())
        return false; // still open as it was
    // Only the operator can mend the settings: trying again cannot.
    m_retry.stop();
    m_failure = QSerialPort::UnsupportedOperationError;
    m_failedPath = m_devicePath;
    setState(QStringLiteral("not open, %1%2; %3")
                 .arg(why, m_devicePath.isEmpty() ? QString() : QStringLiteral(" on ") + where(),
                      portFailureFix(m_failure, false)));
    return false;
}

// Qt reports a vanished device as a flood of read errors on a port that still
// claims to be open: closing it stops the flood.
void StationPort::handleError(QSerialPort::SerialPortError error)
{
    if (!m_port.isOpen() || error == QSerialPort::NoError || error == QSerialPort::TimeoutError ||
        error == QSerialPort::UnsupportedOperationError)
        return;
    const QString why = m_port.errorString();
    m_port.close();
    failed(error, QStringLiteral("%1 failed (%2); %3").arg(where(), why, TryingAgain));
    m_retry.start();
}

// The map is read again, so a corrected comports.ini needs nobody to press a button.
void StationPort::retryOpen()
{
    if (m_portNumber > 0)
        mapDevice();
    open(nullptr);
}

void StationPort::mapDevice()
{
    const SerialDevice device = serialDeviceFor(m_portNumber, m_startFolder);
    m_devicePath = device.path;
    m_fromPortMap = device.fromPortMap;
}

void StationPort::failed(QSerialPort::SerialPortError error, const QString &text)
{
    if (error == m_failure && m_devicePath == m_failedPath)
        return;
    m_failure = error;
    m_failedPath = m_devicePath;
    setState(text);
}

void StationPort::setState(const QString &text)
{
    if (text == m_state)
        return;
    m_state = text;
    emit stateChanged();
}
