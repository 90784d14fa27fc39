// Millisecond tick counts and sleeping with the platform's meanings: the tick
// count runs from a monotonic clock (never jumps with the wall clock), and
// the 32-bit form wraps about every 49.7 days. The clock can be replaced:
// the tick counts, the window layer's message times and timers, and every
// tooltip or animation that measures time with GetTickCount then read the
// same replaced clock, so a test moves them all together.
#pragma once

#include "WinTypes.h"

// The clock behind the tick counts.
class MessageClock {
public:
    virtual ~MessageClock() = default;
    virtual ULONGLONG NowMs() = 0;  // monotonic milliseconds
};

// Installs a clock (not owned; null restores the system's monotonic clock).
// Sleep still waits real time.
void SetMessageClock(MessageClock* clock);

DWORD GetTickCount();
ULONGLONG GetTickCount64();
// Suspends the calling thread for ms milliseconds; 0 only yields the rest of
// the time slice, INFINITE never returns.
void Sleep(DWORD ms);
