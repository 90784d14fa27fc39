#include <QFontMetrics>
#include <algorithm>
#include <cstring>
#include <new>
#include <unordered_map>

#include "GdiInternals.h"
#include "SystemMetrics.h"
#include "platform/win32/ByteOrder.h"

namespace win32_gui {
namespace {

struct GdiTable {
    std::unordered_map<uintptr_t, std::unique_ptr<GdiObject>> objects;
    uintptr_t next = 0x40000;
    HGDIOBJ stock[20] = {};
    HGDIOBJ sysBrushes[32] = {};
};

GdiTable& Table()
{
    static GdiTable t;
    return t;
}

// The families the stock fonts use: the Korean interface font, which fonts-nanum installs.
constexpr const wchar_t* kGuiFace = L"NanumGothic";
constexpr const wchar_t* kFixedFace = L"NanumGothicCoding";

LOGFONTW MakeLogFont(LONG height, LONG weight, const wchar_t* face)
{
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

HGDIOBJ MakeStock(int index)
{
    auto o = std::make_unique<GdiObject>();
    o->stock = true;
    switch (index) {
    case WHITE_BRUSH: o->color = RGB(255, 255, 255); break;
    case LTGRAY_BRUSH: o->color = RGB(192, 192, 192); break;
    case GRAY_BRUSH: o->color = RGB(128, 128, 128); break;
    case DKGRAY_BRUSH: o->color = RGB(64, 64, 64); break;
    case BLACK_BRUSH: o->color = 0; break;
    case NULL_BRUSH: o->brushStyle = BS_NULL; break;
    case DC_BRUSH: o->color = RGB(255, 255, 255); break;
    case WHITE_PEN:
    case BLACK_PEN:
    case NULL_PEN:
    case DC_PEN:
        o->kind = GdiKind::Pen;
        o->color = index == WHITE_PEN ? RGB(255, 255, 255) : 0;
        o->penStyle = index == NULL_PEN ? PS_NULL : PS_SOLID;
        break;
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case SYSTEM_FIXED_FONT:
        o->kind = GdiKind::Font;
        o->logFont = MakeLogFont(-13, FW_NORMAL, kFixedFace);
        break;
    case ANSI_VAR_FONT:
    case DEFAULT_GUI_FONT:
    case DEVICE_DEFAULT_FONT:
        o->kind = GdiKind::Font;
        o->logFont = MakeLogFont(-12, FW_NORMAL, kGuiFace);
        break;
    case SYSTEM_FONT:
        o->kind = GdiKind::Font;
        o->logFont = MakeLogFont(-16, FW_BOLD, kGuiFace);
        break;
    default: return nullptr;
    }
    if (o->kind == GdiKind::Font) o->font = FontFromLogFont(o->logFont);
    return GdiAdd(std::move(o));
}

}  // namespace

int ClampCoordinate(long long v) { return static_cast<int>(std::clamp(v, -kCoordinateLimit, kCoordinateLimit)); }

QRect RectFromEdges(long long left, long long top, long long right, long long bottom)
{
    int l = ClampCoordinate(left), t = ClampCoordinate(top), r = ClampCoordinate(right), b = ClampCoordinate(bottom);
    return QRect(l, t, std::max(0, r - l), std::max(0, b - t));
}

GdiObject* GdiFind(HGDIOBJ handle)
{
    auto& t = Table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(handle));
    return it == t.objects.end() ? nullptr : it->second.get();
}

GdiObject* GdiFind(HGDIOBJ handle, GdiKind kind)
{
    GdiObject* o = GdiFind(handle);
    return (o && o->kind == kind) ? o : nullptr;
}

HGDIOBJ GdiAdd(std::unique_ptr<GdiObject> object)
{
    auto& t = Table();
    HGDIOBJ h = reinterpret_cast<HGDIOBJ>(t.next);
    t.next += 4;
    t.objects.emplace(reinterpret_cast<uintptr_t>(h), std::move(object));
    return h;
}

QColor ToQColor(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }

COLORREF FromQColor(const QColor& c)
{
    return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
}

QFont FontFromLogFont(const LOGFONTW& lf)
{
    std::wstring face(lf.lfFaceName, wcsnlen(lf.lfFaceName, LF_FACESIZE));
    QFont f(QString::fromStdWString(face.empty() ? std::wstring(kGuiFace) : face));
    LONG h = lf.lfHeight;
    if (h < 0) {
        f.setPixelSize(std::clamp<LONG>(-h, 1, 2000));
    } else if (h > 0) {
        // A positive height is the whole cell: scale the character size to fit it.
        int cell = std::clamp<LONG>(h, 1, 2000);
        f.setPixelSize(cell);
        int measured = QFontMetrics(f).height();
        if (measured > cell) f.setPixelSize(std::max(1, cell * cell / measured));
    } else {
        f.setPixelSize(12);
    }
    if (lf.lfWeight > 0) f.setWeight(static_cast<QFont::Weight>(std::clamp<LONG>(lf.lfWeight, 100, 900)));
    f.setItalic(lf.lfItalic != 0);
    f.setUnderline(lf.lfUnderline != 0);
    f.setStrikeOut(lf.lfStrikeOut != 0);
    f.setStyleStrategy(lf.lfQuality == NONANTIALIASED_QUALITY ? QFont::NoAntialias : QFont::PreferAntialias);
    if ((lf.lfPitchAndFamily & 3) == FIXED_PITCH) f.setFixedPitch(true);
    // Whole-pixel advances per character, so a text measures as the sum of its parts.
    f.setHintingPreference(QFont::PreferFullHinting);
    return f;
}

// ---- Bitmap surfaces --------------------------------------------------------------

QImage BitmapSurface::View()
{
    QImage::Format format = QImage::Format_Invalid;
    switch (bitCount) {
    case 32: format = QImage::Format_RGB32; break;
    case 24: format = QImage::Format_BGR888; break;
    case 16: format = QImage::Format_RGB555; break;
    default: return QImage();
    }
    if (width <= 0 || height <= 0) return QImage();
    return QImage(bits.data(), width, height, stride, format);
}

QImage BitmapSurface::Read(const QRect& r)
{
    QImage out(r.size(), QImage::Format_RGB32);
    out.fill(Qt::black);
    for (int y = 0; y < r.height(); ++y) {
        int ly = r.top() + y;
        if (ly < 0 || ly >= height) continue;
        int row = bottomUp ? height - 1 - ly : ly;
        const uint8_t* src = bits.data() + static_cast<size_t>(row) * stride;
        auto* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < r.width(); ++x) {
            int lx = r.left() + x;
            if (lx < 0 || lx >= width) continue;
            QRgb v = 0;
            switch (bitCount) {
            case 32:
            case 24: {
                const uint8_t* p = src + lx * (bitCount / 8);
                v = qRgb(p[2], p[1], p[0]);
                break;
            }
            case 16: {
                uint16_t w = LoadLE16(src + lx * 2);
                v = qRgb(((w >> 10) & 31) * 255 / 31, ((w >> 5) & 31) * 255 / 31, (w & 31) * 255 / 31);
                break;
            }
            default: {
                unsigned index = 0;
                if (bitCount == 8)
                    index = src[lx];
                else if (bitCount == 4)
                    index = (lx & 1) ? (src[lx / 2] & 0x0F) : (src[lx / 2] >> 4);
                else
                    index = (src[lx / 8] >> (7 - (lx & 7))) & 1;
                if (index < palette.size()) {
                    const RGBQUAD& q = palette[index];
                    v = qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue);
                }
            }
            }
            dst[x] = v;
        }
    }
    return out;
}

