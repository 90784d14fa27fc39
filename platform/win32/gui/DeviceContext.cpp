#include "DeviceContext.h"

#include <unordered_map>

#include "GdiInternals.h"
#include "Regions.h"
#include "WindowObject.h"
#include "WindowWidget.h"

namespace win32_gui {
namespace {

struct DcTable {
    std::unordered_map<uintptr_t, std::unique_ptr<DeviceContext>> dcs;
    uintptr_t next = 0x80000;
    HBITMAP defaultBitmap = nullptr;
};

DcTable& Dcs()
{
    static DcTable t;
    return t;
}

// What a new memory DC holds before a bitmap is selected: one pixel.
HBITMAP DefaultBitmap()
{
    auto& t = Dcs();
    if (!t.defaultBitmap) {
        t.defaultBitmap = CreateCompatibleBitmap(nullptr, 1, 1);
        GdiFind(t.defaultBitmap)->stock = true;
    }
    return t.defaultBitmap;
}

void Select(HGDIOBJ& slot, HGDIOBJ object)
{
    if (GdiObject* o = GdiFind(slot)) --o->selections;
    slot = object;
    if (GdiObject* o = GdiFind(slot)) ++o->selections;
}

void InitState(DcState& s)
{
    Select(s.pen, GetStockObject(BLACK_PEN));
    Select(s.brush, GetStockObject(WHITE_BRUSH));
    Select(s.font, GetStockObject(SYSTEM_FONT));
}

void ReleaseState(DcState& s)
{
    Select(s.pen, nullptr);
    Select(s.brush, nullptr);
    Select(s.font, nullptr);
    Select(s.bitmap, nullptr);
}

void CopyStateSelections(const DcState& s)
{
    for (HGDIOBJ h : {s.pen, s.brush, s.font, s.bitmap})
        if (GdiObject* o = GdiFind(h)) ++o->selections;
}

HDC MakeWindowDc(HWND window, bool whole)
{
    WindowObject* w = Lookup(window);
    if (!w) return nullptr;
    auto dc = std::make_unique<DeviceContext>();
    dc->window = window;
    dc->wholeWindow = whole;
    RECT c = w->ClientRectInWindow();
    dc->paintClip = whole ? QRegion(0, 0, w->Width(), w->Height()) : QRegion(0, 0, c.right - c.left, c.bottom - c.top);
    InitState(dc->state);
    return DcAdd(std::move(dc));
}

}  // namespace

DeviceContext* DcFind(HDC dc)
{
    auto& t = Dcs();
    auto it = t.dcs.find(reinterpret_cast<uintptr_t>(dc));
    return it == t.dcs.end() ? nullptr : it->second.get();
}

HDC DcAdd(std::unique_ptr<DeviceContext> dc)
{
    auto& t = Dcs();
    HDC h = reinterpret_cast<HDC>(t.next);
    t.next += 4;
    dc->handle = h;
    t.dcs.emplace(reinterpret_cast<uintptr_t>(h), std::move(dc));
    return h;
}

void DcRemove(HDC dc)
{
    auto& t = Dcs();
    auto it = t.dcs.find(reinterpret_cast<uintptr_t>(dc));
    if (it == t.dcs.end()) return;
    ReleaseState(it->second->state);
    for (DcState& s : it->second->saved) ReleaseState(s);
    t.dcs.erase(it);
}

bool ResolveTarget(DeviceContext& dc, DrawTarget* t)
{
    *t = DrawTarget{};
    if (dc.memory) {
        GdiObject* b = GdiFind(dc.state.bitmap, GdiKind::Bitmap);
        if (!b) return false;
        t->surface = b->surface.get();
        t->view = t->surface->View();
        if (!t->view.isNull()) t->image = &t->view;
        t->limited = dc.state.hasClip;
        t->clip = dc.state.clip;
        return true;
    }
    WindowObject* w = Find(dc.window);
    if (!w) return false;
    t->image = EnsureBacking(*w);
    t->window = dc.window;
    t->origin = dc.wholeWindow ? QPoint(0, 0) : QPoint(w->clientInset.left, w->clientInset.top);
    t->limited = true;
    t->clip = dc.state.hasClip ? dc.paintClip.intersected(dc.state.clip) : dc.paintClip;
    return true;
}

DcPainter::DcPainter(HDC dc)
{
    dc_ = DcFind(dc);
    if (!dc_ || !ResolveTarget(*dc_, &target_) || !target_.image || target_.image->isNull()) return;
    if (target_.limited && target_.clip.isEmpty()) return;
    if (!painter_.begin(target_.image)) return;
    if (target_.surface && target_.surface->bottomUp) {
        painter_.translate(0, target_.surface->height);
        painter_.scale(1, -1);
    }
    painter_.translate(target_.origin);
    if (target_.limited) painter_.setClipRegion(target_.clip);
    painter_.translate(dc_->state.viewportOrigin.x, dc_->state.viewportOrigin.y);
    ok_ = true;
}

void DcPainter::Touched(const QRect& logical)
{
    if (!ok_) return;
    QRect device = logical.translated(dc_->state.viewportOrigin.x, dc_->state.viewportOrigin.y);
    touched_ = touched_.united(device.translated(target_.origin));
}

DcPainter::~DcPainter()
{
    if (painter_.isActive()) painter_.end();
    if (!ok_ || touched_.isEmpty()) return;
    if (target_.surface) target_.surface->ClearAlpha(touched_);
    if (target_.window) {
        if (WindowObject* w = Find(target_.window)) UpdateWidget(*w, touched_);
    }
}

QImage ReadDc(HDC dc, const QRect& logical)
{
    DeviceContext* d = DcFind(dc);
    DrawTarget t;
    if (!d || !ResolveTarget(*d, &t)) return QImage();
    QRect r = logical.translated(d->state.viewportOrigin.x, d->state.viewportOrigin.y).translated(t.origin);
    if (t.surface) return t.surface->Read(r);
    if (!t.image) return QImage();
    QImage out(r.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    QPainter p(&out);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(QPoint(0, 0), *t.image, r);
    return out;
}

QRect DcExtent(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    DrawTarget t;
    if (!d || !ResolveTarget(*d, &t)) return QRect();
    QRect surface = t.surface ? QRect(0, 0, t.surface->width, t.surface->height) : t.image ? t.image->rect() : QRect();
    // From image coordinates back to the DC's logical ones.
    return surface.translated(-t.origin).translated(-d->state.viewportOrigin.x, -d->state.viewportOrigin.y);
}

}  // namespace win32_gui

using namespace win32_gui;

HDC CreateCompatibleDC(HDC)
{
    auto dc = std::make_unique<DeviceContext>();
    dc->memory = true;
    InitState(dc->state);
    Select(dc->state.bitmap, DefaultBitmap());
    return DcAdd(std::move(dc));
}

BOOL DeleteDC(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    if (!d) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    DcRemove(dc);
    return TRUE;
}

HDC GetDC(HWND window)
{
    if (!window) {
        // The screen: a memory DC the size of one pixel stands in; nothing shows.
        return CreateCompatibleDC(nullptr);
    }
    return MakeWindowDc(window, false);
}

HDC GetWindowDC(HWND window)
{
    if (!window) return CreateCompatibleDC(nullptr);
    return MakeWindowDc(window, true);
}

int ReleaseDC(HWND, HDC dc)
{
    DeviceContext* d = DcFind(dc);
    if (!d || d->paintDc) return 0;
    DcRemove(dc);
    return 1;
}

HWND WindowFromDC(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    return d ? d->window : nullptr;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    DeviceContext* d = DcFind(dc);
    GdiObject* o = GdiFind(object);
    if (!d || !o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return nullptr;
    }
    HGDIOBJ old = nullptr;
    switch (o->kind) {
    case GdiKind::Pen:
        old = d->state.pen;
        Select(d->state.pen, object);
        break;
    case GdiKind::Brush:
        old = d->state.brush;
        Select(d->state.brush, object);
        break;
    case GdiKind::Font:
        old = d->state.font;
        Select(d->state.font, object);
        break;
    case GdiKind::Bitmap:
        if (!d->memory) return nullptr;
        // A bitmap draws in one memory DC at a time.
        if (object != d->state.bitmap && o->selections > 0 && !o->stock) return nullptr;
        old = d->state.bitmap;
        Select(d->state.bitmap, object);
        break;
    case GdiKind::Region: return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(dc, object)));
    }
    return old;
}

