#include "clock.h"

namespace {

QDateTime &pinned()
{
    static QDateTime when;
    return when;
}

} // namespace

namespace Clock {

QDateTime now()
{
    return pinned().isValid() ? pinned() : QDateTime::currentDateTime();
}

void pin(const QDateTime &when)
{
    pinned() = when;
}

void unpin()
{
    pinned() = {};
}

} // namespace Clock