void BitmapSurface::ClearAlpha(const QRect& logical)
{
    if (bitCount != 32) return;
    QRect r = logical.intersected(QRect(0, 0, width, height));
    for (int ly = r.top(); ly <= r.bottom() && !r.isEmpty(); ++ly) {
        int row = bottomUp ? height - 1 - ly : ly;
        uint8_t* p = bits.data() + static_cast<size_t>(row) * stride + r.left() * 4;
        for (int x = 0; x < r.width(); ++x) p[x * 4 + 3] = 0;
    }
}

}  // namespace win32_gui

using namespace win32_gui;

HGDIOBJ GetStockObject(int index)
{
    if (index < 0 || index >= 20) return nullptr;
    auto& t = Table();
    if (!t.stock[index]) t.stock[index] = MakeStock(index);
    return t.stock[index];
}

BOOL DeleteObject(HGDIOBJ object)
{
    auto& t = Table();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(object));
    if (it == t.objects.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (it->second->stock) return TRUE;
    // An object still selected into a DC stays until it is deselected.
    if (it->second->selections > 0) return FALSE;
    t.objects.erase(it);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object)
{
    GdiObject* o = GdiFind(object);
    if (!o) return 0;
    switch (o->kind) {
    case GdiKind::Pen: return OBJ_PEN;
    case GdiKind::Brush: return OBJ_BRUSH;
    case GdiKind::Font: return OBJ_FONT;
    case GdiKind::Bitmap: return OBJ_BITMAP;
    case GdiKind::Region: return OBJ_REGION;
    }
    return 0;
}

