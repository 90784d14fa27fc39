#include "Cursors.h"

#include <QCursor>
#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <cstring>
#include <map>
#include <unordered_map>

#include "GdiInternals.h"
#include "QtAccess.h"
#include "WindowWidget.h"
#include "platform/win32/ByteOrder.h"

namespace {

struct CursorObject {
    QImage image;  // null for stock shapes
    Qt::CursorShape shape = Qt::ArrowCursor;
    POINT hotSpot;
    bool stock = false;
};

struct CursorTable {
    std::unordered_map<uintptr_t, CursorObject> objects;
    std::map<WORD, HCURSOR> stock;
    std::map<WORD, QImage> iconResources;
    uintptr_t next = 0x60000;
    HCURSOR current = nullptr;
    int showCount = 0;
};

CursorTable& T()
{
    static CursorTable t;
    return t;
}

HCURSOR Add(CursorObject o)
{
    auto& t = T();
    HCURSOR h = reinterpret_cast<HCURSOR>(t.next);
    t.next += 4;
    t.objects.emplace(reinterpret_cast<uintptr_t>(h), std::move(o));
    return h;
}

CursorObject* Get(HCURSOR h)
{
    auto& t = T();
    auto it = t.objects.find(reinterpret_cast<uintptr_t>(h));
    return it == t.objects.end() ? nullptr : &it->second;
}

bool ShapeOf(WORD id, Qt::CursorShape* shape)
{
    switch (id) {
    case 32512: *shape = Qt::ArrowCursor; return true;
    case 32513: *shape = Qt::IBeamCursor; return true;
    case 32514: *shape = Qt::WaitCursor; return true;
    case 32515: *shape = Qt::CrossCursor; return true;
    case 32516: *shape = Qt::UpArrowCursor; return true;
    case 32640:
    case 32646: *shape = Qt::SizeAllCursor; return true;
    case 32641: *shape = Qt::ArrowCursor; return true;
    case 32642: *shape = Qt::SizeFDiagCursor; return true;
    case 32643: *shape = Qt::SizeBDiagCursor; return true;
    case 32644: *shape = Qt::SizeHorCursor; return true;
    case 32645: *shape = Qt::SizeVerCursor; return true;
    case 32648: *shape = Qt::ForbiddenCursor; return true;
    case 32649: *shape = Qt::PointingHandCursor; return true;
    case 32650: *shape = Qt::BusyCursor; return true;
    case 32651: *shape = Qt::WhatsThisCursor; return true;
    default: return false;
    }
}

// One DIB image of an icon or cursor file: colour bits, then the AND mask.
bool DecodeDibImage(const uint8_t* data, size_t size, QImage* out)
{
    if (size < 40) return false;
    uint32_t headerSize = LoadLE32(data);
    int32_t width = static_cast<int32_t>(LoadLE32(data + 4));
    int32_t height2 = static_cast<int32_t>(LoadLE32(data + 8));
    uint16_t bits = LoadLE16(data + 14);
    uint32_t compression = LoadLE32(data + 16);
    uint32_t used = LoadLE32(data + 32);
    if (headerSize < 40 || headerSize > size || width <= 0 || width > 256 || height2 <= 0 || height2 > 512 ||
        compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
        return false;
    int height = height2 / 2;
    if (height <= 0) return false;
    size_t colors = bits <= 8 ? (used ? used : (1u << bits)) : 0;
    if (colors > 256) return false;
    size_t paletteAt = headerSize;
    size_t xorAt = paletteAt + colors * 4;
    size_t xorStride = ((static_cast<size_t>(width) * bits + 31) / 32) * 4;
    size_t andStride = ((static_cast<size_t>(width) + 31) / 32) * 4;
    size_t andAt = xorAt + xorStride * height;
    bool hasMask = andAt + andStride * height <= size;
    if (andAt > size) return false;
    QImage img(width, height, QImage::Format_ARGB32);
    bool anyAlpha = false;
    if (bits == 32) {
        for (int y = 0; y < height && !anyAlpha; ++y) {
            const uint8_t* row = data + xorAt + xorStride * static_cast<size_t>(y);
            for (int x = 0; x < width; ++x)
                if (row[x * 4 + 3]) anyAlpha = true;
        }
    }
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = data + xorAt + xorStride * static_cast<size_t>(height - 1 - y);
        const uint8_t* mask = hasMask ? data + andAt + andStride * static_cast<size_t>(height - 1 - y) : nullptr;
        auto* dst = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb v = 0;
            if (bits == 32) {
                const uint8_t* p = row + x * 4;
                v = qRgba(p[2], p[1], p[0], p[3]);
            } else if (bits == 24) {
                const uint8_t* p = row + x * 3;
                v = qRgb(p[2], p[1], p[0]);
            } else {
                unsigned index = bits == 8   ? row[x]
                                 : bits == 4 ? ((x & 1) ? row[x / 2] & 15 : row[x / 2] >> 4)
                                             : (row[x / 8] >> (7 - (x & 7))) & 1;
                if (index < colors) {
                    const uint8_t* q = data + paletteAt + index * 4;
                    v = qRgb(q[2], q[1], q[0]);
                }
            }
            // Without alpha in the colour bits the AND mask says what is transparent.
            bool transparent = mask && ((mask[x / 8] >> (7 - (x & 7))) & 1);
            if (!anyAlpha) v = transparent ? 0 : (v | 0xFF000000u);
            dst[x] = v;
        }
    }
    *out = img;
    return true;
}

