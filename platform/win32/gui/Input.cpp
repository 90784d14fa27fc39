#include "Input.h"

#include <algorithm>
#include <cstdlib>
#include <deque>

#include "Focus.h"
#include "Hooks.h"
#include "MessageQueue.h"
#include "SystemMetrics.h"
#include "Timers.h"
#include "Window.h"
#include "WindowGeometry.h"
#include "WindowObject.h"

using namespace win32_gui;

namespace {

enum class RawKind { Move, Button, Wheel, Key };

struct RawInput {
    RawKind kind = RawKind::Move;
    POINT pt;
    MouseButton button = MouseButton::Left;
    bool down = false;
    int delta = 0;
    WORD vk = 0;
    wchar_t ch = 0;
    DWORD time = 0;
    // Filled once, when the input is turned into its message.
    bool converted = false;
    bool dropped = false;
    MSG msg;
    LRESULT hit = HTNOWHERE;
};

// Leave and hover tracking: one window at a time, as on the system.
struct Tracking {
    HWND window = nullptr;
    DWORD flags = 0;  // TME_LEAVE, TME_HOVER (until the hover is reported), TME_NONCLIENT
    DWORD hoverTime = 0;
    RECT hoverRect;  // screen; the hover restarts when the cursor leaves it
    ULONGLONG hoverDue = 0;
};

// The system's defaults: HOVER_DEFAULT waits this long, and the cursor may
// wander this far (a box centred on where the wait started).
constexpr DWORD kDefaultHoverMs = 400;
constexpr int kHoverBox = 4;

struct InputState {
    std::deque<RawInput> queue;
    POINT cursor;
    bool keys[256] = {};
    bool toggled[256] = {};
    HWND capture = nullptr;
    Tracking tracking;
    // The last press, for double clicks.
    HWND lastDownWindow = nullptr;
    UINT lastDownMessage = 0;
    MouseButton lastDownButton = MouseButton::Left;
    DWORD lastDownTime = 0;
    POINT lastDownPoint;
    bool lastWasDouble = false;
    // The character the last key press taken from the queue carries.
    MSG lastKeyMsg;
    wchar_t lastKeyChar = 0;
};

InputState& S()
{
    static InputState s;
    return s;
}

WORD ButtonKey(MouseButton b)
{
    switch (b) {
    case MouseButton::Left: return VK_LBUTTON;
    case MouseButton::Right: return VK_RBUTTON;
    default: return VK_MBUTTON;
    }
}

WPARAM MouseKeyFlags()
{
    InputState& s = S();
    WPARAM f = 0;
    if (s.keys[VK_LBUTTON]) f |= MK_LBUTTON;
    if (s.keys[VK_RBUTTON]) f |= MK_RBUTTON;
    if (s.keys[VK_MBUTTON]) f |= MK_MBUTTON;
    if (s.keys[VK_SHIFT]) f |= MK_SHIFT;
    if (s.keys[VK_CONTROL]) f |= MK_CONTROL;
    return f;
}

LPARAM PackPoint(POINT p) { return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y))); }

void Enqueue(RawInput in)
{
    in.time = static_cast<DWORD>(MessageClockNow());
    S().queue.push_back(in);
    WakeQueue();
}

// The window under a screen point after asking it where the point is; a
// window answering HTTRANSPARENT passes the point to the window beneath.
HWND HitWindow(POINT pt, LRESULT* hit)
{
    HWND h = WindowFromPoint(pt);
    while (h) {
        LRESULT code = SendMessageW(h, WM_NCHITTEST, 0, PackPoint(pt));
        if (!IsWindow(h)) {
            h = WindowFromPoint(pt);
            continue;
        }
        if (code != HTTRANSPARENT) {
            *hit = code;
            return h;
        }
        WindowObject* w = Find(h);
        h = (w && w->IsChild()) ? w->parent : nullptr;
    }
    *hit = HTNOWHERE;
    return nullptr;
}

