#include "WindowGeometry.h"

#include <algorithm>
#include <climits>

#include "Focus.h"
#include "MessageQueue.h"
#include "Paint.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowObject.h"
#include "WindowStates.h"
#include "WindowWidget.h"

using namespace win32_gui;

// ---- Rectangles ---------------------------------------------------------------------

BOOL SetRect(RECT* r, int left, int top, int right, int bottom)
{
    if (!r) return FALSE;
    *r = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }

BOOL CopyRect(RECT* dst, const RECT* src)
{
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* r) { return (!r || r->right <= r->left || r->bottom <= r->top) ? TRUE : FALSE; }

BOOL EqualRect(const RECT* a, const RECT* b) { return (a && b && *a == *b) ? TRUE : FALSE; }

BOOL PtInRect(const RECT* r, POINT p)
{
    return (r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom) ? TRUE : FALSE;
}

BOOL OffsetRect(RECT* r, int dx, int dy)
{
    if (!r) return FALSE;
    r->left += dx;
    r->right += dx;
    r->top += dy;
    r->bottom += dy;
    return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy)
{
    if (!r) return FALSE;
    r->left -= dx;
    r->right += dx;
    r->top -= dy;
    r->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        *dst = RECT{};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b) return FALSE;
    bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
    if (ea && eb) {
        *dst = RECT{};
        return FALSE;
    }
    if (ea)
        *dst = *b;
    else if (eb)
        *dst = *a;
    else
        *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                    std::max(a->bottom, b->bottom)};
    return TRUE;
}

BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b)
{
    if (!dst || !a || !b) return FALSE;
    RECT r = *a;
    RECT i;
    if (IntersectRect(&i, a, b)) {
        // Only a cut that leaves a rectangle changes it.
        if (i.top == r.top && i.bottom == r.bottom) {
            if (i.left == r.left)
                r.left = i.right;
            else if (i.right == r.right)
                r.right = i.left;
        } else if (i.left == r.left && i.right == r.right) {
            if (i.top == r.top)
                r.top = i.bottom;
            else if (i.bottom == r.bottom)
                r.bottom = i.top;
        }
    }
    *dst = r;
    if (IsRectEmpty(dst)) {
        *dst = RECT{};
        return FALSE;
    }
    return TRUE;
}

// ---- Window geometry ------------------------------------------------------------------

namespace win32_gui {

int DefaultFrameThickness(DWORD style, DWORD exStyle)
{
    if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
    if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
    return 0;
}

RECT DefaultNonClientInsets(DWORD style, DWORD exStyle)
{
    int frame = DefaultFrameThickness(style, exStyle);
    RECT r{frame, frame, frame, frame};
    if ((style & WS_CAPTION) == WS_CAPTION) r.top += GetSystemMetrics(SM_CYCAPTION);
    int edge = (exStyle & WS_EX_CLIENTEDGE) ? 2 : (exStyle & WS_EX_STATICEDGE) ? 1 : 0;
    r.left += edge;
    r.top += edge;
    r.right += edge;
    r.bottom += edge;
    return r;
}

void RecalcClientArea(HWND window)
{
    WindowObject* w = Find(window);
    if (!w) return;
    NCCALCSIZE_PARAMS p;
    p.rgrc[0] = RECT{0, 0, w->Width(), w->Height()};
    SendMessageW(window, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&p.rgrc[0]));
    if (!(w = Find(window))) return;
    RECT c = p.rgrc[0];
    c.left = std::clamp<LONG>(c.left, 0, w->Width());
    c.top = std::clamp<LONG>(c.top, 0, w->Height());
    c.right = std::clamp<LONG>(c.right, c.left, w->Width());
    c.bottom = std::clamp<LONG>(c.bottom, c.top, w->Height());
    w->clientInset = RECT{c.left, c.top, w->Width() - c.right, w->Height() - c.bottom};
}

}  // namespace win32_gui

BOOL GetWindowRect(HWND window, RECT* r)
{
    WindowObject* w = Lookup(window);
    if (!w || !r) return FALSE;
    *r = ScreenRectOf(*w);
    return TRUE;
}

