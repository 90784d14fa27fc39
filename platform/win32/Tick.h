// Millisecond tick counts and sleeping with the platform's meanings: the tick
// count runs from a monotonic clock (never jumps with the wall clock), and
// the 32-bit form wraps about every 49.7 days.
#pragma once

#include "WinTypes.h"

DWORD GetTickCount();
ULONGLONG GetTickCount64();
// Suspends the calling thread for ms milliseconds; 0 only yields the rest of
// the time slice, INFINITE never returns.
void Sleep(DWORD ms);
