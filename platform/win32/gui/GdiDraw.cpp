#include "GdiDraw.h"

#include <algorithm>

#include "GdiInternals.h"
#include "SystemMetrics.h"

using namespace win32_gui;

namespace {

QRect ToQRect(int left, int top, int right, int bottom) { return RectFromEdges(left, top, right, bottom); }

bool PenOf(DeviceContext& d, QPen* out)
{
    GdiObject* p = GdiFind(d.state.pen, GdiKind::Pen);
    if (!p || p->penStyle == PS_NULL) return false;
    COLORREF c = d.state.pen == GetStockObject(DC_PEN) ? d.state.dcPenColor : p->color;
    QPen pen(ToQColor(c));
    pen.setWidth(p->penWidth);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    switch (p->penStyle) {
    case PS_DASH: pen.setStyle(Qt::DashLine); break;
    case PS_DOT: pen.setStyle(Qt::DotLine); break;
    case PS_DASHDOT: pen.setStyle(Qt::DashDotLine); break;
    case PS_DASHDOTDOT: pen.setStyle(Qt::DashDotDotLine); break;
    default: break;
    }
    *out = pen;
    return true;
}

bool BrushOf(DeviceContext& d, HBRUSH handle, QBrush* out)
{
    GdiObject* b = GdiFind(handle, GdiKind::Brush);
    if (!b || b->brushStyle == BS_NULL) return false;
    COLORREF c = handle == GetStockObject(DC_BRUSH) ? d.state.dcBrushColor : b->color;
    *out = QBrush(ToQColor(c));
    return true;
}

// A brush argument may also be a system colour index plus one.
HBRUSH BrushArgument(HBRUSH brush)
{
    auto v = reinterpret_cast<uintptr_t>(brush);
    if (v > 0 && v <= 32) return GetSysColorBrush(static_cast<int>(v - 1));
    return brush;
}

// Outline and fill of a closed shape drawn by fn(painter, rectangle).
template <class Fn>
BOOL Shape(HDC dc, QRect r, Fn draw)
{
    DcPainter dp(dc);
    if (!dp.ok()) return dp.dc().handle ? TRUE : FALSE;
    if (r.width() <= 0 || r.height() <= 0) return TRUE;
    QPen pen;
    QBrush brush;
    bool hasPen = PenOf(dp.dc(), &pen), hasBrush = BrushOf(dp.dc(), dp.dc().state.brush, &brush);
    QPainter& p = dp.p();
    if (hasBrush) {
        p.setPen(Qt::NoPen);
        p.setBrush(brush);
        draw(p, QRectF(r));
    }
    if (hasPen) {
        qreal w = pen.widthF();
        p.setBrush(Qt::NoBrush);
        p.setPen(pen);
        // The outline lies inside the rectangle, as the pen is centred on it.
        draw(p, QRectF(r).adjusted(w / 2, w / 2, -w / 2, -w / 2));
    }
    dp.Touched(r);
    return TRUE;
}

}  // namespace

int FillRect(HDC dc, const RECT* r, HBRUSH brush)
{
    if (!r) return 0;
    DcPainter dp(dc);
    QBrush b;
    if (!dp.ok() || !BrushOf(dp.dc(), BrushArgument(brush), &b)) return dp.dc().handle ? 1 : 0;
    QRect q = ToQRect(r->left, r->top, r->right, r->bottom);
    dp.p().fillRect(q, b);
    dp.Touched(q);
    return 1;
}

int FrameRect(HDC dc, const RECT* r, HBRUSH brush)
{
    if (!r) return 0;
    DcPainter dp(dc);
    QBrush b;
    if (!dp.ok() || !BrushOf(dp.dc(), BrushArgument(brush), &b)) return 0;
    QRect q = ToQRect(r->left, r->top, r->right, r->bottom);
    if (q.isEmpty()) return 1;
    QPainter& p = dp.p();
    p.fillRect(QRect(q.left(), q.top(), q.width(), 1), b);
    p.fillRect(QRect(q.left(), q.bottom(), q.width(), 1), b);
    p.fillRect(QRect(q.left(), q.top(), 1, q.height()), b);
    p.fillRect(QRect(q.right(), q.top(), 1, q.height()), b);
    dp.Touched(q);
    return 1;
}

