#include "station_log.h"

#include "clock.h"

#include <algorithm>
#include <cstdio>

namespace {

qint64 &faults()
{
    static qint64 count = 0;
    return count;
}

} // namespace

namespace StationLog {

void line(const QString &text)
{
    const QString stamped =
        Clock::now().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + text;
    std::fprintf(stderr, "%s\n", stamped.toLocal8Bit().constData());
    std::fflush(stderr);
}

void fault(const QString &text)
{
    ++faults();
    line(QStringLiteral("fault: ") + text);
}

qint64 faultCount()
{
    return faults();
}

QString masked(const QString &code)
{
    return QString(std::max<qsizetype>(0, code.size() - 2), QLatin1Char('*')) + code.right(2);
}

} // namespace StationLog
