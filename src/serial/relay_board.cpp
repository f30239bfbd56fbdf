#include "relay_board.h"

#include "settings/settings_rules.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

bool RelayBoard::send(char command)
{
    if (!m_port.isOpen())
        return false;
    if (m_port.write(&Lead, 1) != 1 || m_port.write(&command, 1) != 1)
        return false;
    // write() only queues; the gate must not wait for the event loop.
    m_port.flush();
    return true;
}

RelayBoard::StatusReply RelayBoard::queryStatus(int timeoutMs)
{
    if (!send(Status))
        return {StatusReply::PortClosed};
    QDeadlineTimer deadline(timeoutMs);
    while (m_port.isOpen() && m_port.bytesAvailable() < 1 && !deadline.hasExpired()) {
        QEventLoop wait;
        QObject::connect(&m_port, &QSerialPort::readyRead, &wait, &QEventLoop::quit);
        QObject::connect(&m_port, &QSerialPort::aboutToClose, &wait, &QEventLoop::quit);
        QTimer::singleShot(int(deadline.remainingTime()), &wait, &QEventLoop::quit);
        if (wait.exec() < 0) // the application is quitting: no more events to wait on
            break;
    }
    if (!m_port.isOpen())
        return {StatusReply::PortClosed};
    if (m_port.bytesAvailable() < 1)
        return {StatusReply::NoAnswer};
    return {StatusReply::Answered, quint8(m_port.readAll().front())};
}

std::optional<int> relayPauseMs(quint8 seconds)
{
    if (seconds > SettingsRules::MaxRelayCloseSeconds)
        return std::nullopt;
    return int(seconds) * 1000;
}
