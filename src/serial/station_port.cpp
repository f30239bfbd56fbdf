#include "station_port.h"

#include "common/error_text.h"

#include "port_map.h"

namespace {

constexpr int RetryIntervalMs = 3000;

} // namespace

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
    m_devicePath = serialDeviceFor(portNumber, startFolder);
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
        const QString why = QStringLiteral("%1: %2").arg(m_devicePath, m_port.errorString());
        setError(error, why);
        setState(QStringLiteral("not open (%1)").arg(why));
        return false;
    }
    m_retry.stop();
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
    setState(QStringLiteral("not open (%1)").arg(why));
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
    setState(QStringLiteral("%1 failed (%2), trying again").arg(m_devicePath, why));
    m_retry.start();
}

void StationPort::retryOpen()
{
    const QString failedState = m_state;
    if (!open(nullptr))
        setState(failedState); // keep saying why it went away, not every retry's own error
}

void StationPort::setState(const QString &text)
{
    if (text == m_state)
        return;
    m_state = text;
    emit stateChanged();
}
