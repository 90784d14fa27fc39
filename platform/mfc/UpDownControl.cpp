// The "msctls_updown32" class: two arrow buttons drawn by the layer, with a
// range (which may run backwards: the up arrow always moves toward the upper
// end, so with the lower end above the upper one it lowers the position), a
// position, and a buddy window that shows the position as a number
// (UDS_SETBUDDYINT) and is read back when the position is asked for. Each
// step first asks the parent with UDN_DELTAPOS, whose delta the parent may
// change and whose non-zero answer cancels the step; the step then moves the
// position (clamped, or wrapped with UDS_WRAP), updates the buddy and sends
// WM_VSCROLL (WM_HSCROLL with UDS_HORZ) with SB_THUMBPOSITION; letting the
// button go sends SB_ENDSCROLL. Holding a button repeats the step with the
// accelerations set by UDM_SETACCEL.
#include <algorithm>
#include <cwctype>
#include <vector>

#include "platform/mfc/ControlWindow.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;
constexpr const wchar_t* kBuddyOwnerProp = L"RivoUpDownOfBuddy";
constexpr const wchar_t* kBuddyProcProp = L"RivoUpDownBuddyProc";

enum class Part { None, Up, Down };

struct UpDownControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    int lower = 100;  // the system's default range runs from 100 down to 0
    int upper = 0;
    int pos = 0;
    HWND buddy = nullptr;
    int base = 10;
    std::vector<UDACCEL> accel{UDACCEL{0, 1}};
    Part pressed = Part::None;
    bool keyStepping = false;
    ULONGLONG pressedAt = 0;
};

UpDownControl* StateOf(HWND h) { return ControlWindow::Of<UpDownControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool Horizontal(HWND h) { return (Style(h) & UDS_HORZ) != 0; }
int Low(const UpDownControl& s) { return std::min(s.lower, s.upper); }
int High(const UpDownControl& s) { return std::max(s.lower, s.upper); }
bool InRange(const UpDownControl& s, long long v) { return v >= Low(s) && v <= High(s); }

std::wstring FormatPosition(HWND h, const UpDownControl& s)
{
    if (s.base == 16) return FormatText(L"0x%04X", static_cast<unsigned>(s.pos) & 0xFFFFFFFFu);
    std::wstring digits = std::to_wstring(std::abs(static_cast<long long>(s.pos)));
    if (!(Style(h) & UDS_NOTHOUSANDS))
        for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), L",");
    return (s.pos < 0 ? L"-" : L"") + digits;
}

// The buddy's number, or false when its text holds none.
bool ParseBuddy(const UpDownControl& s, const std::wstring& text, long long* out)
{
    std::wstring t;
    for (wchar_t c : text)
        if (c != L',' && !std::iswspace(c)) t += c;
    if (t.empty()) return false;
    size_t i = 0;
    bool negative = false;
    if (t[0] == L'-' || t[0] == L'+') {
        negative = t[0] == L'-';
        i = 1;
    }
    int base = s.base;
    if (base == 16 && t.size() > i + 1 && t[i] == L'0' && (t[i + 1] == L'x' || t[i + 1] == L'X')) i += 2;
    if (i >= t.size()) return false;
    long long v = 0;
    for (; i < t.size(); ++i) {
        int d = (t[i] >= L'0' && t[i] <= L'9')                 ? t[i] - L'0'
                : (base == 16 && t[i] >= L'a' && t[i] <= L'f') ? t[i] - L'a' + 10
                : (base == 16 && t[i] >= L'A' && t[i] <= L'F') ? t[i] - L'A' + 10
                                                               : -1;
        if (d < 0) return false;
        v = v * base + d;
        if (v > 0x7FFFFFFFll) return false;
    }
    *out = negative ? -v : v;
    return true;
}

std::wstring BuddyText(HWND buddy)
{
    int n = GetWindowTextLengthW(buddy);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(std::max(0, GetWindowTextW(buddy, text.data(), n + 1))));
    return text;
}

// Takes the buddy's number as the position; false when it holds none in
// the range.
bool ReadBuddy(HWND h, UpDownControl& s)
{
    if (!(Style(h) & UDS_SETBUDDYINT) || !s.buddy || !IsWindow(s.buddy)) return true;
    long long v = 0;
    if (!ParseBuddy(s, BuddyText(s.buddy), &v) || !InRange(s, v)) return false;
    s.pos = static_cast<int>(v);
    return true;
}

