#include "virtual_relay_board.h"

#include "serial/relay_board.h"

VirtualRelayBoard::VirtualRelayBoard(QObject *parent)
    : PtyDevice(parent)
{
    connect(this, &PtyDevice::bytesArrived, this, &VirtualRelayBoard::handle);
}

void VirtualRelayBoard::handle(const QByteArray &bytes)
{
    m_pending += bytes;
    while (m_pending.size() >= 2) {
        if (m_pending[0] != RelayBoard::Lead) {
            m_pending.remove(0, 1);
            continue;
        }
        const char command = m_pending[1];
        m_pending.remove(0, 2);
        if (!m_heardFrom) {
            m_heardFrom = true;
            emit firstCommand();
        }
        if (command == RelayBoard::On)
            setEnergised(true);
        else if (command == RelayBoard::Off)
            setEnergised(false);
        else if (command == RelayBoard::Status)
            write(m_reply.value_or(QByteArray(1, m_energised ? 1 : 0)));
    }
}

void VirtualRelayBoard::setEnergised(bool on)
{
    if (on == m_energised)
        return;
    m_energised = on;
    const qint64 held = on ? 0 : m_held.elapsed();
    if (on)
        m_held.start();
    emit relayChanged(on, held);
}