RECT HoverBoxAt(POINT p)
{
    return RECT{p.x - kHoverBox / 2, p.y - kHoverBox / 2, p.x + kHoverBox / 2, p.y + kHoverBox / 2};
}

// Starts the hover wait again where the cursor is.
void RestartHover(Tracking& t, POINT cursor)
{
    t.hoverRect = HoverBoxAt(cursor);
    t.hoverDue = MessageClockNow() + t.hoverTime;
}

// A move out of the hover box starts the wait again from the new place.
void NoteMoveForHover(POINT cursor)
{
    Tracking& t = S().tracking;
    if (!t.window || !(t.flags & TME_HOVER)) return;
    if (!PtInRect(&t.hoverRect, cursor)) RestartHover(t, cursor);
}

void PostLeave(HWND window, bool nonClient) { PostMessageW(window, nonClient ? WM_NCMOUSELEAVE : WM_MOUSELEAVE, 0, 0); }

// Ends leave tracking when the cursor is no longer where the window wanted it.
void CheckLeave(HWND under, LRESULT hit)
{
    Tracking& t = S().tracking;
    if (!t.window) return;
    if (!IsWindow(t.window)) {
        t = Tracking{};
        return;
    }
    bool nonClient = (t.flags & TME_NONCLIENT) != 0;
    bool inside = under == t.window && (nonClient ? hit != HTCLIENT : hit == HTCLIENT);
    if (!inside) {
        HWND w = t.window;
        t = Tracking{};
        PostLeave(w, nonClient);
    }
}

UINT ButtonMessage(MouseButton b, bool down, bool dbl, bool client)
{
    UINT base = 0;
    switch (b) {
    case MouseButton::Left: base = client ? WM_LBUTTONDOWN : WM_NCLBUTTONDOWN; break;
    case MouseButton::Right: base = client ? WM_RBUTTONDOWN : WM_NCRBUTTONDOWN; break;
    case MouseButton::Middle: base = client ? WM_MBUTTONDOWN : WM_NCMBUTTONDOWN; break;
    }
    return dbl ? base + 2 : down ? base : base + 1;
}

bool IsDoubleClick(const RawInput& in, HWND target)
{
    InputState& s = S();
    if (s.lastWasDouble || s.lastDownWindow != target || s.lastDownButton != in.button) return false;
    if (in.time - s.lastDownTime > GetDoubleClickTime()) return false;
    int cx = GetSystemMetrics(SM_CXDOUBLECLK) / 2, cy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    return std::abs(in.pt.x - s.lastDownPoint.x) <= cx && std::abs(in.pt.y - s.lastDownPoint.y) <= cy;
}

