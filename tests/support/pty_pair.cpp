#include "pty_pair.h"

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        qFatal("openpty failed");
    // Raw until the station opens it, so nothing is echoed or translated.
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_path = QString::fromLocal8Bit(name);
    m_notifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &PtyPair::readMaster);
}

PtyPair::~PtyPair()
{
    closeMaster();
    if (m_slave >= 0)
        ::close(m_slave);
}

void PtyPair::write(const QByteArray &bytes)
{
    if (::write(m_master, bytes.constData(), bytes.size()) != bytes.size())
        qWarning("short write to pty master");
}

QByteArray PtyPair::takeReceived()
{
    return std::exchange(m_received, {});
}

QByteArray PtyPair::readNow()
{
    readMaster();
    return takeReceived();
}

void PtyPair::closeMaster()
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

void PtyPair::readMaster()
{
    char buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        const QByteArray bytes(buffer, int(n));
        m_received += bytes;
        emit bytesArrived(bytes);
    }
}

FakeRelayBoard::FakeRelayBoard()
{
    connect(this, &PtyPair::bytesArrived, this, &FakeRelayBoard::handle);
}

void FakeRelayBoard::handle(const QByteArray &bytes)
{
    m_pending += bytes;
    while (m_pending.size() >= 2) {
        if (quint8(m_pending[0]) != 0xFE) {
            m_pending.remove(0, 1);
            continue;
        }
        const quint8 command = quint8(m_pending[1]);
        m_pending.remove(0, 2);
        if (command == 0x01)
            m_energised = true;
        else if (command == 0x00)
            m_energised = false;
        else if (command == 0x04)
            write(m_fixedReply ? m_reply : QByteArray(1, char(m_energised ? 1 : 0)));
    }
}