BOOL GetClientRect(HWND window, RECT* r)
{
    WindowObject* w = Lookup(window);
    if (!w || !r) return FALSE;
    RECT c = w->ClientRectInWindow();
    *r = RECT{0, 0, c.right - c.left, c.bottom - c.top};
    return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* p)
{
    WindowObject* w = Lookup(window);
    if (!w || !p) return FALSE;
    POINT o = ClientOriginOnScreen(*w);
    p->x += o.x;
    p->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* p)
{
    WindowObject* w = Lookup(window);
    if (!w || !p) return FALSE;
    POINT o = ClientOriginOnScreen(*w);
    p->x -= o.x;
    p->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count)
{
    POINT a{}, b{};
    if (from) {
        WindowObject* w = Lookup(from);
        if (!w) return 0;
        a = ClientOriginOnScreen(*w);
    }
    if (to) {
        WindowObject* w = Lookup(to);
        if (!w) return 0;
        b = ClientOriginOnScreen(*w);
    }
    int dx = a.x - b.x, dy = a.y - b.y;
    for (UINT i = 0; points && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    SetLastError(0);
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL, DWORD exStyle)
{
    if (!r) return FALSE;
    RECT in = DefaultNonClientInsets(style, exStyle);
    r->left -= in.left;
    r->top -= in.top;
    r->right += in.right;
    r->bottom += in.bottom;
    return TRUE;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    auto hold = Hold(window);
    if (!hold) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    WindowObject& w = *hold;
    WINDOWPOS pos;
    pos.hwnd = window;
    pos.hwndInsertAfter = insertAfter;
    pos.x = (flags & SWP_NOMOVE) ? w.rect.left : x;
    pos.y = (flags & SWP_NOMOVE) ? w.rect.top : y;
    pos.cx = (flags & SWP_NOSIZE) ? w.Width() : cx;
    pos.cy = (flags & SWP_NOSIZE) ? w.Height() : cy;
    pos.flags = flags;
    if (!(flags & SWP_NOSENDCHANGING)) {
        SendMessageW(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&pos));
        if (!w.alive) return FALSE;
    }
    flags = pos.flags;
    RECT old = w.rect;
    bool wasVisible = (w.style & WS_VISIBLE) != 0;
    if (!(flags & SWP_NOMOVE)) {
        w.rect.right = pos.x + (w.rect.right - w.rect.left);
        w.rect.bottom = pos.y + (w.rect.bottom - w.rect.top);
        w.rect.left = pos.x;
        w.rect.top = pos.y;
    }
    if (!(flags & SWP_NOSIZE)) {
        w.rect.right = w.rect.left + std::max(0, pos.cx);
        w.rect.bottom = w.rect.top + std::max(0, pos.cy);
    }
    bool moved = w.rect.left != old.left || w.rect.top != old.top;
    bool sized = w.Width() != old.right - old.left || w.Height() != old.bottom - old.top;
    if (!(flags & SWP_NOZORDER)) {
        HWND after = pos.hwndInsertAfter;
        if (after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
            if (!w.IsChild()) {
                if (after == HWND_TOPMOST)
                    w.exStyle |= WS_EX_TOPMOST;
                else
                    w.exStyle &= ~WS_EX_TOPMOST;
                SyncWidgetFlags(w);
            }
            BringToTop(window);
        } else if (after == HWND_BOTTOM) {
            SendToBottom(window);
        } else if (after == HWND_TOP || !Find(after)) {
            BringToTop(window);
        } else if (after != window) {
            std::vector<HWND>& list = w.IsChild() ? Find(w.parent)->children : TopLevelWindows();
            auto self = std::find(list.begin(), list.end(), window);
            auto ref = std::find(list.begin(), list.end(), after);
            if (self != list.end() && ref != list.end()) {
                list.erase(self);
                ref = std::find(list.begin(), list.end(), after);
                list.insert(ref + 1, window);
                SyncWidgetStacking(w);
            }
        }
    }
    if (sized || (flags & SWP_FRAMECHANGED)) {
        ResizeBacking(w);
        RecalcClientArea(window);
        if (!w.alive) return FALSE;
        w.ncPaintNeeded = true;
        InvalidateRect(window, nullptr, TRUE);
    }
    if (moved || sized) SyncWidgetGeometry(w);
    if ((flags & SWP_SHOWWINDOW) && !wasVisible) {
        w.style |= WS_VISIBLE;
        w.ncPaintNeeded = true;
        InvalidateRect(window, nullptr, TRUE);
        SyncWidgetVisibility(w);
    } else if ((flags & SWP_HIDEWINDOW) && wasVisible) {
        w.style &= ~WS_VISIBLE;
        SyncWidgetVisibility(w);
        ReleaseFocusFromTree(window);
        if (!w.alive) return FALSE;
    }
    if (!w.IsChild() && !(flags & SWP_NOACTIVATE) && (w.style & WS_VISIBLE) && !(w.style & WS_DISABLED))
        SetActiveWindow(window);
    if (!w.alive) return FALSE;
    pos.x = w.rect.left;
    pos.y = w.rect.top;
    pos.cx = w.Width();
    pos.cy = w.Height();
    if (!moved) pos.flags |= SWP_NOMOVE;
    if (!sized) pos.flags |= SWP_NOSIZE;
    SendMessageW(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&pos));
    return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint)
{
    return SetWindowPos(window, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND window) { return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement)
{
    WindowObject* w = Lookup(window);
    if (!w || !placement) return FALSE;
    placement->flags = 0;
    placement->showCmd = !(w->style & WS_VISIBLE)   ? SW_HIDE
                         : (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED
                         : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED
                                                    : SW_SHOWNORMAL;
    placement->ptMinPosition = POINT{-1, -1};
    placement->ptMaxPosition = POINT{-1, -1};
    placement->rcNormalPosition = NormalRectOf(*w);
    return TRUE;
}

namespace {

bool RegionAllows(const WindowObject& w, POINT screen)
{
    if (!w.hasRegion) return true;
    RECT s = ScreenRectOf(w);
    return w.region.contains(QPoint(screen.x - s.left, screen.y - s.top));
}

HWND Descend(HWND window, POINT screen)
{
    WindowObject* w = Find(window);
    for (HWND c : w->children) {
        WindowObject* co = Find(c);
        if (!co || !(co->style & WS_VISIBLE)) continue;
        RECT r = ScreenRectOf(*co);
        if (!PtInRect(&r, screen) || !RegionAllows(*co, screen)) continue;
        if (co->style & WS_DISABLED) return window;
        return Descend(c, screen);
    }
    return window;
}

}  // namespace

HWND WindowFromPoint(POINT screen)
{
    for (HWND h : TopLevelWindows()) {
        WindowObject* w = Find(h);
        if (!w || !(w->style & WS_VISIBLE)) continue;
        RECT r = ScreenRectOf(*w);
        if (!PtInRect(&r, screen) || !RegionAllows(*w, screen)) continue;
        return Descend(h, screen);
    }
    return nullptr;
}

HWND ChildWindowFromPointEx(HWND parent, POINT client, UINT flags)
{
    WindowObject* w = Lookup(parent);
    if (!w) return nullptr;
    RECT c = w->ClientRectInWindow();
    if (client.x < 0 || client.y < 0 || client.x >= c.right - c.left || client.y >= c.bottom - c.top) return nullptr;
    for (HWND h : w->children) {
        WindowObject* co = Find(h);
        if (!co) continue;
        if ((flags & CWP_SKIPINVISIBLE) && !(co->style & WS_VISIBLE)) continue;
        if ((flags & CWP_SKIPDISABLED) && (co->style & WS_DISABLED)) continue;
        if ((flags & CWP_SKIPTRANSPARENT) && (co->exStyle & WS_EX_TRANSPARENT)) continue;
        if (PtInRect(&co->rect, client)) return h;
    }
    return parent;
}