void ConvertMouse(RawInput& in)
{
    InputState& s = S();
    s.cursor = in.pt;
    if (in.kind == RawKind::Button) s.keys[ButtonKey(in.button)] = in.down;

    HWND target = nullptr;
    LRESULT hit = HTNOWHERE;
    if (s.capture && IsWindow(s.capture)) {
        target = s.capture;
        hit = HTCLIENT;
        HWND under = WindowFromPoint(in.pt);
        LRESULT underHit = HTCLIENT;
        if (under != target) underHit = HTNOWHERE;
        CheckLeave(under, underHit);
    } else {
        s.capture = nullptr;
        target = HitWindow(in.pt, &hit);
        CheckLeave(target, hit);
    }
    if (in.kind == RawKind::Move) NoteMoveForHover(in.pt);
    if (!target) {
        in.dropped = true;
        return;
    }

    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    bool client = hit == HTCLIENT;
    if (in.kind == RawKind::Wheel) {
        message = WM_MOUSEWHEEL;
        wParam = MAKELONG(static_cast<WORD>(MouseKeyFlags()), static_cast<WORD>(in.delta));
        lParam = PackPoint(in.pt);
    } else if (in.kind == RawKind::Move) {
        message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
    } else {
        bool dbl = false;
        if (in.down) {
            dbl = IsDoubleClick(in, target);
            // Only classes that ask for double clicks get them in the client area.
            if (dbl && client && !(Find(target)->cls->style & CS_DBLCLKS)) dbl = false;
            s.lastWasDouble = dbl;
            s.lastDownWindow = target;
            s.lastDownButton = in.button;
            s.lastDownTime = in.time;
            s.lastDownPoint = in.pt;
        }
        message = ButtonMessage(in.button, in.down, dbl, client);
    }

    // A window disabled by a modal loop answers with the error cursor only.
    HWND root = GetAncestor(target, GA_ROOT);
    if (!s.capture && !IsWindowEnabled(root)) {
        UINT down = in.kind == RawKind::Button && in.down ? message : WM_MOUSEMOVE;
        SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                     MAKELONG(static_cast<WORD>(HTERROR), down));
        in.dropped = true;
        return;
    }
    if (!s.capture && in.kind != RawKind::Wheel) {
        SendMessageW(target, WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
                     MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(message)));
        if (!IsWindow(target)) {
            in.dropped = true;
            return;
        }
    }
    if (in.kind == RawKind::Button && in.down && GetActiveWindow() != root) {
        LRESULT ma = SendMessageW(target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(root),
                                  MAKELONG(static_cast<WORD>(hit), static_cast<WORD>(message)));
        if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) {
            SetActivationCause(WA_CLICKACTIVE);
            SetActiveWindow(root);
        }
        if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT || !IsWindow(target)) {
            in.dropped = true;
            return;
        }
    }
    if (in.kind != RawKind::Wheel) {
        if (client) {
            POINT c = in.pt;
            ScreenToClient(target, &c);
            wParam = MouseKeyFlags();
            lParam = PackPoint(c);
        } else {
            wParam = static_cast<WPARAM>(hit);
            lParam = PackPoint(in.pt);
        }
    }
    in.msg.hwnd = target;
    in.msg.message = message;
    in.msg.wParam = wParam;
    in.msg.lParam = lParam;
    in.msg.time = in.time;
    in.msg.pt = in.pt;
    in.hit = hit;
}

void ConvertKey(RawInput& in)
{
    InputState& s = S();
    bool wasDown = s.keys[in.vk & 0xFF];
    s.keys[in.vk & 0xFF] = in.down;
    if (in.down && !wasDown) s.toggled[in.vk & 0xFF] = !s.toggled[in.vk & 0xFF];
    HWND target = GetFocus();
    if (!target) target = GetActiveWindow();
    if (!target) {
        in.dropped = true;
        return;
    }
    bool alt = s.keys[VK_MENU];
    bool sys = (alt && !s.keys[VK_CONTROL]) || in.vk == VK_F10 || in.vk == VK_MENU;
    UINT message = in.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
    DWORD lp = 1;
    if (alt) lp |= 1u << 29;
    if (wasDown) lp |= 1u << 30;
    if (!in.down) lp |= (1u << 30) | (1u << 31);
    in.msg.hwnd = target;
    in.msg.message = message;
    in.msg.wParam = in.vk;
    in.msg.lParam = static_cast<LPARAM>(lp);
    in.msg.time = in.time;
    in.msg.pt = s.cursor;
}

}  // namespace

void InjectMouseMove(POINT screen)
{
    RawInput in;
    in.kind = RawKind::Move;
    in.pt = screen;
    Enqueue(in);
}

void InjectMouseButton(MouseButton button, bool down, POINT screen)
{
    RawInput in;
    in.kind = RawKind::Button;
    in.button = button;
    in.down = down;
    in.pt = screen;
    Enqueue(in);
}

void InjectMouseWheel(int delta, POINT screen)
{
    RawInput in;
    in.kind = RawKind::Wheel;
    in.delta = delta;
    in.pt = screen;
    Enqueue(in);
}

void InjectKey(WORD virtualKey, bool down, wchar_t character)
{
    RawInput in;
    in.kind = RawKind::Key;
    in.vk = virtualKey;
    in.down = down;
    in.ch = character;
    Enqueue(in);
}

