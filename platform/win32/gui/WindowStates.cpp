#include "WindowStates.h"

#include <algorithm>

#include "Focus.h"
#include "MessageQueue.h"
#include "Monitors.h"
#include "MoveSizeLoop.h"
#include "Window.h"
#include "WindowGeometry.h"
#include "WindowObject.h"
#include "WindowWidget.h"

namespace win32_gui {
namespace {

LPARAM ClientSizeOf(const WindowObject& w)
{
    RECT c = w.ClientRectInWindow();
    return MAKELONG(static_cast<WORD>(c.right - c.left), static_cast<WORD>(c.bottom - c.top));
}

void ShowIfHidden(HWND window, WindowObject& w)
{
    if (w.style & WS_VISIBLE) return;
    SendMessageW(window, WM_SHOWWINDOW, TRUE, 0);
}

void Minimize(HWND window, WindowObject& w)
{
    if (!(w.style & WS_MINIMIZE)) {
        w.restoreToMaximized = (w.style & WS_MAXIMIZE) != 0;
        if (!w.restoreToMaximized) w.normalRect = w.rect;
        w.style = (w.style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    }
    ShowIfHidden(window, w);
    if (!w.alive) return;
    // The activation moves on to another window, as the keyboard can no
    // longer reach an iconified one.
    ReleaseFocusFromTree(window);
    if (!w.alive) return;
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW | SWP_FRAMECHANGED);
    if (!w.alive) return;
    SyncWidgetShowState(w);
    SendMessageW(window, WM_SIZE, SIZE_MINIMIZED, 0);
}

void Maximize(HWND window, WindowObject& w, bool activate)
{
    bool wasIconic = (w.style & WS_MINIMIZE) != 0;
    if (!(w.style & (WS_MAXIMIZE | WS_MINIMIZE))) w.normalRect = w.rect;
    w.style = (w.style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    w.restoreToMaximized = false;
    SyncWidgetShowState(w);
    ShowIfHidden(window, w);
    if (!w.alive) return;
    MINMAXINFO mm = DefaultMinMaxInfo(window);
    SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    if (!w.alive) return;
    MONITORINFO info;
    GetMonitorInfoW(MonitorFromRect(&w.normalRect, MONITOR_DEFAULTTONEAREST), &info);
    int cx = std::clamp<LONG>(mm.ptMaxSize.x, mm.ptMinTrackSize.x, std::max(mm.ptMinTrackSize.x, mm.ptMaxTrackSize.x));
    int cy = std::clamp<LONG>(mm.ptMaxSize.y, mm.ptMinTrackSize.y, std::max(mm.ptMinTrackSize.y, mm.ptMaxTrackSize.y));
    RECT before = w.rect;
    SetWindowPos(window, HWND_TOP, info.rcWork.left + mm.ptMaxPosition.x, info.rcWork.top + mm.ptMaxPosition.y, cx, cy,
                 SWP_FRAMECHANGED | SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE));
    // Back from the icon at the same size: the client area still comes back.
    if (w.alive && wasIconic && w.Width() == before.right - before.left && w.Height() == before.bottom - before.top)
        SendMessageW(window, WM_SIZE, SIZE_MAXIMIZED, ClientSizeOf(w));
}

void Restore(HWND window, WindowObject& w, bool activate)
{
    UINT show = SWP_SHOWWINDOW | SWP_FRAMECHANGED | (activate ? 0 : SWP_NOACTIVATE);
    if (w.style & WS_MINIMIZE) {
        if (w.restoreToMaximized) {
            Maximize(window, w, activate);
            return;
        }
        w.style &= ~WS_MINIMIZE;
        SyncWidgetShowState(w);
        ShowIfHidden(window, w);
        if (!w.alive) return;
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | show);
        if (w.alive) SendMessageW(window, WM_SIZE, SIZE_RESTORED, ClientSizeOf(w));
        return;
    }
    w.style &= ~WS_MAXIMIZE;
    ShowIfHidden(window, w);
    if (!w.alive) return;
    RECT r = w.normalRect;
    SetWindowPos(window, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, show);
}

}  // namespace

bool ChangeShowState(HWND window, int command)
{
    auto hold = Hold(window);
    if (!hold || hold->IsChild()) return false;
    WindowObject& w = *hold;
    switch (command) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE: Minimize(window, w); return true;
    case SW_MAXIMIZE: Maximize(window, w, true); return true;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWNOACTIVATE:
        if (!(w.style & (WS_MINIMIZE | WS_MAXIMIZE))) return false;
        Restore(window, w, command != SW_SHOWNOACTIVATE);
        return true;
    default: return false;
    }
}

RECT NormalRectOf(const WindowObject& w) { return (w.style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w.normalRect : w.rect; }

}  // namespace win32_gui