void WriteBuddy(HWND h, const UpDownControl& s)
{
    if ((Style(h) & UDS_SETBUDDYINT) && s.buddy && IsWindow(s.buddy))
        SetWindowTextW(s.buddy, FormatPosition(h, s).c_str());
}

void SendScroll(HWND h, UINT code, int pos)
{
    HWND parent = GetParent(h);
    if (parent)
        SendMessageW(parent, Horizontal(h) ? WM_HSCROLL : WM_VSCROLL,
                     MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), reinterpret_cast<LPARAM>(h));
}

int Increment(const UpDownControl& s, ULONGLONG heldMs)
{
    int inc = s.accel.empty() ? 1 : static_cast<int>(s.accel.front().nInc);
    for (const UDACCEL& a : s.accel)
        if (heldMs / 1000 >= a.nSec) inc = static_cast<int>(a.nInc);
    return inc;
}

void Step(HWND h, bool up)
{
    UpDownControl* s = StateOf(h);
    if (!s) return;
    ReadBuddy(h, *s);
    int delta = Increment(*s, s->pressed != Part::None ? MessageClockNow() - s->pressedAt : 0);
    // The up arrow moves toward the upper end of the range.
    if (up != (s->upper >= s->lower)) delta = -delta;
    NMUPDOWN nm;
    nm.iPos = s->pos;
    nm.iDelta = delta;
    if (NotifyParent(h, UDN_DELTAPOS, &nm.hdr) != 0) return;
    if (!(s = StateOf(h))) return;
    long long next = static_cast<long long>(s->pos) + nm.iDelta;
    if (!InRange(*s, next)) {
        if (Style(h) & UDS_WRAP)
            next = next > High(*s) ? Low(*s) : High(*s);
        else
            next = std::clamp<long long>(next, Low(*s), High(*s));
    }
    s->pos = static_cast<int>(next);
    WriteBuddy(h, *s);
    if (!(s = StateOf(h))) return;
    SendScroll(h, SB_THUMBPOSITION, s->pos);
}

RECT PartRect(HWND h, Part part)
{
    RECT r;
    GetClientRect(h, &r);
    if (Horizontal(h)) {
        int mid = (r.left + r.right) / 2;
        return part == Part::Down ? RECT{r.left, r.top, mid, r.bottom} : RECT{mid, r.top, r.right, r.bottom};
    }
    int mid = (r.top + r.bottom) / 2;
    return part == Part::Up ? RECT{r.left, r.top, r.right, mid} : RECT{r.left, mid, r.right, r.bottom};
}

