#include "ImageList.h"

#include <QImage>
#include <map>
#include <memory>
#include <vector>

#include "platform/mfc/ImageListPicture.h"
#include "platform/mfc/ImageResource.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"

namespace {

struct ImageListData {
    int cx = 0;
    int cy = 0;
    bool masked = false;
    std::vector<QImage> images;  // ARGB32, alpha 0 where transparent
};

struct Table {
    std::map<uintptr_t, std::unique_ptr<ImageListData>> lists;
    uintptr_t next = 0x50000;
};

Table& Lists()
{
    static Table t;
    return t;
}

ImageListData* Find(HIMAGELIST list)
{
    auto it = Lists().lists.find(reinterpret_cast<uintptr_t>(list));
    return it == Lists().lists.end() ? nullptr : it->second.get();
}

constexpr int kLargestSide = 4096;

// The bitmap's pixels, read through a DIB section of our own.
QImage ReadBitmap(HBITMAP bitmap)
{
    BITMAP info{};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) < static_cast<int>(sizeof(BITMAP))) return QImage();
    int width = info.bmWidth, height = std::abs(info.bmHeight);
    if (width <= 0 || height <= 0 || width > kLargestSide * 16 || height > kLargestSide) return QImage();
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP copy = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!copy || !bits) return QImage();
    HDC src = CreateCompatibleDC(nullptr);
    HDC dst = CreateCompatibleDC(nullptr);
    HGDIOBJ oldSrc = SelectObject(src, bitmap);
    HGDIOBJ oldDst = SelectObject(dst, copy);
    BitBlt(dst, 0, 0, width, height, src, 0, 0, SRCCOPY);
    QImage image = QImage(static_cast<const uchar*>(bits), width, height, width * 4, QImage::Format_RGB32).copy();
    SelectObject(src, oldSrc);
    SelectObject(dst, oldDst);
    DeleteDC(src);
    DeleteDC(dst);
    DeleteObject(copy);
    return image;
}