void ResetInputState()
{
    InputState& s = S();
    s.queue.clear();
    std::fill(std::begin(s.keys), std::end(s.keys), false);
    s.lastDownWindow = nullptr;
    s.lastWasDouble = false;
    s.tracking = Tracking{};
    s.lastKeyChar = 0;
}

HWND SetCapture(HWND window)
{
    InputState& s = S();
    if (window && !Lookup(window)) return nullptr;
    HWND old = s.capture && IsWindow(s.capture) ? s.capture : nullptr;
    s.capture = window;
    if (old && old != window) SendMessageW(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
    return old;
}

BOOL ReleaseCapture()
{
    InputState& s = S();
    HWND old = s.capture;
    s.capture = nullptr;
    if (old && IsWindow(old)) SendMessageW(old, WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture()
{
    InputState& s = S();
    if (s.capture && !IsWindow(s.capture)) s.capture = nullptr;
    return s.capture;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* track)
{
    if (!track || track->cbSize != sizeof(TRACKMOUSEEVENT)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    InputState& s = S();
    if (track->dwFlags & TME_QUERY) {
        track->dwFlags = s.tracking.window ? s.tracking.flags : 0;
        track->hwndTrack = s.tracking.window;
        track->dwHoverTime = s.tracking.window ? s.tracking.hoverTime : 0;
        return TRUE;
    }
    if (!Lookup(track->hwndTrack)) return FALSE;
    const DWORD kinds = track->dwFlags & (TME_LEAVE | TME_HOVER);
    if (track->dwFlags & TME_CANCEL) {
        // Cancels the kinds named (every kind when none is named).
        Tracking& t = s.tracking;
        if (t.window == track->hwndTrack) {
            t.flags &= kinds ? ~kinds : 0;
            if (!(t.flags & (TME_LEAVE | TME_HOVER))) t = Tracking{};
        }
        return TRUE;
    }
    if (!kinds) return TRUE;
    bool nonClient = (track->dwFlags & TME_NONCLIENT) != 0;
    LRESULT hit = HTNOWHERE;
    HWND under = s.capture ? WindowFromPoint(s.cursor) : HitWindow(s.cursor, &hit);
    if (s.capture) hit = under == track->hwndTrack ? HTCLIENT : HTNOWHERE;
    bool inside = under == track->hwndTrack && (nonClient ? hit != HTCLIENT : hit == HTCLIENT);
    if (!inside) {
        // Nothing to hover over; a leave is reported at once.
        if (kinds & TME_LEAVE) PostLeave(track->hwndTrack, nonClient);
        return TRUE;
    }
    Tracking& t = s.tracking;
    if (t.window != track->hwndTrack || ((t.flags & TME_NONCLIENT) != 0) != nonClient) t = Tracking{};
    t.window = track->hwndTrack;
    t.flags = (t.flags & (TME_LEAVE | TME_HOVER)) | kinds | (nonClient ? TME_NONCLIENT : 0);
    if (kinds & TME_HOVER) {
        // Each request reports one hover, after the time counted from now.
        t.hoverTime = track->dwHoverTime == HOVER_DEFAULT ? kDefaultHoverMs : track->dwHoverTime;
        t.hoverTime = std::clamp<DWORD>(t.hoverTime, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
        RestartHover(t, s.cursor);
    }
    return TRUE;
}

BOOL GetCursorPos(POINT* p)
{
    if (!p) return FALSE;
    *p = S().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    S().cursor = POINT{x, y};
    return TRUE;
}

SHORT GetKeyState(int virtualKey)
{
    InputState& s = S();
    int k = virtualKey & 0xFF;
    SHORT r = s.keys[k] ? static_cast<SHORT>(0x8000) : 0;
    if (s.toggled[k]) r |= 1;
    return r;
}

SHORT GetAsyncKeyState(int virtualKey) { return static_cast<SHORT>(GetKeyState(virtualKey) & 0x8000); }

BOOL TranslateMessage(const MSG* msg)
{
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
    InputState& s = S();
    const MSG& k = s.lastKeyMsg;
    if (!s.lastKeyChar || k.hwnd != msg->hwnd || k.message != msg->message || k.wParam != msg->wParam ||
        k.time != msg->time)
        return FALSE;
    wchar_t ch = s.lastKeyChar;
    s.lastKeyChar = 0;
    PostMessageW(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, static_cast<WPARAM>(ch), msg->lParam);
    return TRUE;
}

namespace win32_gui {

bool IsMouseMessage(UINT m)
{
    return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK);
}

void PrepareInput()
{
    InputState& s = S();
    while (!s.queue.empty()) {
        RawInput& in = s.queue.front();
        if (!in.converted) {
            in.converted = true;
            if (in.kind == RawKind::Key)
                ConvertKey(in);
            else
                ConvertMouse(in);
        }
        if (s.queue.empty()) return;
        if (!s.queue.front().dropped) return;
        s.queue.pop_front();
    }
}

bool TakeInputMessage(const MessageFilter& filter, bool remove, MSG* msg)
{
    InputState& s = S();
    for (;;) {
        PrepareInput();
        if (s.queue.empty()) return false;
        RawInput& in = s.queue.front();
        if (!IsWindow(in.msg.hwnd)) {
            s.queue.pop_front();
            continue;
        }
        if (!filter.Matches(in.msg.hwnd, in.msg.message)) return false;
        if (IsMouseMessage(in.msg.message) && MouseHookSwallows(in.msg, in.hit, remove)) {
            s.queue.pop_front();
            continue;
        }
        *msg = in.msg;
        if (remove) {
            if (in.kind == RawKind::Key && in.down) {
                s.lastKeyMsg = in.msg;
                s.lastKeyChar = in.ch;
            }
            s.queue.pop_front();
        }
        return true;
    }
}

bool TakeHoverMessage(const MessageFilter& filter, bool remove, MSG* msg)
{
    InputState& s = S();
    Tracking& t = s.tracking;
    if (!t.window || !(t.flags & TME_HOVER) || MessageClockNow() < t.hoverDue) return false;
    if (!IsWindow(t.window)) {
        t = Tracking{};
        return false;
    }
    bool nonClient = (t.flags & TME_NONCLIENT) != 0;
    UINT message = nonClient ? WM_NCMOUSEHOVER : WM_MOUSEHOVER;
    if (!filter.Matches(t.window, message)) return false;
    *msg = MSG{};
    msg->hwnd = t.window;
    msg->message = message;
    msg->pt = s.cursor;
    if (nonClient) {
        msg->wParam = static_cast<WPARAM>(SendMessageW(t.window, WM_NCHITTEST, 0, PackPoint(s.cursor)));
        msg->lParam = PackPoint(s.cursor);
    } else {
        POINT c = s.cursor;
        ScreenToClient(t.window, &c);
        msg->wParam = MouseKeyFlags();
        msg->lParam = PackPoint(c);
    }
    if (remove) {
        // One report per request; leave tracking goes on.
        t.flags &= ~TME_HOVER;
        if (!(t.flags & TME_LEAVE)) t = Tracking{};
    }
    return true;
}

long long MsUntilHover()
{
    const Tracking& t = S().tracking;
    if (!t.window || !(t.flags & TME_HOVER)) return -1;
    ULONGLONG now = MessageClockNow();
    return t.hoverDue <= now ? 0 : static_cast<long long>(t.hoverDue - now);
}

POINT CurrentCursorPos() { return S().cursor; }

void ForgetWindowInput(HWND window)
{
    InputState& s = S();
    if (s.capture == window) s.capture = nullptr;
    if (s.tracking.window == window) s.tracking = Tracking{};
    if (s.lastDownWindow == window) s.lastDownWindow = nullptr;
}

}  // namespace win32_gui