BOOL InvertRect(HDC dc, const RECT* r)
{
    return r && PatBlt(dc, r->left, r->top, r->right - r->left, r->bottom - r->top, DSTINVERT);
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom)
{
    return Shape(dc, ToQRect(left, top, right, bottom), [](QPainter& p, const QRectF& r) { p.drawRect(r); });
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom)
{
    return Shape(dc, ToQRect(left, top, right, bottom), [](QPainter& p, const QRectF& r) { p.drawEllipse(r); });
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height)
{
    return Shape(dc, ToQRect(left, top, right, bottom),
                 [=](QPainter& p, const QRectF& r) { p.drawRoundedRect(r, width / 2.0, height / 2.0); });
}

BOOL MoveToEx(HDC dc, int x, int y, POINT* old)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return FALSE;
    if (old) *old = d->state.current;
    d->state.current = POINT{x, y};
    return TRUE;
}

BOOL LineTo(HDC dc, int x, int y)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return FALSE;
    POINT from = d->state.current;
    d->state.current = POINT{x, y};
    DcPainter dp(dc);
    QPen pen;
    if (!dp.ok() || !PenOf(dp.dc(), &pen)) return TRUE;
    QPainter& p = dp.p();
    if (pen.width() <= 1 && pen.style() == Qt::SolidLine && (from.x == x || from.y == y)) {
        // Straight one-pixel lines are exact: every pixel from the start up to the end.
        QBrush b(pen.color());
        QRect r = from.x == x ? QRect(x, std::min(from.y, y) + (y < from.y ? 1 : 0), 1, std::abs(y - from.y))
                              : QRect(std::min(from.x, x) + (x < from.x ? 1 : 0), y, std::abs(x - from.x), 1);
        p.fillRect(r, b);
        dp.Touched(r);
        return TRUE;
    }
    p.setPen(pen);
    p.drawLine(QPointF(from.x + 0.5, from.y + 0.5), QPointF(x + 0.5, y + 0.5));
    dp.Touched(QRect(QPoint(std::min(from.x, x), std::min(from.y, y)), QPoint(std::max(from.x, x), std::max(from.y, y)))
                   .adjusted(-pen.width(), -pen.width(), pen.width(), pen.width()));
    return TRUE;
}

BOOL Polyline(HDC dc, const POINT* points, int count)
{
    if (!points || count < 2) return FALSE;
    DeviceContext* d = DcFind(dc);
    if (!d) return FALSE;
    POINT saved = d->state.current;
    MoveToEx(dc, points[0].x, points[0].y, nullptr);
    for (int i = 1; i < count; ++i) LineTo(dc, points[i].x, points[i].y);
    d->state.current = saved;
    return TRUE;
}

BOOL Polygon(HDC dc, const POINT* points, int count)
{
    if (!points || count < 2) return FALSE;
    QPolygonF poly;
    QRect bounds;
    for (int i = 0; i < count; ++i) {
        poly << QPointF(points[i].x + 0.5, points[i].y + 0.5);
        bounds = bounds.united(QRect(points[i].x, points[i].y, 1, 1));
    }
    DcPainter dp(dc);
    if (!dp.ok()) return TRUE;
    QPen pen;
    QBrush brush;
    QPainter& p = dp.p();
    p.setPen(PenOf(dp.dc(), &pen) ? pen : QPen(Qt::NoPen));
    p.setBrush(BrushOf(dp.dc(), dp.dc().state.brush, &brush) ? brush : QBrush(Qt::NoBrush));
    p.drawPolygon(poly);
    dp.Touched(bounds.adjusted(-pen.width(), -pen.width(), pen.width(), pen.width()));
    return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color)
{
    DcPainter dp(dc);
    if (!dp.ok()) return CLR_INVALID;
    dp.p().fillRect(QRect(x, y, 1, 1), ToQColor(color));
    dp.Touched(QRect(x, y, 1, 1));
    return color & 0xFFFFFF;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    DeviceContext* d = DcFind(dc);
    DrawTarget t;
    if (!d || !ResolveTarget(*d, &t)) return CLR_INVALID;
    QPoint at = QPoint(x + d->state.viewportOrigin.x, y + d->state.viewportOrigin.y) + t.origin;
    int w = t.surface ? t.surface->width : t.image ? t.image->width() : 0;
    int h = t.surface ? t.surface->height : t.image ? t.image->height() : 0;
    if (at.x() < 0 || at.y() < 0 || at.x() >= w || at.y() >= h) return CLR_INVALID;
    QImage one = ReadDc(dc, QRect(x, y, 1, 1));
    return one.isNull() ? CLR_INVALID : FromQColor(QColor(one.pixel(0, 0)));
}