HGDIOBJ GetCurrentObject(HDC dc, UINT type)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return nullptr;
    switch (type) {
    case OBJ_PEN: return d->state.pen;
    case OBJ_BRUSH: return d->state.brush;
    case OBJ_FONT: return d->state.font;
    case OBJ_BITMAP: return d->state.bitmap;
    default: return nullptr;
    }
}

int SaveDC(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return 0;
    d->saved.push_back(d->state);
    CopyStateSelections(d->state);
    return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int saved)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return FALSE;
    int count = static_cast<int>(d->saved.size());
    int index = saved < 0 ? count + saved + 1 : saved;
    if (index < 1 || index > count) return FALSE;
    DcState s = d->saved[static_cast<size_t>(index - 1)];
    ReleaseState(d->state);
    d->state = s;  // the saved copy's selections move to the live state
    for (size_t i = static_cast<size_t>(index); i < d->saved.size(); ++i) ReleaseState(d->saved[i]);
    d->saved.resize(static_cast<size_t>(index - 1));
    return TRUE;
}

#define DC_FIELD_SETTER(Name, Type, field, fallback) \
    Type Name(HDC dc, Type value)                    \
    {                                                \
        DeviceContext* d = DcFind(dc);               \
        if (!d) return fallback;                     \
        Type old = d->state.field;                   \
        d->state.field = value;                      \
        return old;                                  \
    }

