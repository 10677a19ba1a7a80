#include "platform/clock.h"

#include <time.h>

#include <cerrno>

namespace
{
// Seconds from 1601-01-01 to 1970-01-01 (369 years, 89 of them leap years).
const double SECONDS_1601_TO_1970 = 11644473600.0;
}

double wallClockSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    // Whole 100-ns ticks, as the file-time count they stand for.
    long long ticks = static_cast<long long>(ts.tv_sec) * 10000000LL + ts.tv_nsec / 100;
    return SECONDS_1601_TO_1970 + ticks * 1e-7;
}

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    timespec request = {milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    timespec remaining;
    while (nanosleep(&request, &remaining) != 0 && errno == EINTR)
        request = remaining;
}