namespace {

bool RasterFill(HDC dc, const QRect& r, DWORD rop)
{
    DcPainter dp(dc);
    if (!dp.ok()) return dp.dc().handle != nullptr;
    QPainter& p = dp.p();
    switch (rop) {
    case BLACKNESS: p.fillRect(r, Qt::black); break;
    case WHITENESS: p.fillRect(r, Qt::white); break;
    case PATCOPY: {
        QBrush b;
        if (BrushOf(dp.dc(), dp.dc().state.brush, &b)) p.fillRect(r, b);
        break;
    }
    case DSTINVERT:
        p.setCompositionMode(QPainter::RasterOp_NotDestination);
        p.fillRect(r, Qt::black);
        break;
    default: return false;
    }
    dp.Touched(r);
    return true;
}

// Cuts a transfer down to what lies on both surfaces, keeping the scale.
bool ClipTransfer(HDC dst, QRect* to, HDC src, QRect* from)
{
    if (to->isEmpty() || from->isEmpty()) return false;
    if (to->size() == from->size()) {
        QRect s = from->intersected(DcExtent(src));
        QRect d = s.translated(to->topLeft() - from->topLeft()).intersected(DcExtent(dst));
        if (d.isEmpty()) return false;
        *from = d.translated(from->topLeft() - to->topLeft());
        *to = d;
        return true;
    }
    double sx = static_cast<double>(to->width()) / from->width();
    double sy = static_cast<double>(to->height()) / from->height();
    QRectF s = QRectF(*from).intersected(QRectF(DcExtent(src)));
    if (s.isEmpty()) return false;
    QRectF d(to->left() + (s.left() - from->left()) * sx, to->top() + (s.top() - from->top()) * sy, s.width() * sx,
             s.height() * sy);
    QRectF dc = d.intersected(QRectF(DcExtent(dst)));
    if (dc.isEmpty()) return false;
    s = QRectF(s.left() + (dc.left() - d.left()) / sx, s.top() + (dc.top() - d.top()) / sy, dc.width() / sx,
               dc.height() / sy);
    *to = dc.toRect();
    *from = s.toRect();
    return !to->isEmpty() && !from->isEmpty();
}

// The rows of a 24-bit bitmap (a skin draws its whole window into one and
// copies it to the window on every change) as they lie in its memory, for a
// copy at the same size onto another surface: the rectangle in memory order,
// and whether its rows run bottom-up there. False for any other source, and
// when the source is the destination's own memory. Read in place, they need
// no copy of the whole area for each transfer: besides its time, such a
// window-sized block, once freed, made the C library keep every later block
// up to that size in its heaps rather than map it on its own, and the
// blocks a conversion's threads free there between those its encoders keep
// stay resident.
bool RowsInPlace(HDC dst, HDC src, const QRect& from, QImage* view, QRect* rows, bool* bottomUp)
{
    DeviceContext* s = DcFind(src);
    DeviceContext* d = DcFind(dst);
    DrawTarget source, target;
    if (!s || !d || !s->memory || !ResolveTarget(*s, &source) || !source.surface || source.surface->bitCount != 24)
        return false;
    if (!ResolveTarget(*d, &target) || target.surface == source.surface) return false;
    BitmapSurface& b = *source.surface;
    QRect r = from.translated(s->state.viewportOrigin.x, s->state.viewportOrigin.y).translated(source.origin);
    if (!QRect(0, 0, b.width, b.height).contains(r)) return false;
    *view = b.View();
    if (view->isNull()) return false;
    *bottomUp = b.bottomUp;
    *rows = b.bottomUp ? QRect(r.left(), b.height - 1 - r.bottom(), r.width(), r.height()) : r;
    return true;
}

bool Transfer(HDC dst, QRect to, HDC src, QRect from, DWORD rop, bool keyed, COLORREF key)
{
    if (!ClipTransfer(dst, &to, src, &from)) return true;
    QImage view, source;
    QRect rows;
    bool bottomUp = false;
    const bool inPlace = !keyed && to.size() == from.size() && RowsInPlace(dst, src, from, &view, &rows, &bottomUp);
    if (!inPlace) {
        source = ReadDc(src, from);
        if (source.isNull()) return false;
    }
    if (keyed) {
        source = source.convertToFormat(QImage::Format_ARGB32);
        QRgb k = qRgb(GetRValue(key), GetGValue(key), GetBValue(key));
        for (int y = 0; y < source.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(source.scanLine(y));
            for (int x = 0; x < source.width(); ++x)
                if ((row[x] & 0xFFFFFF) == (k & 0xFFFFFF)) row[x] = 0;
        }
    }
    DcPainter dp(dst);
    if (!dp.ok()) return dp.dc().handle != nullptr;
    QPainter& p = dp.p();
    switch (rop) {
    case SRCCOPY:
        p.setCompositionMode(keyed ? QPainter::CompositionMode_SourceOver : QPainter::CompositionMode_Source);
        break;
    case SRCPAINT: p.setCompositionMode(QPainter::RasterOp_SourceOrDestination); break;
    case SRCAND: p.setCompositionMode(QPainter::RasterOp_SourceAndDestination); break;
    case SRCINVERT: p.setCompositionMode(QPainter::RasterOp_SourceXorDestination); break;
    case NOTSRCCOPY: p.setCompositionMode(QPainter::RasterOp_NotSource); break;
    default: return false;
    }
    if (inPlace && !bottomUp) {
        p.drawImage(to.topLeft(), view, rows);
    } else if (inPlace) {
        // The picture's first row is the last in memory.
        for (int y = 0; y < rows.height(); ++y)
            p.drawImage(QPoint(to.left(), to.top() + y), view, QRect(rows.left(), rows.bottom() - y, rows.width(), 1));
    } else if (to.size() == from.size()) {
        p.drawImage(to.topLeft(), source);
    } else {
        p.drawImage(to,
                    source.scaled(to.size().expandedTo(QSize(1, 1)), Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
    dp.Touched(to);
    return true;
}

}  // namespace

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    return RasterFill(dc, RectFromEdges(x, y, static_cast<long long>(x) + width, static_cast<long long>(y) + height),
                      rop)
               ? TRUE
               : FALSE;
}

BOOL BitBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop)
{
    if (!DcFind(dst)) return FALSE;
    if (rop == BLACKNESS || rop == WHITENESS || rop == PATCOPY || rop == DSTINVERT)
        return PatBlt(dst, x, y, width, height, rop);
    if (!DcFind(src) || width < 0 || height < 0) return FALSE;
    return Transfer(dst, RectFromEdges(x, y, static_cast<long long>(x) + width, static_cast<long long>(y) + height),
                    src, RectFromEdges(sx, sy, static_cast<long long>(sx) + width, static_cast<long long>(sy) + height),
                    rop, false, 0)
               ? TRUE
               : FALSE;
}

int SetStretchBltMode(HDC dc, int mode) { return DcFind(dc) ? (mode ? BLACKONWHITE : 0) : 0; }

BOOL StretchBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop)
{
    if (!DcFind(dst) || !DcFind(src) || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return FALSE;
    return Transfer(dst, QRect(x, y, width, height), src, QRect(sx, sy, sw, sh), rop, false, 0) ? TRUE : FALSE;
}

BOOL TransparentBlt(HDC dst, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh,
                    UINT transparent)
{
    if (!DcFind(dst) || !DcFind(src) || width <= 0 || height <= 0 || sw <= 0 || sh <= 0) return FALSE;
    return Transfer(dst, QRect(x, y, width, height), src, QRect(sx, sy, sw, sh), SRCCOPY, true, transparent) ? TRUE
                                                                                                             : FALSE;
}

BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags)
{
    if (!r) return FALSE;
    DcPainter dp(dc);
    if (!dp.ok()) return TRUE;
    QPainter& p = dp.p();
    QRect q = ToQRect(r->left, r->top, r->right, r->bottom);
    // Outer ring, then inner ring, each light on the top-left and dark on the
    // bottom-right when raised, the other way round when sunken.
    QRect ring = q;
    struct Ring {
        UINT raised, sunken;
        int lightTL, darkBR, lightBR, darkTL;
    };
    const Ring rings[2] = {
        {BDR_RAISEDOUTER, BDR_SUNKENOUTER, COLOR_3DLIGHT, COLOR_3DDKSHADOW, COLOR_3DDKSHADOW, COLOR_BTNSHADOW},
        {BDR_RAISEDINNER, BDR_SUNKENINNER, COLOR_BTNHIGHLIGHT, COLOR_BTNSHADOW, COLOR_BTNSHADOW, COLOR_3DLIGHT},
    };
    for (const Ring& g : rings) {
        if (!(edge & (g.raised | g.sunken)) || ring.width() <= 0 || ring.height() <= 0) continue;
        bool raised = (edge & g.raised) != 0;
        QColor tl = ToQColor(GetSysColor(raised ? g.lightTL : g.darkTL));
        QColor br = ToQColor(GetSysColor(raised ? g.darkBR : COLOR_BTNHIGHLIGHT));
        if (flags & BF_TOP) p.fillRect(QRect(ring.left(), ring.top(), ring.width(), 1), tl);
        if (flags & BF_LEFT) p.fillRect(QRect(ring.left(), ring.top(), 1, ring.height()), tl);
        if (flags & BF_BOTTOM) p.fillRect(QRect(ring.left(), ring.bottom(), ring.width(), 1), br);
        if (flags & BF_RIGHT) p.fillRect(QRect(ring.right(), ring.top(), 1, ring.height()), br);
        ring.adjust((flags & BF_LEFT) ? 1 : 0, (flags & BF_TOP) ? 1 : 0, (flags & BF_RIGHT) ? -1 : 0,
                    (flags & BF_BOTTOM) ? -1 : 0);
    }
    dp.Touched(q);
    if (flags & BF_ADJUST) *r = RECT{ring.left(), ring.top(), ring.left() + ring.width(), ring.top() + ring.height()};
    return TRUE;
}

BOOL DrawFocusRect(HDC dc, const RECT* r)
{
    if (!r) return FALSE;
    DcPainter dp(dc);
    if (!dp.ok()) return TRUE;
    QPainter& p = dp.p();
    QRect q = ToQRect(r->left, r->top, r->right, r->bottom);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    for (int x = q.left(); x <= q.right(); x += 2) {
        p.fillRect(QRect(x, q.top(), 1, 1), Qt::white);
        p.fillRect(QRect(x, q.bottom(), 1, 1), Qt::white);
    }
    for (int y = q.top() + 2; y < q.bottom(); y += 2) {
        p.fillRect(QRect(q.left(), y, 1, 1), Qt::white);
        p.fillRect(QRect(q.right(), y, 1, 1), Qt::white);
    }
    dp.Touched(q);
    return TRUE;
}