DC_FIELD_SETTER(SetTextColor, COLORREF, textColor, 0xFFFFFFFFu)
DC_FIELD_SETTER(SetBkColor, COLORREF, bkColor, 0xFFFFFFFFu)
DC_FIELD_SETTER(SetTextAlign, UINT, textAlign, 0xFFFFFFFFu)
DC_FIELD_SETTER(SetDCBrushColor, COLORREF, dcBrushColor, 0xFFFFFFFFu)
DC_FIELD_SETTER(SetDCPenColor, COLORREF, dcPenColor, 0xFFFFFFFFu)
#undef DC_FIELD_SETTER

int SetBkMode(HDC dc, int mode)
{
    DeviceContext* d = DcFind(dc);
    if (!d || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = d->state.bkMode;
    d->state.bkMode = mode;
    return old;
}

COLORREF GetTextColor(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    return d ? d->state.textColor : 0xFFFFFFFFu;
}

COLORREF GetBkColor(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    return d ? d->state.bkColor : 0xFFFFFFFFu;
}

int GetBkMode(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    return d ? d->state.bkMode : 0;
}

UINT GetTextAlign(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    return d ? d->state.textAlign : 0xFFFFFFFFu;
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return FALSE;
    if (old) *old = d->state.viewportOrigin;
    d->state.viewportOrigin = POINT{x, y};
    return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, POINT* origin)
{
    DeviceContext* d = DcFind(dc);
    if (!d || !origin) return FALSE;
    *origin = d->state.viewportOrigin;
    return TRUE;
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return FALSE;
    if (old) *old = d->state.viewportOrigin;
    d->state.viewportOrigin.x += dx;
    d->state.viewportOrigin.y += dy;
    return TRUE;
}

namespace {

int KindOf(const QRegion& r) { return r.isEmpty() ? NULLREGION : r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION; }

// The whole drawable area in device coordinates, for clip operations that
// start from "no clip".
QRegion WholeSurface(DeviceContext& d)
{
    DrawTarget t;
    if (!ResolveTarget(d, &t)) return QRegion();
    if (t.surface) return QRegion(0, 0, t.surface->width, t.surface->height);
    if (!d.memory) return d.paintClip;
    return QRegion();
}

// The clip region after a rectangle in logical coordinates is kept
// (intersect) or taken out (exclude) of the current one.
int CombineClipRect(HDC dc, int left, int top, int right, int bottom, bool keep)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return ERROR;
    QRect r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1))
                  .translated(d->state.viewportOrigin.x, d->state.viewportOrigin.y);
    QRegion current = d->state.hasClip ? d->state.clip : WholeSurface(*d);
    d->state.clip = keep ? current.intersected(r) : current.subtracted(r);
    d->state.hasClip = true;
    return KindOf(d->state.clip);
}

}  // namespace

