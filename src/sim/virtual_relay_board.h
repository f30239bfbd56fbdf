#pragma once

#include "pty_device.h"

#include <QElapsedTimer>
#include <optional>

// A relay board on a pseudo-terminal: 0xFE 0x01 energises the relay, 0xFE 0x00
// releases it, 0xFE 0x04 is answered with one status byte (1 energised, 0
// released). Other bytes are skipped until the next 0xFE.
class VirtualRelayBoard : public PtyDevice {
    Q_OBJECT

public:
    explicit VirtualRelayBoard(QObject *parent = nullptr);

    bool energised() const { return m_energised; }
    // Plays a board that answers the status query with these bytes instead
    // (nothing: a board that never answers); none restores the real answer.
    void setStatusReply(std::optional<QByteArray> reply) { m_reply = std::move(reply); }

signals:
    // The relay changed; on release, `heldMs` says how long it was energised.
    void relayChanged(bool energised, qint64 heldMs);
    // The first command from the station: it has opened the port.
    void firstCommand();

private:
    void handle(const QByteArray &bytes);
    void setEnergised(bool on);

    QByteArray m_pending;
    std::optional<QByteArray> m_reply;
    bool m_energised = false;
    bool m_heardFrom = false;
    QElapsedTimer m_held;
};
