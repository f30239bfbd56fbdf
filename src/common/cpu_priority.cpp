#include "cpu_priority.h"

#include <cerrno>
#include <sys/resource.h>

void runBelowTheGate()
{
    errno = 0;
    const int now = ::getpriority(PRIO_PROCESS, 0);
    if (errno == 0 && now < HousekeepingNice)
        ::setpriority(PRIO_PROCESS, 0, HousekeepingNice);
}
