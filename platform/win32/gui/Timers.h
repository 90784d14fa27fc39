// Window timers. A due timer is not queued: it is turned into one WM_TIMER
// when the queue is otherwise empty, so a timer that fell behind is
// coalesced into a single message, and the next one is due one interval
// after that message was produced. Times come from the tick count, whose
// clock tests replace (SetMessageClock).
#pragma once

#include "UserTypes.h"
#include "platform/win32/Tick.h"

// The time of timers, message times and double-click intervals: the same
// as GetTickCount64.
ULONGLONG MessageClockNow();

constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// With a window, the id names the timer (setting it again restarts it) and
// the result is non-zero; without one, a new id is chosen unless the id
// names an existing timer of the thread. With a procedure, WM_TIMER carries
// it in lParam and DispatchMessage calls it instead of the window procedure.
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc);
BOOL KillTimer(HWND window, UINT_PTR id);

namespace win32_gui {
struct MessageFilter;
// Produces the WM_TIMER of the earliest due timer that the filter takes.
bool TakeDueTimer(const MessageFilter& filter, bool remove, MSG* msg);
// Milliseconds until the next timer is due (0 when one is due, -1 for none).
long long MsUntilNextTimer();
void KillTimersOf(HWND window);
bool IsLiveTimerProc(HWND window, UINT_PTR id, TIMERPROC proc);
}  // namespace win32_gui
