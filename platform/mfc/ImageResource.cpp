#include "ImageResource.h"

#include <QImage>
#include <cstring>
#include <map>

#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/PictureLoader.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/Window.h"

namespace {

struct Bytes {
    const unsigned char* data = nullptr;
    size_t size = 0;
};

std::map<WORD, Bytes>& Bitmaps()
{
    static std::map<WORD, Bytes> m;
    return m;
}

// Image files larger than this are not resources of ours.
constexpr size_t kLargestImage = 64 * 1024 * 1024;

QImage Decode(const unsigned char* data, size_t size)
{
    if (!data || !size || size > kLargestImage) return QImage();
    return QImage::fromData(data, static_cast<int>(size));
}

}  // namespace

void RegisterBitmapResource(WORD id, const unsigned char* data, size_t size) { Bitmaps()[id] = Bytes{data, size}; }

void RegisterIconResourceData(WORD id, const unsigned char* data, size_t size)
{
    QImage image = Decode(data, size);
    if (!image.isNull()) RegisterIconResource(id, image);
}

HBITMAP LoadBitmapW(HINSTANCE, LPCWSTR name)
{
    if (!name || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    auto it = Bitmaps().find(static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name)));
    if (it == Bitmaps().end()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    QImage image = Decode(it->second.data, it->second.size).convertToFormat(QImage::Format_RGB32);
    if (image.isNull() || image.width() > 16384 || image.height() > 16384) {
        SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    return BitmapFromImage(image);
}
