#include "Regions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

QRect Box(long long left, long long top, long long right, long long bottom)
{
    if (right < left) std::swap(left, right);
    if (bottom < top) std::swap(top, bottom);
    return RectFromEdges(left, top, right, bottom);
}

int KindOf(const QRegion& r) { return r.isEmpty() ? NULLREGION : r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION; }

// Shapes are built row by row from the pixels whose centres lie inside
// them; rows are limited to the 16-bit range a shape can sensibly take.
constexpr int kShapeLimit = 32767;

QRect ShapeBox(int left, int top, int right, int bottom)
{
    QRect box = Box(left, top, right, bottom);
    return box.intersected(QRect(-kShapeLimit, -kShapeLimit, 2 * kShapeLimit, 2 * kShapeLimit));
}

// The half width at a row of an ellipse with radii rx, ry around cy.
double HalfWidth(double rx, double ry, double cy, double py)
{
    if (ry <= 0) return -1;
    double t = (py - cy) / ry;
    if (t * t >= 1) return -1;
    return rx * std::sqrt(1 - t * t);
}

void AddSpan(QVector<QRect>* rows, int y, double from, double to)
{
    // Pixel x is inside when from < x + 0.5 < to.
    int x0 = static_cast<int>(std::floor(from - 0.5)) + 1;
    int x1 = static_cast<int>(std::ceil(to - 0.5)) - 1;
    if (x1 >= x0) rows->push_back(QRect(x0, y, x1 - x0 + 1, 1));
}

QRegion FromRows(const QVector<QRect>& rows)
{
    QRegion r;
    if (!rows.isEmpty()) r.setRects(rows.constData(), static_cast<int>(rows.size()));
    return r;
}

QRegion Ellipse(const QRect& box)
{
    QVector<QRect> rows;
    double cx = box.left() + box.width() / 2.0, cy = box.top() + box.height() / 2.0;
    for (int y = box.top(); y < box.top() + box.height(); ++y) {
        double half = HalfWidth(box.width() / 2.0, box.height() / 2.0, cy, y + 0.5);
        if (half > 0) AddSpan(&rows, y, cx - half, cx + half);
    }
    return FromRows(rows);
}

QRegion RoundRect(const QRect& box, int cornerWidth, int cornerHeight)
{
    double rx = std::clamp(cornerWidth, 0, box.width()) / 2.0;
    double ry = std::clamp(cornerHeight, 0, box.height()) / 2.0;
    double left = box.left(), right = box.left() + box.width();
    double top = box.top(), bottom = box.top() + box.height();
    QVector<QRect> rows;
    for (int y = box.top(); y < box.top() + box.height(); ++y) {
        double py = y + 0.5;
        double inset = 0;
        if (ry > 0 && (py < top + ry || py > bottom - ry)) {
            double cy = py < top + ry ? top + ry : bottom - ry;
            double half = HalfWidth(rx, ry, cy, py);
            if (half < 0) continue;
            inset = rx - half;
        }
        AddSpan(&rows, y, left + inset, right - inset);
    }
    return FromRows(rows);
}

}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom)
{
    return MakeRegion(QRegion(Box(left, top, right, bottom)));
}

HRGN CreateRectRgnIndirect(const RECT* r)
{
    if (!r) return nullptr;
    return CreateRectRgn(r->left, r->top, r->right, r->bottom);
}

HRGN CreateEllipticRgn(int left, int top, int right, int bottom)
{
    return MakeRegion(Ellipse(ShapeBox(left, top, right, bottom)));
}

HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height)
{
    return MakeRegion(RoundRect(ShapeBox(left, top, right, bottom), width, height));
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
    // The region stays within the coordinate range; a move past it is refused.
    QRect b = o->region.boundingRect();
    if (!o->region.isEmpty() && (std::llabs(static_cast<long long>(b.left()) + dx) > kCoordinateLimit ||
                                 std::llabs(static_cast<long long>(b.right()) + dx) > kCoordinateLimit ||
                                 std::llabs(static_cast<long long>(b.top()) + dy) > kCoordinateLimit ||
                                 std::llabs(static_cast<long long>(b.bottom()) + dy) > kCoordinateLimit))
        return ERROR;
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