int GetObjectW(HGDIOBJ object, int size, LPVOID out)
{
    GdiObject* o = GdiFind(object);
    if (!o) return 0;
    auto give = [&](const void* data, int n) {
        if (!out) return n;
        if (size < n) return 0;
        std::memcpy(out, data, static_cast<size_t>(n));
        return n;
    };
    switch (o->kind) {
    case GdiKind::Pen: {
        LOGPEN p;
        p.lopnStyle = static_cast<UINT>(o->penStyle);
        p.lopnWidth = POINT{o->penWidth, 0};
        p.lopnColor = o->color;
        return give(&p, sizeof p);
    }
    case GdiKind::Brush: {
        LOGBRUSH b;
        b.lbStyle = o->brushStyle;
        b.lbColor = o->color;
        return give(&b, sizeof b);
    }
    case GdiKind::Font: return give(&o->logFont, sizeof o->logFont);
    case GdiKind::Bitmap: {
        BitmapSurface& s = *o->surface;
        DIBSECTION ds;
        ds.dsBm.bmWidth = s.width;
        ds.dsBm.bmHeight = s.height;
        ds.dsBm.bmWidthBytes = s.stride;
        ds.dsBm.bmPlanes = 1;
        ds.dsBm.bmBitsPixel = static_cast<WORD>(s.bitCount);
        ds.dsBm.bmBits = o->dibSection ? s.bits.data() : nullptr;
        if (o->dibSection && size >= static_cast<int>(sizeof(DIBSECTION))) {
            ds.dsBmih.biWidth = s.width;
            ds.dsBmih.biHeight = s.bottomUp ? s.height : -s.height;
            ds.dsBmih.biBitCount = static_cast<WORD>(s.bitCount);
            ds.dsBmih.biClrUsed = static_cast<DWORD>(s.palette.size());
            return give(&ds, sizeof ds);
        }
        return give(&ds.dsBm, sizeof ds.dsBm);
    }
    case GdiKind::Region: return 0;
    }
    return 0;
}

HPEN CreatePen(int style, int width, COLORREF color)
{
    if (style < PS_SOLID || style > PS_INSIDEFRAME) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto o = std::make_unique<GdiObject>();
    o->kind = GdiKind::Pen;
    o->penStyle = style;
    o->penWidth = std::max(1, width);
    o->color = color & 0xFFFFFF;
    return GdiAdd(std::move(o));
}

HBRUSH CreateSolidBrush(COLORREF color)
{
    auto o = std::make_unique<GdiObject>();
    o->kind = GdiKind::Brush;
    o->color = color & 0xFFFFFF;
    return GdiAdd(std::move(o));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush)
{
    if (!brush) return nullptr;
    if (brush->lbStyle == BS_NULL) return GetStockObject(NULL_BRUSH);
    return CreateSolidBrush(brush->lbColor);
}

HBRUSH GetSysColorBrush(int index)
{
    if (index < 0 || index >= 32) return nullptr;
    auto& t = Table();
    if (!t.sysBrushes[index]) {
        auto o = std::make_unique<GdiObject>();
        o->stock = true;
        o->color = GetSysColor(index);
        t.sysBrushes[index] = GdiAdd(std::move(o));
    }
    return t.sysBrushes[index];
}

HFONT CreateFontIndirectW(const LOGFONTW* font)
{
    if (!font) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto o = std::make_unique<GdiObject>();
    o->kind = GdiKind::Font;
    o->logFont = *font;
    o->logFont.lfFaceName[LF_FACESIZE - 1] = L'\0';
    o->font = FontFromLogFont(o->logFont);
    return GdiAdd(std::move(o));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR face)
{
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic != 0);
    lf.lfUnderline = static_cast<BYTE>(underline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face) std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

namespace {

HBITMAP MakeBitmap(int width, int height, int bitCount, bool bottomUp, bool dib, std::vector<RGBQUAD> palette)
{
    auto s = std::make_shared<BitmapSurface>();
    s->width = width;
    s->height = height;
    s->bitCount = bitCount;
    s->bottomUp = bottomUp;
    long long stride = ((static_cast<long long>(width) * bitCount + 31) / 8) & ~3LL;
    // Refuse what cannot be a picture (over 256 MiB) rather than try to
    // allocate it; the size is checked before it is multiplied out.
    constexpr long long kMaxBytes = 1LL << 28;
    if (stride <= 0 || height <= 0 || stride > kMaxBytes / height) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    s->stride = static_cast<int>(stride);
    const long long total = stride * height;
    try {
        s->bits.assign(static_cast<size_t>(total), 0);
    } catch (const std::bad_alloc&) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    s->palette = std::move(palette);
    auto o = std::make_unique<GdiObject>();
    o->kind = GdiKind::Bitmap;
    o->surface = std::move(s);
    o->dibSection = dib;
    return GdiAdd(std::move(o));
}

}  // namespace

HBITMAP CreateCompatibleBitmap(HDC, int width, int height)
{
    if (width <= 0 || height <= 0) {
        // A bitmap without pixels stands for the empty one the system returns.
        width = height = 1;
    }
    return MakeBitmap(width, height, 32, false, false, {});
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD)
{
    if (bits) *bits = nullptr;
    if (!info || usage != DIB_RGB_COLORS || section) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const BITMAPINFOHEADER& h = info->bmiHeader;
    int bc = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN ||
        h.biWidth > 0x7FFFFFFE || (h.biCompression != BI_RGB) ||
        (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    std::vector<RGBQUAD> palette;
    if (bc <= 8) {
        size_t n = h.biClrUsed ? std::min<size_t>(h.biClrUsed, 256) : (size_t{1} << bc);
        const auto* colors = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(info) + h.biSize);
        palette.assign(colors, colors + n);
    }
    bool bottomUp = h.biHeight > 0;
    HBITMAP b = MakeBitmap(h.biWidth, bottomUp ? h.biHeight : -h.biHeight, bc, bottomUp, true, std::move(palette));
    if (b && bits) *bits = GdiFind(b)->surface->bits.data();
    return b;
}
