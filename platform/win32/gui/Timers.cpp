#include "Timers.h"

#include <algorithm>
#include <vector>

#include "MessageQueue.h"
#include "WindowObject.h"
#include "platform/win32/Tick.h"

using namespace win32_gui;

namespace {

struct Timer {
    HWND window = nullptr;
    UINT_PTR id = 0;
    UINT interval = 0;
    TIMERPROC proc = nullptr;
    ULONGLONG due = 0;
};

struct TimerTable {
    std::vector<Timer> timers;
    UINT_PTR nextThreadId = 0x7FFE;  // ids of timers without a window count down from here
};

TimerTable& Timers()
{
    static TimerTable table;
    return table;
}

UINT ClampInterval(UINT ms) { return std::clamp(ms, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM); }

}  // namespace

ULONGLONG MessageClockNow() { return GetTickCount64(); }

UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    NoteUiThread();
    if (window && !Lookup(window)) return 0;
    auto& t = Timers();
    ULONGLONG due = MessageClockNow() + ClampInterval(elapse);
    if (!window) {
        auto it = std::find_if(t.timers.begin(), t.timers.end(),
                               [&](const Timer& x) { return !x.window && id && x.id == id; });
        if (it == t.timers.end()) {
            UINT_PTR fresh = t.nextThreadId;
            while (std::any_of(t.timers.begin(), t.timers.end(),
                               [&](const Timer& x) { return !x.window && x.id == fresh; }))
                fresh = fresh > 1 ? fresh - 1 : 0x7FFE;
            t.nextThreadId = fresh > 1 ? fresh - 1 : 0x7FFE;
            t.timers.push_back(Timer{nullptr, fresh, ClampInterval(elapse), proc, due});
            WakeQueue();
            return fresh;
        }
        it->interval = ClampInterval(elapse);
        it->proc = proc;
        it->due = due;
        WakeQueue();
        return it->id;
    }
    auto it = std::find_if(t.timers.begin(), t.timers.end(),
                           [&](const Timer& x) { return x.window == window && x.id == id; });
    if (it == t.timers.end()) {
        t.timers.push_back(Timer{window, id, ClampInterval(elapse), proc, due});
    } else {
        it->interval = ClampInterval(elapse);
        it->proc = proc;
        it->due = due;
    }
    // A WM_TIMER already waiting in the queue from before is not taken back:
    // timers never queue their messages, so there is none.
    WakeQueue();
    return id ? id : 1;
}

BOOL KillTimer(HWND window, UINT_PTR id)
{
    auto& t = Timers();
    auto it = std::find_if(t.timers.begin(), t.timers.end(),
                           [&](const Timer& x) { return x.window == window && x.id == id; });
    if (it == t.timers.end()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t.timers.erase(it);
    return TRUE;
}

namespace win32_gui {

bool TakeDueTimer(const MessageFilter& filter, bool remove, MSG* msg)
{
    if (!filter.InRange(WM_TIMER)) return false;
    auto& t = Timers();
    ULONGLONG now = MessageClockNow();
    Timer* best = nullptr;
    for (Timer& x : t.timers) {
        if (x.due > now || !filter.Matches(x.window, WM_TIMER)) continue;
        if (x.window && !Find(x.window)) continue;
        if (!best || x.due < best->due) best = &x;
    }
    if (!best) return false;
    msg->hwnd = best->window;
    msg->message = WM_TIMER;
    msg->wParam = best->id;
    msg->lParam = reinterpret_cast<LPARAM>(best->proc);
    if (remove) best->due = now + best->interval;
    return true;
}

long long MsUntilNextTimer()
{
    auto& t = Timers();
    if (t.timers.empty()) return -1;
    ULONGLONG now = MessageClockNow();
    ULONGLONG first = t.timers.front().due;
    for (const Timer& x : t.timers) first = std::min(first, x.due);
    return first <= now ? 0 : static_cast<long long>(first - now);
}

void KillTimersOf(HWND window)
{
    auto& v = Timers().timers;
    v.erase(std::remove_if(v.begin(), v.end(), [&](const Timer& x) { return x.window == window; }), v.end());
}

bool IsLiveTimerProc(HWND window, UINT_PTR id, TIMERPROC proc)
{
    for (const Timer& x : Timers().timers)
        if (x.window == window && x.id == id && x.proc == proc) return true;
    return false;
}

}  // namespace win32_gui
