#include "pty_device.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyDevice::PtyDevice(QObject *parent)
    : QObject(parent)
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    // Raw until the station opens it, so nothing is echoed or translated.
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyDevice::readPending);
}

PtyDevice::~PtyDevice()
{
    closeMaster();
}

void PtyDevice::write(const QByteArray &bytes)
{
    if (m_master < 0 || ::write(m_master, bytes.constData(), bytes.size()) != bytes.size())
        qWarning("%s: the device could not send %d bytes", qPrintable(m_path), int(bytes.size()));
}

void PtyDevice::closeMaster()
{
    m_notifier.reset();
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
    // The slave kept open here would keep the device alive.
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
}

void PtyDevice::readPending()
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        emit bytesArrived(QByteArray(buffer, int(n)));
    }
}
