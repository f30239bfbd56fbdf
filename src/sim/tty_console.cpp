#include "tty_console.h"

#include "virtual_gate.h"

#include <QCoreApplication>
#include <QDateTime>
#include <unistd.h>

namespace {

// About the pace of a person at a keypad.
constexpr int KeyIntervalMs = 60;

} // namespace

TtyConsole::TtyConsole(VirtualGate &gate, const QString &startFolder, QObject *parent)
    : QObject(parent)
    , m_gate(gate)
    , m_log(startFolder)
    , m_input(STDIN_FILENO, QSocketNotifier::Read)
    , m_out(stdout)
{
    connect(&m_input, &QSocketNotifier::activated, this, &TtyConsole::readLine);
    m_typing.setInterval(KeyIntervalMs);
    connect(&m_typing, &QTimer::timeout, this, &TtyConsole::pressNext);
    connect(&m_gate.relay, &VirtualRelayBoard::relayChanged, this,
            [this](bool energised, qint64 heldMs) {
                say(energised ? QStringLiteral("relay ON: gate open")
                              : QStringLiteral("relay OFF: gate closed after %1 s")
                                    .arg(heldMs / 1000.0, 0, 'f', 1));
            });
    connect(&m_log, &GateLogFollower::said, this, &TtyConsole::say);
    connect(&m_gate.relay, &VirtualRelayBoard::firstCommand, this,
            [this] { say(QStringLiteral("the station has opened the relay board")); });
}

void TtyConsole::printBanner(const QString &startFolder)
{
    m_out << "Virtual gate for " << startFolder << "\n"
          << "  keypad 1 (port 1): " << m_gate.keypad1.devicePath() << "\n"
          << "  relay    (port 2): " << m_gate.relay.devicePath() << "\n"
          << "  keypad 2 (port 3): " << m_gate.keypad2.devicePath() << "\n"
          << "Type a code and Enter for keypad 1; start the line with 2: for keypad 2.\n"
          << "* and # are the clear keys. Ctrl-D or Ctrl-C ends. Each relay change, and\n"
          << "each decision and lockout as the station's gate log has it, is printed.\n";
    m_out.flush();
}

void TtyConsole::readLine()
{
    char buffer[512];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // The end of input ends the gate once the keys already typed are pressed.
        m_input.setEnabled(false);
        m_inputEnded = true;
        if (m_keys.isEmpty())
            QCoreApplication::quit();
        return;
    }
    for (QString line : QString::fromLocal8Bit(buffer, int(n)).split(QLatin1Char('\n'))) {
        int keypad = 1;
        line = line.trimmed();
        if (line.startsWith(QLatin1String("2:")) || line.startsWith(QLatin1String("1:"))) {
            keypad = line.front().digitValue();
            line = line.mid(2).trimmed();
        }
        for (const QChar key : line)
            m_keys.enqueue({keypad, key});
    }
    if (!m_typing.isActive() && !m_keys.isEmpty())
        m_typing.start();
}

void TtyConsole::pressNext()
{
    if (m_keys.isEmpty()) {
        m_typing.stop();
        if (m_inputEnded)
            QCoreApplication::quit();
        return;
    }
    const auto [keypad, key] = m_keys.dequeue();
    if (!m_gate.press(keypad, key))
        say(QStringLiteral("keypad %1 has no key '%2'").arg(keypad).arg(key));
}

void TtyConsole::say(const QString &text)
{
    m_out << QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz")) << "  " << text << "\n";
    m_out.flush();
}
