#include "clock.h"

#include <QElapsedTimer>

namespace {

QDateTime &pinned()
{
    static QDateTime when;
    return when;
}

qint64 &pinnedMs()
{
    static qint64 ms = -1;
    return ms;
}

} // namespace

namespace Clock {

QDateTime now()
{
    return pinned().isValid() ? pinned() : QDateTime::currentDateTime();
}

qint64 monotonicMs()
{
    static const QElapsedTimer started = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return pinnedMs() >= 0 ? pinnedMs() : started.elapsed();
}

void pinMonotonic(qint64 ms)
{
    pinnedMs() = ms;
}

void pin(const QDateTime &when)
{
    pinned() = when;
}

void unpin()
{
    pinned() = {};
    pinnedMs() = -1;
}

} // namespace Clock
