#include "Regions.h"

#include <QPainterPath>
#include <algorithm>

#include "GdiDraw.h"
#include "GdiInternals.h"
#include "Paint.h"
#include "WindowObject.h"
#include "WindowWidget.h"

using namespace win32_gui;

namespace {

HRGN MakeRegion(const QRegion& r)
{
    auto o = std::make_unique<GdiObject>();
    o->kind = GdiKind::Region;
    o->region = r;
    return GdiAdd(std::move(o));
}

QRect Box(int left, int top, int right, int bottom)
{
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return QRect(left, top, right - left, bottom - top);
}

int KindOf(const QRegion& r) { return r.isEmpty() ? NULLREGION : r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION; }

// The pixels whose centres lie inside a path, row by row.
QRegion RegionFromPath(const QPainterPath& path, const QRect& box)
{
    QRegion out;
    for (int y = box.top(); y <= box.bottom() && !box.isEmpty(); ++y) {
        int runStart = -1;
        for (int x = box.left(); x <= box.right() + 1; ++x) {
            bool in = x <= box.right() && path.contains(QPointF(x + 0.5, y + 0.5));
            if (in && runStart < 0) runStart = x;
            if (!in && runStart >= 0) {
                out += QRect(runStart, y, x - runStart, 1);
                runStart = -1;
            }
        }
    }
    return out;
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) { return MakeRegion(QRegion(Box(left, top, right, bottom))); }

HRGN CreateRectRgnIndirect(const RECT* r)
{
    if (!r) return nullptr;
    return CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    QRect box = Box(left, top, right, bottom);
    QPainterPath path;
    path.addEllipse(QRectF(box));
    return MakeRegion(RegionFromPath(path, box));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height)
{
    QRect box = Box(left, top, right, bottom);
    QPainterPath path;
    path.addRoundedRect(QRectF(box), std::clamp(width, 0, box.width()) / 2.0, std::clamp(height, 0, box.height()) / 2.0);
    return MakeRegion(RegionFromPath(path, box));
}

HRGN ExtCreateRegion(const void* transform, DWORD size, const RGNDATA* data)
{
    if (transform || !data || size < sizeof(RGNDATAHEADER) || data->rdh.dwSize != sizeof(RGNDATAHEADER) ||
        data->rdh.iType != RDH_RECTANGLES) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    // The rectangles must lie within the size the caller gave.
    size_t need = sizeof(RGNDATAHEADER) + static_cast<size_t>(data->rdh.nCount) * sizeof(RECT);
    if (need > size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const auto* rects = reinterpret_cast<const RECT*>(data->Buffer);
    QVector<QRect> list;
    list.reserve(static_cast<int>(data->rdh.nCount));
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        QRect q = Box(rects[i].left, rects[i].top, rects[i].right, rects[i].bottom);
        if (!q.isEmpty()) list.push_back(q);
    }
    QRegion r;
    r.setRects(list.constData(), static_cast<int>(list.size()));
    return MakeRegion(r);
}

int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode)
{
    GdiObject* d = GdiFind(dst, GdiKind::Region);
    GdiObject* a = GdiFind(src1, GdiKind::Region);
    GdiObject* b = mode == RGN_COPY ? nullptr : GdiFind(src2, GdiKind::Region);
    if (!d || !a || (mode != RGN_COPY && !b)) return ERROR;
    QRegion r;
    switch (mode) {
    case RGN_AND: r = a->region.intersected(b->region); break;
    case RGN_OR: r = a->region.united(b->region); break;
    case RGN_XOR: r = a->region.xored(b->region); break;
    case RGN_DIFF: r = a->region.subtracted(b->region); break;
    case RGN_COPY: r = a->region; break;
    default: return ERROR;
    }
    d->region = r;
    return KindOf(r);
}

int OffsetRgn(HRGN region, int dx, int dy)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!o) return ERROR;
    o->region.translate(dx, dy);
    return KindOf(o->region);
}

BOOL PtInRegion(HRGN region, int x, int y)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    return (o && o->region.contains(QPoint(x, y))) ? TRUE : FALSE;
}

BOOL RectInRegion(HRGN region, const RECT* r)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    return (o && r && o->region.intersects(Box(r->left, r->top, r->right, r->bottom))) ? TRUE : FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b)
{
    GdiObject* x = GdiFind(a, GdiKind::Region);
    GdiObject* y = GdiFind(b, GdiKind::Region);
    return (x && y && x->region == y->region) ? TRUE : FALSE;
}

int GetRgnBox(HRGN region, RECT* box)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!o || !box) return ERROR;
    QRect b = o->region.boundingRect();
    *box = o->region.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return KindOf(o->region);
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!o) return FALSE;
    o->region = QRegion(Box(left, top, right, bottom));
    return TRUE;
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!o) return FALSE;
    for (const QRect& q : o->region) {
        RECT r{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
        if (!FillRect(dc, &r, brush)) return FALSE;
    }
    return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height)
{
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!o || width <= 0 || height <= 0) return FALSE;
    // The frame is the region less the region shrunk by the frame size.
    QRegion inner = o->region;
    inner = inner.intersected(o->region.translated(width, 0)).intersected(o->region.translated(-width, 0));
    inner = inner.intersected(o->region.translated(0, height)).intersected(o->region.translated(0, -height));
    QRegion frame = o->region.subtracted(inner);
    for (const QRect& q : frame) {
        RECT r{q.left(), q.top(), q.left() + q.width(), q.top() + q.height()};
        FillRect(dc, &r, brush);
    }
    return TRUE;
}

int SetWindowRgn(HWND window, HRGN region, BOOL redraw)
{
    WindowObject* w = Lookup(window);
    if (!w) return 0;
    GdiObject* o = nullptr;
    if (region && !(o = GdiFind(region, GdiKind::Region))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (o) {
        w->hasRegion = true;
        w->region = o->region;
        // The window owns the region from now on.
        DeleteObject(region);
    } else {
        w->hasRegion = false;
        w->region = QRegion();
    }
    SyncWidgetMask(*w);
    if (redraw) {
        w->ncPaintNeeded = true;
        InvalidateRect(window, nullptr, TRUE);
    }
    return 1;
}

int GetWindowRgn(HWND window, HRGN region)
{
    WindowObject* w = Lookup(window);
    GdiObject* o = GdiFind(region, GdiKind::Region);
    if (!w || !o || !w->hasRegion) return ERROR;
    o->region = w->region;
    return KindOf(o->region);
}
