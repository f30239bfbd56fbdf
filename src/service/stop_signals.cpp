#include "stop_signals.h"

#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int Stops[] = {SIGTERM, SIGINT, SIGHUP};
int pipeEnds[2] = {-1, -1}; // [0] read by the event loop, [1] written by the handler

void onStop(int number)
{
    const char byte = char(number);
    // Nothing to do if it fails: the pipe is full of stops already.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[1], &byte, 1);
}

QString nameOf(int number)
{
    switch (number) {
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGINT:
        return QStringLiteral("SIGINT");
    default:
        return QStringLiteral("SIGHUP");
    }
}

void handleStops(void (*handler)(int))
{
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : Stops)
        ::sigaction(number, &action, nullptr);
}

} // namespace

StopSignals::StopSignals(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pipeEnds) != 0) {
        qWarning("stop signals: no socket pair; a stop ends the station where it stands");
        return;
    }
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &StopSignals::readSignal);
    handleStops(onStop);
}

StopSignals::~StopSignals()
{
    if (!m_notifier)
        return;
    handleStops(SIG_DFL);
    delete m_notifier;
    for (int &end : pipeEnds)
        ::close(std::exchange(end, -1));
}

void StopSignals::readSignal()
{
    char byte = 0;
    if (::read(pipeEnds[0], &byte, 1) == 1)
        emit stopRequested(nameOf(byte));
}
