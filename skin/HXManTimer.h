// Timers for skin controls without windows of their own: every timer runs
// on the skin window, and the manager maps the timer identifier back to the
// control and the key the control chose. Identifiers start at 101 and stay
// clear of the small fixed ones windows use for their own timers.
#pragma once

#include <list>
#include <unordered_map>

#include "platform/win32/gui/UserTypes.h"

class HXConBase;

struct STimer {
    HXConBase* control = nullptr;
    int key = 0;
    int interval = 0;  // milliseconds
    UINT id = 0;
};

class HXManTimer {
public:
    static constexpr UINT kFirstId = 100;        // the last identifier before any is issued
    static constexpr UINT kLastId = 0x7FFFFF00;  // past it, identifiers start again

    explicit HXManTimer(HWND window = nullptr);
    virtual ~HXManTimer();
    HXManTimer(const HXManTimer&) = delete;
    HXManTimer& operator=(const HXManTimer&) = delete;

    void SetWindow(HWND window) { m_hWnd = window; }
    HWND GetWindow() const { return m_hWnd; }
    // Starts, or restarts with the new interval, the timer of (control, key).
    int SetControlTimer(HXConBase* control, int key, int interval);
    // WM_TIMER of the window: 1 when the identifier is a control's (its
    // OnTimer then had the key), 0 for the window's own timers.
    int OnTimer(UINT_PTR id);
    // Stops every timer (when the window still exists) and forgets them.
    void KillAllTimers();
    size_t GetTimerCount() const { return m_timers.size(); }
    const STimer* FindTimer(const HXConBase* control, int key) const;

protected:
    UINT NextId();

    HWND m_hWnd = nullptr;
    UINT m_nLastId = kFirstId;
    std::list<STimer> m_timers;  // in creation order
    std::unordered_map<UINT, std::list<STimer>::iterator> m_map;
};
