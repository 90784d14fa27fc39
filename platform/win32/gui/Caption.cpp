#include "Caption.h"

#include <algorithm>

#include "Cursors.h"
#include "DeviceContext.h"
#include "DrawText.h"
#include "GdiDraw.h"
#include "Input.h"
#include "MessageQueue.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowGeometry.h"
#include "WindowObject.h"

namespace win32_gui {
namespace {

// The caption buttons of the system's classic desktop: 18 pixels wide, 2
// pixels from the caption's top, bottom and right, with 2 pixels between
// the close button and the pair before it.
constexpr int kButtonWidth = 18;
constexpr int kMargin = 2;

// The looks of a lit and of a held button; the close button turns red.
constexpr COLORREF kHotFace = RGB(229, 241, 251);
constexpr COLORREF kPressedFace = RGB(204, 228, 247);
constexpr COLORREF kCloseHotFace = RGB(232, 17, 35);
constexpr COLORREF kClosePressedFace = RGB(241, 112, 122);

enum class Glyph { Minimize, Maximize, Restore, Close };

bool Has(const RECT& r) { return r.right > r.left && r.bottom > r.top; }

HICON CaptionIcon(const WindowObject& w)
{
    if (w.iconSmall) return w.iconSmall;
    if (w.iconBig) return w.iconBig;
    if (w.cls && w.cls->icon) return w.cls->icon;
    return LoadIconW(nullptr, IDI_APPLICATION);
}

// Fills boxes of one colour (left, top, right, bottom, relative to an origin).
class BoxPainter {
public:
    BoxPainter(HDC dc, COLORREF color, int x, int y) : dc_(dc), brush_(CreateSolidBrush(color)), x_(x), y_(y) {}
    ~BoxPainter() { DeleteObject(brush_); }
    BoxPainter(const BoxPainter&) = delete;
    BoxPainter& operator=(const BoxPainter&) = delete;
    void Box(int l, int t, int r, int b) const
    {
        RECT box{x_ + l, y_ + t, x_ + r, y_ + b};
        FillRect(dc_, &box, brush_);
    }
    // A window outline with the caption's thicker top line.
    void Frame(int l, int t, int r, int b) const
    {
        Box(l, t, r, t + 2);
        Box(l, b - 1, r, b);
        Box(l, t, l + 1, b);
        Box(r - 1, t, r, b);
    }

private:
    HDC dc_;
    HBRUSH brush_;
    int x_, y_;
};

// The glyph inside a button, centred on (cx, cy).
void DrawGlyph(HDC dc, Glyph glyph, int cx, int cy, COLORREF color, COLORREF face)
{
    BoxPainter p(dc, color, cx, cy);
    switch (glyph) {
    case Glyph::Minimize: p.Box(-4, 2, 3, 4); break;
    case Glyph::Maximize: p.Frame(-4, -4, 5, 4); break;
    case Glyph::Restore: {
        p.Frame(-2, -5, 5, 1);
        BoxPainter cover(dc, face, cx, cy);
        cover.Box(-4, -2, 3, 4);
        p.Frame(-4, -2, 3, 4);
        break;
    }
    case Glyph::Close:
        for (int i = 0; i < 8; ++i) {
            p.Box(-4 + i, -4 + i, -2 + i, -3 + i);
            p.Box(3 - i, -4 + i, 5 - i, -3 + i);
        }
        break;
    }
}

struct ButtonLook {
    bool enabled;
    bool hot;
    bool pressed;
};

void DrawButton(HDC dc, RECT r, Glyph glyph, ButtonLook look)
{
    if (!Has(r)) return;
    bool close = glyph == Glyph::Close;
    COLORREF face = GetSysColor(COLOR_BTNFACE);
    COLORREF ink = GetSysColor(look.enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
    if (look.enabled && look.pressed) {
        face = close ? kClosePressedFace : kPressedFace;
        if (close) ink = RGB(255, 255, 255);
    } else if (look.enabled && look.hot) {
        face = close ? kCloseHotFace : kHotFace;
        if (close) ink = RGB(255, 255, 255);
    }
    HBRUSH brush = CreateSolidBrush(face);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    RECT edge = r;
    DrawEdge(dc, &edge, look.enabled && look.pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    int shift = look.enabled && look.pressed ? 1 : 0;
    int cx = (r.left + r.right) / 2 + shift, cy = (r.top + r.bottom) / 2 + shift;
    // A disabled glyph is etched: a light copy below and right of the grey one.
    if (!look.enabled) DrawGlyph(dc, glyph, cx + 1, cy + 1, GetSysColor(COLOR_BTNHIGHLIGHT), face);
    DrawGlyph(dc, glyph, cx, cy, ink, face);
}

void DrawButtons(HDC dc, const WindowObject& w, const CaptionLayout& l)
{
    auto look = [&](LRESULT hit, bool enabled) {
        bool pressed = w.captionPressed == hit;
        bool hot = w.captionHot == hit && w.captionPressed == HTNOWHERE;
        return ButtonLook{enabled, hot, pressed};
    };
    DrawButton(dc, l.minimize, Glyph::Minimize, look(HTMINBUTTON, l.minimizeEnabled));
    DrawButton(dc, l.maximize, (w.style & WS_MAXIMIZE) ? Glyph::Restore : Glyph::Maximize,
               look(HTMAXBUTTON, l.maximizeEnabled));
    DrawButton(dc, l.close, Glyph::Close, look(HTCLOSE, true));
}

void RedrawButtons(HWND window)
{
    WindowObject* w = Find(window);
    if (!w || !IsReallyVisible(*w)) return;
    CaptionLayout l = LayoutCaption(*w);
    if (!Has(l.caption)) return;
    HDC dc = GetWindowDC(window);
    IntersectClipRect(dc, l.caption.left, l.caption.top, l.caption.right, l.caption.bottom);
    DrawButtons(dc, *w, l);
    ReleaseDC(window, dc);
}

// Whether the button is drawn in the caption and can be pressed.
bool IsCaptionButtonShown(const WindowObject& w, LRESULT hit)
{
    CaptionLayout l = LayoutCaption(w);
    switch (hit) {
    case HTCLOSE: return Has(l.close);
    case HTMAXBUTTON: return Has(l.maximize) && l.maximizeEnabled;
    case HTMINBUTTON: return Has(l.minimize) && l.minimizeEnabled;
    default: return false;
    }
}

}  // namespace

CaptionLayout LayoutCaption(const WindowObject& w)
{
    CaptionLayout l{};
    if ((w.style & WS_CAPTION) != WS_CAPTION) return l;
    const int f = DefaultFrameThickness(w.style, w.exStyle);
    const int height = GetSystemMetrics(SM_CYCAPTION);
    l.caption = RECT{f, f, std::max(f, w.Width() - f), f + height};
    const bool sysMenu = (w.style & WS_SYSMENU) != 0;
    const bool tool = (w.exStyle & WS_EX_TOOLWINDOW) != 0;
    const int top = l.caption.top + kMargin, bottom = l.caption.bottom - kMargin;
    int right = l.caption.right - kMargin;
    if (sysMenu) {
        l.close = RECT{right - kButtonWidth, top, right, bottom};
        right = l.close.left - kMargin;
        // Minimise and maximise come as a pair on top-level windows (for
        // child windows these style bits mean group and tab stop).
        if (!w.IsChild() && !tool && (w.style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
            l.maximize = RECT{right - kButtonWidth, top, right, bottom};
            l.minimize = RECT{l.maximize.left - kButtonWidth, top, l.maximize.left, bottom};
            l.minimizeEnabled = (w.style & WS_MINIMIZEBOX) != 0;
            l.maximizeEnabled = (w.style & WS_MAXIMIZEBOX) != 0;
            right = l.minimize.left - kMargin;
        }
    }
    int left = l.caption.left + 4;
    if (sysMenu && !tool && !(w.exStyle & WS_EX_DLGMODALFRAME)) {
        const int size = GetSystemMetrics(SM_CXSMICON);
        const int y = l.caption.top + (height - size) / 2;
        l.icon = RECT{l.caption.left + kMargin, y, l.caption.left + kMargin + size, y + size};
        left = l.icon.right + 4;
    }
    l.title = RECT{left, l.caption.top, std::max(left, right), l.caption.bottom};
    return l;
}

LRESULT CaptionHitTest(const WindowObject& w, POINT p)
{
    CaptionLayout l = LayoutCaption(w);
    if (!Has(l.caption) || !PtInRect(&l.caption, p)) return HTNOWHERE;
    if (Has(l.close) && PtInRect(&l.close, p)) return HTCLOSE;
    if (Has(l.maximize) && PtInRect(&l.maximize, p)) return HTMAXBUTTON;
    if (Has(l.minimize) && PtInRect(&l.minimize, p)) return HTMINBUTTON;
    if (Has(l.icon) && PtInRect(&l.icon, p)) return HTSYSMENU;
    return HTCAPTION;
}

bool IsCaptionButtonEnabled(const WindowObject& w, LRESULT hit)
{
    switch (hit) {
    case HTCLOSE: return (w.style & WS_SYSMENU) != 0;
    case HTMAXBUTTON: return !w.IsChild() && (w.style & WS_MAXIMIZEBOX);
    case HTMINBUTTON: return !w.IsChild() && (w.style & WS_MINIMIZEBOX);
    default: return false;
    }
}

WPARAM CaptionButtonCommand(const WindowObject& w, LRESULT hit)
{
    switch (hit) {
    case HTCLOSE: return SC_CLOSE;
    case HTMINBUTTON: return SC_MINIMIZE;
    case HTMAXBUTTON: return (w.style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE;
    default: return 0;
    }
}

void PaintCaption(HDC dc, const WindowObject& w, bool active)
{
    CaptionLayout l = LayoutCaption(w);
    if (!Has(l.caption)) return;
    FillRect(dc, &l.caption, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    if (Has(l.icon))
        DrawIconEx(dc, l.icon.left, l.icon.top, CaptionIcon(w), l.icon.right - l.icon.left, l.icon.bottom - l.icon.top,
                   0, nullptr, DI_NORMAL);
    HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT title = l.title;
    DrawTextW(dc, w.text.c_str(), -1, &title, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    DrawButtons(dc, w, l);
}

void SetCaptionHot(HWND window, LRESULT hit)
{
    WindowObject* w = Find(window);
    if (!w) return;
    if (!IsCaptionButtonShown(*w, hit)) hit = HTNOWHERE;
    if (w->captionHot == hit) return;
    w->captionHot = hit;
    if (hit != HTNOWHERE) {
        TRACKMOUSEEVENT t;
        t.dwFlags = TME_LEAVE | TME_NONCLIENT;
        t.hwndTrack = window;
        TrackMouseEvent(&t);
    }
    RedrawButtons(window);
}

void TrackCaptionButton(HWND window, LRESULT hit)
{
    WindowObject* w = Find(window);
    if (!w || !IsCaptionButtonEnabled(*w, hit)) return;
    SetCapture(window);
    w->captionPressed = hit;
    RedrawButtons(window);
    bool over = true;
    bool cancelled = false;
    POINT last = CurrentCursorPos();
    MSG msg;
    while (IsWindow(window) && GetCapture() == window) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside ours
            cancelled = true;
            break;
        }
        if (got < 0) {
            cancelled = true;
            break;
        }
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE || msg.message == WM_LBUTTONUP ||
            msg.message == WM_NCLBUTTONUP) {
            last = msg.pt;
            // Where the window itself says the cursor is, so a window that
            // draws its own buttons and answers their codes works the same;
            // a child drawn over the window that answers the code (a skin
            // covering its host) speaks for it.
            HWND under = WindowFromPoint(last);
            HWND asked = (under && (under == window || IsChild(window, under))) ? under : window;
            bool now = SendMessageW(asked, WM_NCHITTEST, 0,
                                    MAKELONG(static_cast<WORD>(last.x), static_cast<WORD>(last.y))) == hit;
            if (!IsWindow(window)) return;
            if (now != over) {
                over = now;
                if ((w = Find(window))) w->captionPressed = over ? hit : HTNOWHERE;
                RedrawButtons(window);
            }
            if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) break;
            continue;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            cancelled = true;
            break;
        }
        if (msg.message == WM_KEYUP || msg.message == WM_CHAR || IsMouseMessage(msg.message)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!(w = Find(window))) return;
    if (GetCapture() == window)
        ReleaseCapture();
    else
        cancelled = true;  // another window took the mouse
    if (!(w = Find(window))) return;
    w->captionPressed = HTNOWHERE;
    RedrawButtons(window);
    if (cancelled || !over) return;
    SendMessageW(window, WM_SYSCOMMAND, CaptionButtonCommand(*w, hit),
                 MAKELONG(static_cast<WORD>(last.x), static_cast<WORD>(last.y)));
}

}  // namespace win32_gui
