#include "Tick.h"

#include <sched.h>
#include <time.h>

#include <atomic>
#include <cerrno>

namespace {

std::atomic<MessageClock*> g_clock{nullptr};

ULONGLONG MonotonicMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<ULONGLONG>(ts.tv_sec) * 1000u + static_cast<ULONGLONG>(ts.tv_nsec) / 1000000u;
}

}  // namespace

void SetMessageClock(MessageClock* clock) { g_clock = clock; }

ULONGLONG GetTickCount64()
{
    MessageClock* c = g_clock.load();
    return c ? c->NowMs() : MonotonicMs();
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
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {}
}
