#include "Paint.h"

#include "DeviceContext.h"
#include "GdiInternals.h"
#include "MessageQueue.h"
#include "Window.h"
#include "WindowObject.h"
#include "WindowWidget.h"

using namespace win32_gui;

namespace {

QRect ClientBox(const WindowObject& w)
{
    RECT c = w.ClientRectInWindow();
    return QRect(0, 0, c.right - c.left, c.bottom - c.top);
}

void Invalidate(WindowObject& w, const QRegion& r, bool erase)
{
    QRegion add = r.intersected(ClientBox(w));
    if (add.isEmpty() && !w.ncPaintNeeded) return;
    w.update += add;
    if (erase && !add.isEmpty()) w.eraseNeeded = true;
    WakeQueue();
}

void InvalidateAll(HWND h, const QRegion* r, bool erase, bool children)
{
    WindowObject* w = Find(h);
    if (!w) return;
    Invalidate(*w, r ? *r : QRegion(ClientBox(*w)), erase);
    if (!children) return;
    for (HWND c : std::vector<HWND>(w->children)) InvalidateAll(c, nullptr, erase, true);
}

bool Needs(const WindowObject& w) { return !w.update.isEmpty() || w.ncPaintNeeded; }

HWND FindPainting(HWND h, const MessageFilter& f)
{
    WindowObject* w = Find(h);
    if (!w || !(w->style & WS_VISIBLE)) return nullptr;
    if (Needs(*w) && f.Matches(h, WM_PAINT)) return h;
    for (HWND c : w->children)
        if (HWND found = FindPainting(c, f)) return found;
    return nullptr;
}

QRegion RegionOf(HRGN region)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    return o ? o->region : QRegion();
}

}  // namespace

HDC BeginPaint(HWND window, PAINTSTRUCT* ps)
{
    auto hold = Hold(window);
    if (!hold || !ps) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    WindowObject& w = *hold;
    if (w.ncPaintNeeded) {
        w.ncPaintNeeded = false;
        SendMessageW(window, WM_NCPAINT, 1, 0);
        if (!w.alive) return nullptr;
    }
    QRegion region = w.update;
    bool erase = w.eraseNeeded;
    w.update = QRegion();
    w.eraseNeeded = false;
    HDC dc = GetDC(window);
    DeviceContext* d = DcFind(dc);
    d->paintDc = true;
    d->paintClip = region;
    ps->hdc = dc;
    ps->fErase = TRUE;
    if (erase) ps->fErase = SendMessageW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    QRect box = region.boundingRect();
    ps->rcPaint =
        region.isEmpty() ? RECT{} : RECT{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* ps)
{
    if (!ps) return FALSE;
    if (DeviceContext* d = DcFind(ps->hdc)) {
        d->paintDc = false;
        ReleaseDC(window, ps->hdc);
    }
    return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* r, BOOL erase)
{
    if (!window) {
        for (HWND h : std::vector<HWND>(TopLevelWindows())) InvalidateAll(h, nullptr, erase, true);
        return TRUE;
    }
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    QRegion area = r ? QRegion(RectFromEdges(r->left, r->top, r->right, r->bottom)) : QRegion(ClientBox(*w));
    Invalidate(*w, area, erase != FALSE);
    return TRUE;
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    Invalidate(*w, region ? RegionOf(region) : QRegion(ClientBox(*w)), erase != FALSE);
    return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* r)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    if (!r) {
        w->update = QRegion();
        w->eraseNeeded = false;
    } else {
        w->update -= RectFromEdges(r->left, r->top, r->right, r->bottom);
    }
    return TRUE;
}

BOOL ValidateRgn(HWND window, HRGN region)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    if (!region)
        w->update = QRegion();
    else
        w->update -= RegionOf(region);
    return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* r, BOOL)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    QRect b = w->update.boundingRect();
    if (r) *r = w->update.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return w->update.isEmpty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND window, HRGN region, BOOL)
{
    WindowObject* w = Lookup(window);
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!w || !o) return ERROR;
    o->region = w->update;
    return w->update.isEmpty() ? NULLREGION : w->update.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

BOOL UpdateWindow(HWND window)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    if (IsReallyVisible(*w) && Needs(*w)) {
        SendMessageW(window, WM_PAINT, 0, 0);
        // As on the system, what was painted is on the screen when this returns.
        if ((w = Find(window))) RepaintWidgetNow(*w);
    }
    return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT* r, HRGN region, UINT flags)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    QRegion area = region ? RegionOf(region)
                   : r    ? QRegion(RectFromEdges(r->left, r->top, r->right, r->bottom))
                          : QRegion(ClientBox(*w));
    bool children = (flags & RDW_ALLCHILDREN) != 0;
    if (flags & RDW_FRAME) w->ncPaintNeeded = true;
    if (flags & RDW_INVALIDATE) InvalidateAll(window, &area, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_VALIDATE) {
        w->update -= area;
        if (flags & RDW_NOFRAME) w->ncPaintNeeded = false;
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        UpdateWindow(window);
        if (children) {
            for (HWND c : std::vector<HWND>(w->children))
                RedrawWindow(c, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        }
    }
    return TRUE;
}

namespace win32_gui {

bool TakePaintMessage(const MessageFilter& filter, MSG* msg)
{
    if (!filter.InRange(WM_PAINT)) return false;
    for (HWND h : TopLevelWindows()) {
        if (HWND found = FindPainting(h, filter)) {
            *msg = MSG{};
            msg->hwnd = found;
            msg->message = WM_PAINT;
            return true;
        }
    }
    return false;
}

}  // namespace win32_gui