void DrawArrow(HDC dc, const RECT& r, bool up, bool horizontal, bool enabled)
{
    int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
    int size = std::max(2, std::min(r.right - r.left, r.bottom - r.top) / 4);
    POINT p[3];
    if (horizontal) {
        int dir = up ? 1 : -1;
        p[0] = POINT{cx + dir * size / 2, cy};
        p[1] = POINT{cx - dir * size / 2, cy - size};
        p[2] = POINT{cx - dir * size / 2, cy + size};
    } else {
        int dir = up ? -1 : 1;
        p[0] = POINT{cx, cy + dir * size / 2};
        p[1] = POINT{cx - size, cy - dir * size / 2};
        p[2] = POINT{cx + size, cy - dir * size / 2};
    }
    HBRUSH brush = GetSysColorBrush(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    Polygon(dc, p, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
}

void Paint(HWND h)
{
    UpDownControl* s = StateOf(h);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT all;
    GetClientRect(h, &all);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    bool enabled = IsWindowEnabled(h) != FALSE;
    for (Part part : {Part::Up, Part::Down}) {
        RECT r = PartRect(h, part);
        DrawEdge(dc, &r, s && s->pressed == part ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        DrawArrow(dc, r, part == Part::Up, Horizontal(h), enabled);
    }
    EndPaint(h, &ps);
}

void Align(HWND h, UpDownControl& s)
{
    DWORD style = Style(h);
    if (!s.buddy || !IsWindow(s.buddy) || !(style & (UDS_ALIGNRIGHT | UDS_ALIGNLEFT))) return;
    RECT buddy, mine;
    GetWindowRect(s.buddy, &buddy);
    GetWindowRect(h, &mine);
    HWND parent = GetParent(h);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&buddy), 2);
    int width = mine.right - mine.left;
    int height = buddy.bottom - buddy.top;
    int buddyWidth = std::max(0, static_cast<int>(buddy.right - buddy.left) - width);
    if (style & UDS_ALIGNRIGHT) {
        SetWindowPos(s.buddy, nullptr, buddy.left, buddy.top, buddyWidth, height, SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(h, nullptr, buddy.left + buddyWidth, buddy.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        SetWindowPos(s.buddy, nullptr, buddy.left + width, buddy.top, buddyWidth, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(h, nullptr, buddy.left, buddy.top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

// The buddy of an up-down with UDS_ARROWKEYS passes its up and down arrows
// to the up-down.
LRESULT BuddyProc(HWND buddy, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto next = reinterpret_cast<WNDPROC>(GetPropW(buddy, kBuddyProcProp));
    auto owner = static_cast<HWND>(GetPropW(buddy, kBuddyOwnerProp));
    if (!next) return DefWindowProcW(buddy, message, wParam, lParam);
    UpDownControl* s = owner ? StateOf(owner) : nullptr;
    if (s && s->buddy == buddy) {
        bool horizontal = Horizontal(owner);
        WPARAM upKey = horizontal ? VK_RIGHT : VK_UP, downKey = horizontal ? VK_LEFT : VK_DOWN;
        if (message == WM_GETDLGCODE) return CallWindowProcW(next, buddy, message, wParam, lParam) | DLGC_WANTARROWS;
        if (message == WM_KEYDOWN && (wParam == upKey || wParam == downKey)) {
            s->keyStepping = true;
            Step(owner, wParam == upKey);
            return 0;
        }
        if (message == WM_KEYUP && (wParam == upKey || wParam == downKey) && s->keyStepping) {
            s->keyStepping = false;
            SendScroll(owner, SB_ENDSCROLL, s->pos);
            return 0;
        }
    }
    if (message == WM_NCDESTROY) {
        RemovePropW(buddy, kBuddyProcProp);
        RemovePropW(buddy, kBuddyOwnerProp);
        if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(buddy, GWLP_WNDPROC)) == BuddyProc)
            SetWindowLongPtrW(buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
    }
    return CallWindowProcW(next, buddy, message, wParam, lParam);
}

void ReleaseBuddy(HWND h, UpDownControl& s)
{
    if (!s.buddy || !IsWindow(s.buddy)) return;
    if (static_cast<HWND>(GetPropW(s.buddy, kBuddyOwnerProp)) == h) {
        auto next = reinterpret_cast<WNDPROC>(GetPropW(s.buddy, kBuddyProcProp));
        // Only when no one subclassed the buddy after us can our procedure go.
        if (next && reinterpret_cast<WNDPROC>(GetWindowLongPtrW(s.buddy, GWLP_WNDPROC)) == BuddyProc) {
            SetWindowLongPtrW(s.buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(next));
            RemovePropW(s.buddy, kBuddyProcProp);
        }
        RemovePropW(s.buddy, kBuddyOwnerProp);
    }
}

void SetBuddy(HWND h, UpDownControl& s, HWND buddy)
{
    ReleaseBuddy(h, s);
    s.buddy = (buddy && IsWindow(buddy)) ? buddy : nullptr;
    if (!s.buddy) return;
    if ((Style(h) & UDS_ARROWKEYS) && !GetPropW(s.buddy, kBuddyProcProp)) {
        auto old =
            reinterpret_cast<WNDPROC>(SetWindowLongPtrW(s.buddy, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BuddyProc)));
        SetPropW(s.buddy, kBuddyProcProp, reinterpret_cast<HANDLE>(old));
    }
    SetPropW(s.buddy, kBuddyOwnerProp, h);
    Align(h, s);
}

Part PartAt(HWND h, LPARAM lParam)
{
    POINT p{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
            static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
    RECT up = PartRect(h, Part::Up), down = PartRect(h, Part::Down);
    if (PtInRect(&up, p)) return Part::Up;
    if (PtInRect(&down, p)) return Part::Down;
    return Part::None;
}

LRESULT UpDownControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    switch (message) {
    case WM_CREATE:
        if (Style() & UDS_AUTOBUDDY) SetBuddy(h, *this, GetWindow(h, GW_HWNDPREV));
        WriteBuddy(h, *this);
        return 0;
    case WM_NCDESTROY: ReleaseBuddy(h, *this); return Default(message, wParam, lParam);
    case WM_PAINT: Paint(h); return 0;
    case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        Part part = PartAt(h, lParam);
        if (part == Part::None || !IsWindowEnabled(h)) return 0;
        SetCapture(h);
        pressed = part;
        pressedAt = MessageClockNow();
        InvalidateRect(h, nullptr, TRUE);
        Step(h, part == Part::Up);
        if (IsWindow(h)) SetTimer(h, kRepeatTimer, kFirstRepeatMs, nullptr);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kRepeatTimer && pressed != Part::None) {
            SetTimer(h, kRepeatTimer, kRepeatMs, nullptr);
            Step(h, pressed == Part::Up);
        }
        return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (pressed != Part::None) {
            pressed = Part::None;
            KillTimer(h, kRepeatTimer);
            if (message == WM_LBUTTONUP) ReleaseCapture();
            InvalidateRect(h, nullptr, TRUE);
            if (StateOf(h) == this) SendScroll(h, SB_ENDSCROLL, pos);
        }
        return 0;
    case WM_KEYDOWN: {
        bool horizontal = Horizontal(h);
        if (wParam == (horizontal ? VK_RIGHT : VK_UP) || wParam == (horizontal ? VK_LEFT : VK_DOWN)) {
            keyStepping = true;
            Step(h, wParam == (horizontal ? VK_RIGHT : VK_UP));
        }
        return 0;
    }
    case WM_KEYUP:
        if (keyStepping) {
            keyStepping = false;
            SendScroll(h, SB_ENDSCROLL, pos);
        }
        return 0;
    case UDM_SETRANGE:
        upper = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        lower = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
        return 0;
    case UDM_SETRANGE32:
        lower = static_cast<int>(static_cast<INT_PTR>(wParam));
        upper = static_cast<int>(lParam);
        return 0;
    case UDM_GETRANGE: return MAKELONG(static_cast<WORD>(upper), static_cast<WORD>(lower));
    case UDM_GETRANGE32:
        if (wParam) *reinterpret_cast<int*>(wParam) = lower;
        if (lParam) *reinterpret_cast<int*>(lParam) = upper;
        return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
        int old = pos;
        long long v = message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)))
                                            : static_cast<long long>(static_cast<int>(lParam));
        pos = static_cast<int>(std::clamp<long long>(v, Low(*this), High(*this)));
        WriteBuddy(h, *this);
        return old;
    }
    case UDM_GETPOS: {
        bool ok = ReadBuddy(h, *this);
        return MAKELONG(static_cast<WORD>(pos), static_cast<WORD>(ok ? 0 : 1));
    }
    case UDM_GETPOS32: {
        bool ok = ReadBuddy(h, *this);
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = ok ? FALSE : TRUE;
        return pos;
    }
    case UDM_SETBUDDY: {
        HWND old = buddy;
        SetBuddy(h, *this, reinterpret_cast<HWND>(wParam));
        return reinterpret_cast<LRESULT>(old);
    }
    case UDM_GETBUDDY: return reinterpret_cast<LRESULT>(buddy);
    case UDM_SETBASE: {
        if (wParam != 10 && wParam != 16) return 0;
        int old = base;
        base = static_cast<int>(wParam);
        WriteBuddy(h, *this);
        return old;
    }
    case UDM_GETBASE: return base;
    case UDM_SETACCEL: {
        auto* list = reinterpret_cast<const UDACCEL*>(lParam);
        if (!list || wParam == 0 || wParam > 64) return FALSE;
        accel.assign(list, list + wParam);
        return TRUE;
    }
    case UDM_GETACCEL: {
        auto* out = reinterpret_cast<UDACCEL*>(lParam);
        size_t n = std::min<size_t>(wParam, accel.size());
        if (out) std::copy(accel.begin(), accel.begin() + static_cast<long>(n), out);
        return static_cast<LRESULT>(accel.size());
    }
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterUpDownClass() { ControlWindow::Register<UpDownControl>(UPDOWN_CLASSW); }

}  // namespace mfc_controls
