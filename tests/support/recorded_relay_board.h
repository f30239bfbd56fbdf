#pragma once

#include "sim/virtual_relay_board.h"

inline const QByteArray RelayOn("\xFE\x01", 2);
inline const QByteArray RelayOff("\xFE\x00", 2);

// A virtual relay board that also keeps every byte the station sent it.
class RecordedRelayBoard : public VirtualRelayBoard {
public:
    RecordedRelayBoard()
    {
        connect(this, &PtyDevice::bytesArrived, this,
                [this](const QByteArray &bytes) { m_received += bytes; });
    }

    const QByteArray &received() const { return m_received; }
    // What the station has sent so far, read without the event loop, and cleared.
    QByteArray readNow()
    {
        readPending();
        return std::exchange(m_received, {});
    }

private:
    QByteArray m_received;
};