int SelectClipRgn(HDC dc, HRGN region) { return ExtSelectClipRgn(dc, region, RGN_COPY); }

int ExtSelectClipRgn(HDC dc, HRGN region, int mode)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return ERROR;
    if (!region) {
        if (mode != RGN_COPY) return ERROR;
        d->state.hasClip = false;
        d->state.clip = QRegion();
        return SIMPLEREGION;
    }
    GdiObject* r = GdiFind(region, GdiKind::Region);
    if (!r) return ERROR;
    QRegion current = d->state.hasClip ? d->state.clip : WholeSurface(*d);
    QRegion next;
    switch (mode) {
    case RGN_COPY: next = r->region; break;
    case RGN_AND: next = current.intersected(r->region); break;
    case RGN_OR: next = current.united(r->region); break;
    case RGN_XOR: next = current.xored(r->region); break;
    case RGN_DIFF: next = current.subtracted(r->region); break;
    default: return ERROR;
    }
    d->state.hasClip = true;
    d->state.clip = next;
    return KindOf(next);
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    return CombineClipRect(dc, left, top, right, bottom, true);
}

int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom)
{
    return CombineClipRect(dc, left, top, right, bottom, false);
}

int GetClipBox(HDC dc, RECT* box)
{
    DeviceContext* d = DcFind(dc);
    if (!d || !box) return ERROR;
    QRegion area = WholeSurface(*d);
    if (d->state.hasClip) area = area.isEmpty() ? d->state.clip : area.intersected(d->state.clip);
    if (!d->memory) area = area.intersected(d->paintClip);
    QRect b = area.boundingRect().translated(-d->state.viewportOrigin.x, -d->state.viewportOrigin.y);
    *box = area.isEmpty() ? RECT{} : RECT{b.left(), b.top(), b.left() + b.width(), b.top() + b.height()};
    return KindOf(area);
}

int GetDeviceCaps(HDC dc, int index)
{
    DeviceContext* d = DcFind(dc);
    if (!d) return 0;
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return 32;
    case PLANES: return 1;
    case HORZRES:
    case VERTRES: {
        DrawTarget t;
        if (!ResolveTarget(*d, &t) || !t.image) return 0;
        return index == HORZRES ? t.image->width() : t.image->height();
    }
    default: return 0;
    }
}

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors)
{
    DeviceContext* d = DcFind(dc);
    GdiObject* b = d ? GdiFind(d->state.bitmap, GdiKind::Bitmap) : nullptr;
    if (!b || !colors) return 0;
    auto& pal = b->surface->palette;
    UINT n = 0;
    for (UINT i = start; i < pal.size() && n < count; ++i) colors[n++] = pal[i];
    return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors)
{
    DeviceContext* d = DcFind(dc);
    GdiObject* b = d ? GdiFind(d->state.bitmap, GdiKind::Bitmap) : nullptr;
    if (!b || !colors) return 0;
    auto& pal = b->surface->palette;
    UINT n = 0;
    for (UINT i = start; i < pal.size() && n < count; ++i) pal[i] = colors[n++];
    return n;
}