QCursor ToQCursor(const CursorObject& c)
{
    if (c.image.isNull()) return QCursor(c.shape);
    return QCursor(QPixmap::fromImage(c.image), c.hotSpot.x, c.hotSpot.y);
}

}  // namespace

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name)
{
    auto v = reinterpret_cast<uintptr_t>(name);
    if (v >> 16) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    WORD id = static_cast<WORD>(v);
    if (instance) return reinterpret_cast<HCURSOR>(LoadIconW(instance, name));
    Qt::CursorShape shape;
    if (!ShapeOf(id, &shape)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto& t = T();
    auto it = t.stock.find(id);
    if (it != t.stock.end()) return it->second;
    CursorObject o;
    o.shape = shape;
    o.stock = true;
    HCURSOR h = Add(o);
    t.stock.emplace(id, h);
    return h;
}

HCURSOR CreateCursorFromFileData(const void* data, size_t size)
{
    const auto* p = static_cast<const uint8_t*>(data);
    if (!p || size < 6 + 16 || LoadLE16(p) != 0 || (LoadLE16(p + 2) != 1 && LoadLE16(p + 2) != 2) ||
        LoadLE16(p + 4) == 0) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    bool isCursor = LoadLE16(p + 2) == 2;
    const uint8_t* entry = p + 6;
    uint32_t length = LoadLE32(entry + 8);
    uint32_t offset = LoadLE32(entry + 12);
    if (offset >= size || length > size - offset || length == 0) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    CursorObject o;
    const uint8_t* image = p + offset;
    if (length >= 8 && std::memcmp(image, "\x89PNG", 4) == 0) {
        o.image = QImage::fromData(image, static_cast<int>(length), "PNG").convertToFormat(QImage::Format_ARGB32);
        if (o.image.isNull()) {
            SetLastError(ERROR_BAD_FORMAT);
            return nullptr;
        }
    } else if (!DecodeDibImage(image, length, &o.image)) {
        SetLastError(ERROR_BAD_FORMAT);
        return nullptr;
    }
    if (isCursor) {
        o.hotSpot = POINT{std::min<int>(LoadLE16(entry + 4), o.image.width() - 1),
                          std::min<int>(LoadLE16(entry + 6), o.image.height() - 1)};
    } else {
        o.hotSpot = POINT{o.image.width() / 2, o.image.height() / 2};
    }
    return Add(std::move(o));
}

HCURSOR LoadCursorFromFileW(LPCWSTR path)
{
    if (!path) return nullptr;
    QFile f(QString::fromStdWString(path));
    // Cursor files are small; a large file is not one.
    if (!f.open(QIODevice::ReadOnly) || f.size() > (1 << 20)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    QByteArray bytes = f.readAll();
    return CreateCursorFromFileData(bytes.constData(), static_cast<size_t>(bytes.size()));
}

BOOL DestroyCursor(HCURSOR cursor)
{
    CursorObject* c = Get(cursor);
    if (!c) return FALSE;
    if (c->stock) return TRUE;
    if (T().current == cursor) SetCursor(nullptr);
    T().objects.erase(reinterpret_cast<uintptr_t>(cursor));
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    auto& t = T();
    HCURSOR old = t.current;
    if (cursor && !Get(cursor)) return old;
    if (cursor == old) return old;
    t.current = cursor;
    if (cursor) {
        QCursor q = ToQCursor(*Get(cursor));
        win32_gui::ApplyCursorToWidgets(&q);
    } else {
        win32_gui::ApplyCursorToWidgets(nullptr);
    }
    return old;
}

HCURSOR GetCursor() { return T().current; }

int ShowCursor(BOOL show)
{
    auto& t = T();
    t.showCount += show ? 1 : -1;
    return t.showCount;
}

BOOL GetIconInfo(HICON icon, ICONINFO* info)
{
    CursorObject* c = Get(icon);
    if (!c || !info) return FALSE;
    *info = ICONINFO{};
    info->fIcon = c->image.isNull() ? FALSE : TRUE;
    info->xHotspot = static_cast<DWORD>(c->hotSpot.x);
    info->yHotspot = static_cast<DWORD>(c->hotSpot.y);
    return TRUE;
}

BOOL GetCursorSize(HCURSOR cursor, SIZE* size)
{
    CursorObject* c = Get(cursor);
    if (!c || !size) return FALSE;
    *size = c->image.isNull() ? SIZE{32, 32} : SIZE{c->image.width(), c->image.height()};
    return TRUE;
}

void RegisterIconResource(WORD id, const QImage& image)
{
    T().iconResources[id] = image.convertToFormat(QImage::Format_ARGB32);
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name)
{
    auto v = reinterpret_cast<uintptr_t>(name);
    if (v >> 16) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    auto& t = T();
    if (!instance && v == 32512) {
        // The system's application icon: our own drawing of a plain window,
        // made once and shared like the stock cursors.
        static HICON application = nullptr;
        if (application && Get(application)) return application;
        QImage img(32, 32, QImage::Format_ARGB32);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.fillRect(QRect(2, 4, 28, 24), QColor(240, 240, 240));
        p.fillRect(QRect(2, 4, 28, 5), QColor(0, 84, 166));
        p.setPen(QColor(60, 60, 60));
        p.drawRect(QRect(2, 4, 27, 23));
        p.end();
        CursorObject o;
        o.image = img;
        o.stock = true;
        application = Add(std::move(o));
        return application;
    }
    // The program is the one module with icons: its registered icons answer
    // for any instance, the null one included.
    auto it = t.iconResources.find(static_cast<WORD>(v));
    if (it == t.iconResources.end()) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    CursorObject o;
    o.image = it->second;
    o.hotSpot = POINT{o.image.width() / 2, o.image.height() / 2};
    return Add(std::move(o));
}

BOOL DestroyIcon(HICON icon) { return DestroyCursor(icon); }

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT, HBRUSH, UINT)
{
    CursorObject* c = Get(icon);
    if (!c || c->image.isNull()) return FALSE;
    win32_gui::DcPainter dp(dc);
    if (!dp.ok()) return FALSE;
    int w = width > 0 ? width : c->image.width();
    int h = height > 0 ? height : c->image.height();
    QRect target(x, y, w, h);
    dp.p().setRenderHint(QPainter::SmoothPixmapTransform);
    dp.p().drawImage(target, c->image);
    dp.Touched(target);
    return TRUE;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) { return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL); }

namespace win32_gui {
bool CursorImage(HCURSOR cursor, QImage* image, POINT* hotSpot)
{
    CursorObject* c = Get(cursor);
    if (!c) return false;
    if (image) *image = c->image;
    if (hotSpot) *hotSpot = c->hotSpot;
    return true;
}
}  // namespace win32_gui
