#include "virtual_relay_board.h"

namespace {

// The board's own command bytes, written down apart from the station's, so a
// wrong byte on either side shows as a gate that does not move.
constexpr char Lead = char(0xFE);
constexpr char Energise = 0x01;
constexpr char Release = 0x00;
constexpr char Status = 0x04;

} // namespace

VirtualRelayBoard::VirtualRelayBoard(QObject *parent)
    : PtyDevice(parent)
{
    connect(this, &PtyDevice::bytesArrived, this, &VirtualRelayBoard::handle);
}

void VirtualRelayBoard::handle(const QByteArray &bytes)
{
    m_pending += bytes;
    while (m_pending.size() >= 2) {
        if (m_pending[0] != Lead) {
            m_pending.remove(0, 1);
            continue;
        }
        const char command = m_pending[1];
        m_pending.remove(0, 2);
        if (!m_heardFrom) {
            m_heardFrom = true;
            emit firstCommand();
        }
        if (command == Energise)
            setEnergised(true);
        else if (command == Release)
            setEnergised(false);
        else if (command == Status)
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