int AddStrip(HIMAGELIST handle, const QImage& strip, const QImage& maskStrip, bool useColor, COLORREF color)
{
    ImageListData* list = Find(handle);
    if (!list || strip.isNull()) return -1;
    int first = static_cast<int>(list->images.size());
    QRgb key = qRgb(GetRValue(color), GetGValue(color), GetBValue(color));
    for (int x = 0; x + list->cx <= strip.width(); x += list->cx) {
        QImage image(list->cx, list->cy, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        for (int y = 0; y < list->cy && y < strip.height(); ++y) {
            for (int i = 0; i < list->cx; ++i) {
                QRgb p = strip.pixel(x + i, y) | 0xFF000000u;
                bool transparent = false;
                if (useColor)
                    transparent = (p & 0xFFFFFFu) == (key & 0xFFFFFFu);
                else if (!maskStrip.isNull() && x + i < maskStrip.width() && y < maskStrip.height())
                    transparent = (maskStrip.pixel(x + i, y) & 0xFFFFFFu) == 0xFFFFFFu;
                image.setPixel(i, y, transparent ? 0u : p);
            }
        }
        list->images.push_back(image);
    }
    return static_cast<int>(list->images.size()) > first ? first : -1;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int)
{
    if (cx <= 0 || cy <= 0 || cx > kLargestSide || cy > kLargestSide) return nullptr;
    auto data = std::make_unique<ImageListData>();
    data->cx = cx;
    data->cy = cy;
    data->masked = (flags & ILC_MASK) != 0;
    auto& t = Lists();
    uintptr_t key = t.next;
    t.next += 4;
    t.lists.emplace(key, std::move(data));
    return reinterpret_cast<HIMAGELIST>(key);
}

BOOL ImageList_Destroy(HIMAGELIST list)
{
    return Lists().lists.erase(reinterpret_cast<uintptr_t>(list)) ? TRUE : FALSE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask)
{
    return AddStrip(list, ReadBitmap(image), mask ? ReadBitmap(mask) : QImage(), false, 0);
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask)
{
    return AddStrip(list, ReadBitmap(image), QImage(), mask != CLR_NONE, mask);
}

int ImageList_GetImageCount(HIMAGELIST list)
{
    ImageListData* l = Find(list);
    return l ? static_cast<int>(l->images.size()) : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy)
{
    ImageListData* l = Find(list);
    if (!l || !cx || !cy) return FALSE;
    *cx = l->cx;
    *cy = l->cy;
    return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index)
{
    ImageListData* l = Find(list);
    if (!l) return FALSE;
    if (index == -1) {
        l->images.clear();
        return TRUE;
    }
    if (index < 0 || static_cast<size_t>(index) >= l->images.size()) return FALSE;
    l->images.erase(l->images.begin() + index);
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style)
{
    ImageListData* l = Find(list);
    if (!l || index < 0 || static_cast<size_t>(index) >= l->images.size()) return FALSE;
    const QImage& picture = l->images[static_cast<size_t>(index)];
    bool transparent = (style & ILD_TRANSPARENT) || l->masked;
    // A key colour no opaque pixel of the picture has stands for the
    // transparent ones.
    const QRgb candidates[] = {qRgb(255, 0, 255), qRgb(1, 2, 3), qRgb(254, 1, 253), qRgb(3, 254, 2)};
    QRgb key = candidates[0];
    for (QRgb c : candidates) {
        bool used = false;
        for (int yy = 0; yy < picture.height() && !used; ++yy)
            for (int xx = 0; xx < picture.width() && !used; ++xx)
                used = qAlpha(picture.pixel(xx, yy)) && (picture.pixel(xx, yy) & 0xFFFFFFu) == (c & 0xFFFFFFu);
        if (!used) {
            key = c;
            break;
        }
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biWidth = l->cx;
    bi.bmiHeader.biHeight = -l->cy;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP temp = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!temp || !bits) return FALSE;
    auto* out = static_cast<uint8_t*>(bits);
    for (int yy = 0; yy < l->cy; ++yy) {
        for (int xx = 0; xx < l->cx; ++xx) {
            QRgb p = picture.pixel(xx, yy);
            if (!qAlpha(p)) p = transparent ? key : qRgb(255, 255, 255);
            uint8_t* px = out + (static_cast<size_t>(yy) * l->cx + xx) * 4;
            px[0] = static_cast<uint8_t>(qBlue(p));
            px[1] = static_cast<uint8_t>(qGreen(p));
            px[2] = static_cast<uint8_t>(qRed(p));
            px[3] = 0;
        }
    }
    HDC mem = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mem, temp);
    BOOL ok = transparent ? TransparentBlt(dc, x, y, l->cx, l->cy, mem, 0, 0, l->cx, l->cy,
                                           RGB(qRed(key), qGreen(key), qBlue(key)))
                          : BitBlt(dc, x, y, l->cx, l->cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    DeleteObject(temp);
    return ok;
}

HIMAGELIST ImageList_LoadBitmapW(HINSTANCE instance, LPCWSTR name, int cx, int grow, COLORREF mask)
{
    HBITMAP bitmap = LoadBitmapW(instance, name);
    if (!bitmap) return nullptr;
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    HIMAGELIST list =
        ImageList_Create(cx, std::abs(info.bmHeight), mask == CLR_NONE ? ILC_COLOR32 : ILC_COLOR32 | ILC_MASK, 0, grow);
    if (list && ImageList_AddMasked(list, bitmap, mask) < 0) {
        ImageList_Destroy(list);
        list = nullptr;
    }
    DeleteObject(bitmap);
    return list;
}

namespace mfc_controls {

QImage ImageListPicture(HIMAGELIST list, int index)
{
    ImageListData* l = Find(list);
    if (!l || index < 0 || static_cast<size_t>(index) >= l->images.size()) return QImage();
    return l->images[static_cast<size_t>(index)];
}

}  // namespace mfc_controls
