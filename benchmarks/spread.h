#pragma once

#include <QList>
#include <algorithm>

// The median and the 99th percentile of some timings.
struct Spread {
    double median = 0;
    double p99 = 0;
};

inline Spread spreadOf(QList<double> ms)
{
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[std::min<qsizetype>(ms.size() - 1, ms.size() * 99 / 100)]};
}
