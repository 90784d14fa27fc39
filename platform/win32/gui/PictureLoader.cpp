#include "PictureLoader.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <cstring>

#include "QtAccess.h"

HBITMAP LoadPictureFromMemory(const void* data, size_t size)
{
    if (!data || size == 0 || size > static_cast<size_t>(INT32_MAX)) return nullptr;
    QByteArray bytes = QByteArray::fromRawData(static_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return nullptr;
    QImageReader reader(&buffer);
    QSize declared = reader.size();
    constexpr long long kMaxPixels = 1LL << 26;
    if (declared.isValid() && static_cast<long long>(declared.width()) * declared.height() > kMaxPixels) return nullptr;
    QImage image;
    if (!reader.read(&image) || image.isNull()) return nullptr;
    if (static_cast<long long>(image.width()) * image.height() > kMaxPixels) return nullptr;
    // Premultiplied colour is the picture laid over black.
    return BitmapFromImage(image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
}

HBITMAP BitmapFromImage(const QImage& source)
{
    if (source.isNull()) return nullptr;
    const QImage image = (source.format() == QImage::Format_RGB32 || source.format() == QImage::Format_ARGB32 ||
                          source.format() == QImage::Format_ARGB32_Premultiplied)
                             ? source
                             : source.convertToFormat(QImage::Format_RGB32);
    BITMAPINFO info{};
    info.bmiHeader.biWidth = image.width();
    info.bmiHeader.biHeight = -image.height();  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return nullptr;
    auto* out = static_cast<uint8_t*>(bits);
    const size_t stride = static_cast<size_t>(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        uint8_t* row = out + stride * static_cast<size_t>(y);
        for (int x = 0; x < image.width(); ++x) {
            row[x * 4 + 0] = static_cast<uint8_t>(qBlue(src[x]));
            row[x * 4 + 1] = static_cast<uint8_t>(qGreen(src[x]));
            row[x * 4 + 2] = static_cast<uint8_t>(qRed(src[x]));
            row[x * 4 + 3] = 0;
        }
    }
    return bitmap;
}
