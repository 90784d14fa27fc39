#include "Tick.h"

#include <sched.h>
#include <time.h>

#include <cerrno>

ULONGLONG GetTickCount64()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

DWORD GetTickCount() { return static_cast<DWORD>(GetTickCount64()); }

void Sleep(DWORD ms)
{
    if (ms == 0) {
        sched_yield();
        return;
    }
    if (ms == INFINITE) {
        for (;;) {
            timespec hour{3600, 0};
            nanosleep(&hour, nullptr);
        }
    }
    timespec left{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}
