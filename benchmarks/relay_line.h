#pragma once

// What the benchmarks that time a code from its last key to the relay share.
#include "access/keypad_keys.h"
#include "sim/pty_device.h"
#include "spread.h"
#include "support/recorded_relay_board.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

inline qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The station's thread serves events for `ms`, asleep when there are none:
// a waiting bench that spun would take a core from what it measures.
inline void serveEventsFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// A relay line watched from a thread of its own, so the moment the relay-on
// bytes arrive is taken even while the station's thread is still busy; it
// wakes the station's thread then.
class RelayLine {
public:
    RelayLine()
        : m_stationThread(QThread::currentThread())
    {
        char name[256] = {};
        if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
            qFatal("no pseudo-terminal");
        termios raw{};
        tcgetattr(m_slave, &raw);
        cfmakeraw(&raw);
        tcsetattr(m_slave, TCSANOW, &raw);
        m_path = QString::fromLocal8Bit(name);
        m_reader = std::thread([this] { read(); });
    }
    ~RelayLine()
    {
        m_stop = true;
        m_reader.join();
        ::close(m_master);
        ::close(m_slave);
    }

    QString path() const { return m_path; }
    int onCount() const { return m_onCount; }
    qint64 lastOnNs() const { return m_lastOnNs; }

private:
    void read()
    {
        char previous = 0;
        while (!m_stop) {
            pollfd fd{m_master, POLLIN, 0};
            if (::poll(&fd, 1, 50) <= 0)
                continue;
            char buffer[64];
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            for (ssize_t i = 0; i < n; ++i) {
                if (previous == RelayOn[0] && buffer[i] == RelayOn[1]) {
                    m_lastOnNs = nowNs();
                    ++m_onCount;
                    if (auto *events = QAbstractEventDispatcher::instance(m_stationThread))
                        events->wakeUp();
                }
                previous = buffer[i];
            }
        }
    }

    QThread *m_stationThread;
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_onCount{0};
    std::atomic<qint64> m_lastOnNs{0};
    std::thread m_reader;
};

inline QByteArray keysFor(const QString &code)
{
    QByteArray keys;
    for (QChar digit : code)
        keys += *keypadLetter(digit);
    return keys;
}

// Types a code on a keypad line, a key at a time as a fast hand does; the
// milliseconds from its last key to the relay-on bytes, and when that last
// key went out.
inline double keyToRelayMs(PtyDevice &keypad, const RelayLine &relay, const QByteArray &keys,
                           qint64 &start)
{
    constexpr int KeyGapMs = 10;
    for (char key : keys.left(keys.size() - 1)) {
        keypad.write(QByteArray(1, key));
        serveEventsFor(KeyGapMs);
    }
    const int opened = relay.onCount();
    keypad.write(keys.right(1));
    start = nowNs();
    while (relay.onCount() == opened)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return (relay.lastOnNs() - start) / 1e6;
}
