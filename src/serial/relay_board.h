#pragma once

#include <QSerialPort>
#include <optional>

// The relay board's commands: two bytes each, 0xFE then the command byte.
class RelayBoard {
public:
    static constexpr char Lead = char(0xFE);
    static constexpr char On = 0x01;
    static constexpr char Off = 0x00;
    static constexpr char Status = 0x04;

    explicit RelayBoard(QSerialPort &port)
        : m_port(port)
    {}

    // Each sends its command and has it leave the port before returning;
    // false when the port is not open or refuses the bytes.
    bool switchOn() { return send(On); }
    bool switchOff() { return send(Off); }

    struct StatusReply {
        enum Outcome { Answered, PortClosed, NoAnswer };
        Outcome outcome = NoAnswer;
        quint8 value = 0;
    };

    // Sends the status query and waits up to `timeoutMs` for the answer, letting
    // other events run meanwhile; the first byte waiting is the answer and any
    // others are dropped.
    StatusReply queryStatus(int timeoutMs);

private:
    bool send(char command);

    QSerialPort &m_port;
};

// The pause after a grant in milliseconds; none for a hold time the settings
// rules call unusable (above 32 seconds).
std::optional<int> relayPauseMs(quint8 seconds);
