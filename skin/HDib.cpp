#include "skin/HDib.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <utility>

#include "platform/win32/Files.h"
#include "platform/win32/KernelObject.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/PictureLoader.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

constexpr WORD kBmpType = 0x4D42;  // "BM"
constexpr size_t kFileHeaderSize = sizeof(BITMAPFILEHEADER);
constexpr size_t kInfoHeaderSize = sizeof(BITMAPINFOHEADER);

bool ValidBitCount(int bitCount)
{
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32;
}

// The blend table of the last alpha, shared by every image (UI thread only).
struct BlendTable {
    int alpha = -1;
    std::array<BYTE, 256 * 256> value{};
    const BYTE* For(int a)
    {
        if (a != alpha) {
            for (int s = 0; s < 256; ++s)
                for (int d = 0; d < 256; ++d) value[s * 256 + d] = static_cast<BYTE>((s * a + d * (255 - a)) / 255);
            alpha = a;
        }
        return value.data();
    }
};

BlendTable& SharedBlendTable()
{
    static BlendTable table;
    return table;
}

// The whole of an open file, for the readers that work on memory; false for
// a file larger than the readers take.
bool ReadWholeFile(HANDLE file, std::vector<BYTE>* out)
{
    LARGE_INTEGER size{};
    if (file == INVALID_HANDLE_VALUE || !file || !GetFileSizeEx(file, &size)) return false;
    if (size.QuadPart <= 0 || static_cast<unsigned long long>(size.QuadPart) > HDib::kMaxFileBytes) return false;
    out->resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < out->size()) {
        DWORD got = 0;
        DWORD want = static_cast<DWORD>(std::min<size_t>(out->size() - done, 1u << 30));
        if (!ReadFile(file, out->data() + done, want, &got, nullptr)) return false;
        if (got == 0) break;
        done += got;
    }
    out->resize(done);
    return true;
}

}  // namespace

// Reads the whole open file and hands its bytes to a reader of memory; an
// unreadable file leaves the image empty.
template <class Read>
int HDib::WithFileBytes(HANDLE file, Read read)
{
    std::vector<BYTE> bytes;
    if (!ReadWholeFile(file, &bytes)) {
        Clear();
        return 0;
    }
    return read(bytes.data(), bytes.size());
}

namespace {

template <class Read>
int WithFile(const wchar_t* path, DWORD share, Read read)
{
    if (!path) return 0;
    HANDLE file = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return 0;
    int result = read(file);
    CloseHandle(file);
    return result;
}

}  // namespace

HDib::HDib() = default;

HDib::HDib(const HDib& other) { CopyFrom(other); }

HDib::~HDib() { Clear(); }

int HDib::Create(int width, int height, int bitCount, int paletteSize, const RGBQUAD* palette)
{
    if (width <= 0 || height <= 0 || width > 0x7FFFFFFE || height > 0x7FFFFFFE || !ValidBitCount(bitCount) ||
        paletteSize < 0 || paletteSize > 256)
        return 0;
    Clear();
    // The system reads a full table for palette depths when none is counted:
    // give it one, black past the given entries.
    size_t entries = std::max<size_t>(static_cast<size_t>(paletteSize), bitCount <= 8 ? (size_t{1} << bitCount) : 0);
    std::vector<BYTE> info(kInfoHeaderSize + std::max<size_t>(entries, 1) * sizeof(RGBQUAD), 0);
    BITMAPINFOHEADER header;
    header.biSize = kInfoHeaderSize;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitCount);
    header.biCompression = BI_RGB;
    header.biSizeImage = 0;
    header.biClrUsed = static_cast<DWORD>(paletteSize);
    header.biClrImportant = static_cast<DWORD>(paletteSize);
    std::memcpy(info.data(), &header, kInfoHeaderSize);
    if (palette && paletteSize > 0)
        std::memcpy(info.data() + kInfoHeaderSize, palette, static_cast<size_t>(paletteSize) * sizeof(RGBQUAD));
    void* bits = nullptr;
    HBITMAP bitmap =
        CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bitmap || !bits) return 0;
    m_hBitmap = bitmap;
    m_nWidth = static_cast<UINT>(width);
    m_nHeight = static_cast<UINT>(height);
    m_nBitCount = static_cast<WORD>(bitCount);
    m_nPaletteSize = paletteSize;
    m_pBits = static_cast<BYTE*>(bits);
    m_nStride = static_cast<int>(((static_cast<long long>(width) * bitCount + 31) / 8) & ~3LL);
    m_nBytesPerPixel = bitCount <= 8 ? 1 : bitCount / 8;
    m_palette.assign(reinterpret_cast<const RGBQUAD*>(info.data() + kInfoHeaderSize),
                     reinterpret_cast<const RGBQUAD*>(info.data() + kInfoHeaderSize) + paletteSize);
    return 1;
}

int HDib::CreateFilled(int width, int height, int bitCount, COLORREF color)
{
    if (!Create(width, height, bitCount)) return 0;
    if (color != static_cast<COLORREF>(-1)) Fill(color);
    return 1;
}

void HDib::Clear()
{
    ReleaseDC();
    if (m_hBitmap) DeleteObject(m_hBitmap);
    m_hBitmap = nullptr;
    m_nWidth = m_nHeight = 0;
    m_nBitCount = 0;
    m_nPaletteSize = 0;
    m_pBits = nullptr;
    m_bClip = 0;
    m_rcClip = RECT{};
    m_crKey = kKeyColor;
    m_nStride = 0;
    m_nBytesPerPixel = 0;
    m_palette.clear();
}

// Takes the other image's pixels; the key colour and the clip stay this image's.
void HDib::TakeFrom(HDib& other)
{
    const COLORREF key = m_crKey;
    const int clip = m_bClip;
    const RECT clipRect = m_rcClip;
    Clear();
    m_crKey = key;
    m_bClip = clip;
    m_rcClip = clipRect;
    other.ReleaseDC();
    m_hBitmap = std::exchange(other.m_hBitmap, nullptr);
    m_nWidth = other.m_nWidth;
    m_nHeight = other.m_nHeight;
    m_nBitCount = other.m_nBitCount;
    m_nPaletteSize = other.m_nPaletteSize;
    m_pBits = other.m_pBits;
    m_nStride = other.m_nStride;
    m_nBytesPerPixel = other.m_nBytesPerPixel;
    m_palette = std::move(other.m_palette);
    other.Clear();
}

int HDib::CopyFrom(const HDib& source)
{
    if (&source == this) return IsEmpty() ? 0 : 1;
    if (source.IsEmpty()) {
        Clear();
        return 0;
    }
    if (!(m_nWidth == source.m_nWidth && m_nHeight == source.m_nHeight && m_nBitCount == source.m_nBitCount &&
          m_nBitCount > 8)) {
        if (!Create(source.GetWidth(), source.GetHeight(), source.m_nBitCount, source.m_nPaletteSize,
                    source.m_palette.data()))
            return 0;
        m_crKey = source.m_crKey;
    }
    std::memcpy(m_pBits, source.m_pBits, static_cast<size_t>(m_nStride) * m_nHeight);
    return 1;
}

HDC HDib::GetDC()
{
    if (!m_hBitmap) return nullptr;
    if (!m_hDC) {
        m_hDC = CreateCompatibleDC(nullptr);
        if (!m_hDC) return nullptr;
        m_hOldObject = SelectObject(m_hDC, m_hBitmap);
    }
    return m_hDC;
}

void HDib::ReleaseDC()
{
    if (!m_hDC) return;
    SelectObject(m_hDC, m_hOldObject);
    DeleteDC(m_hDC);
    m_hDC = nullptr;
    m_hOldObject = nullptr;
}

BYTE* HDib::PixelAddress(int x, int y) const
{
    if (!m_pBits || x < 0 || y < 0 || static_cast<UINT>(x) >= m_nWidth || static_cast<UINT>(y) >= m_nHeight)
        return nullptr;
    size_t column = m_nBitCount == 1   ? static_cast<size_t>(x) / 8
                    : m_nBitCount == 4 ? static_cast<size_t>(x) / 2
                                       : static_cast<size_t>(x) * m_nBytesPerPixel;
    return Row(y) + column;
}

int HDib::GetColorTable(RGBQUAD* entries) const
{
    if (!entries) return 0;
    std::copy(m_palette.begin(), m_palette.end(), entries);
    return static_cast<int>(m_palette.size());
}

void HDib::SetClipRect(const RECT* rect)
{
    m_bClip = rect ? 1 : 0;
    m_rcClip = rect ? *rect : RECT{};
}

int HDib::GetClipRect(RECT* rect) const
{
    if (!m_bClip) return 0;
    if (rect) *rect = m_rcClip;
    return 1;
}

int HDib::Fill(COLORREF color)
{
    if (!m_pBits || (m_nBitCount != 24 && m_nBitCount != 32)) return 0;
    const BYTE b = GetBValue(color), g = GetGValue(color), r = GetRValue(color);
    for (UINT y = 0; y < m_nHeight; ++y) {
        BYTE* p = m_pBits + static_cast<size_t>(y) * m_nStride;
        for (UINT x = 0; x < m_nWidth; ++x, p += m_nBytesPerPixel) {
            p[0] = b;
            p[1] = g;
            p[2] = r;
            if (m_nBytesPerPixel == 4) p[3] = 0;
        }
    }
    return 1;
}

int HDib::FillClip(COLORREF color)
{
    if (!m_bClip) return Fill(color);
    bool hadDc = m_hDC != nullptr;
    HDC dc = GetDC();
    if (!dc) return 0;
    COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &m_rcClip, L"", 0, nullptr);
    SetBkColor(dc, old);
    if (!hadDc) ReleaseDC();
    return 1;
}

// ---- Loading -------------------------------------------------------------------

int HDib::LoadBmp(const void* data, size_t size)
{
    Clear();
    const auto* bytes = static_cast<const BYTE*>(data);
    if (!bytes || size <= kFileHeaderSize + kInfoHeaderSize) return 0;
    BITMAPFILEHEADER file;
    std::memcpy(&file, bytes, kFileHeaderSize);
    if (file.bfType != kBmpType) return 0;
    BITMAPINFOHEADER info;
    std::memcpy(&info, bytes + kFileHeaderSize, kInfoHeaderSize);
    // The header must be one of the BITMAPINFOHEADER family and lie within
    // the data, and the palette between it and the pixels.
    if (info.biSize < kInfoHeaderSize || info.biSize > size - kFileHeaderSize) return 0;
    const size_t paletteStart = kFileHeaderSize + info.biSize;
    if (file.bfOffBits < paletteStart || file.bfOffBits > size) return 0;
    const size_t paletteCount = (file.bfOffBits - paletteStart) / sizeof(RGBQUAD);
    if (paletteCount > 256) return 0;
    // Top-down and zero-sized images are not this reader's (the picture
    // loader takes top-down files).
    if (info.biWidth <= 0 || info.biHeight <= 0 || !ValidBitCount(info.biBitCount)) return 0;
    const size_t available = size - file.bfOffBits;
    const long long stride = ((static_cast<long long>(info.biWidth) * info.biBitCount + 31) / 8) & ~3LL;
    switch (info.biCompression) {
    case BI_RGB:
        if (static_cast<unsigned long long>(stride) > available / static_cast<unsigned long long>(info.biHeight))
            return 0;
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (info.biBitCount != (info.biCompression == BI_RLE8 ? 8 : 4)) return 0;
        if (info.biSizeImage == 0 || info.biSizeImage > available) return 0;
        break;
    default: return 0;
    }
    std::vector<RGBQUAD> palette(paletteCount);
    if (paletteCount) std::memcpy(palette.data(), bytes + paletteStart, paletteCount * sizeof(RGBQUAD));
    if (!Create(info.biWidth, info.biHeight, info.biBitCount, static_cast<int>(paletteCount), palette.data())) return 0;
    const BYTE* pixels = bytes + file.bfOffBits;
    if (info.biCompression == BI_RGB) {
        std::memcpy(m_pBits, pixels, static_cast<size_t>(m_nStride) * m_nHeight);
        return 1;
    }
    return DecodeRle(pixels, info.biSizeImage, info.biCompression == BI_RLE4);
}

// Run-length data as BMP files define it, rows from the bottom. Runs and
// literal groups that pass the row's end lose the pixels beyond it, moves
// past the last row end the picture, and nothing is read past the data.
int HDib::DecodeRle(const BYTE* data, size_t size, bool fourBit)
{
    const int width = GetWidth(), height = GetHeight();
    int x = 0, y = 0;  // y counts memory rows, the bottom one first
    auto put = [&](int value) {
        if (x < width) {
            BYTE* row = m_pBits + static_cast<size_t>(y) * m_nStride;
            if (fourBit) {
                BYTE& b = row[x / 2];
                b = (x & 1) ? static_cast<BYTE>((b & 0xF0) | (value & 0x0F))
                            : static_cast<BYTE>((b & 0x0F) | ((value & 0x0F) << 4));
            } else {
                row[x] = static_cast<BYTE>(value);
            }
            ++x;
        }
    };
    size_t pos = 0;
    while (pos + 2 <= size && y < height) {
        const int count = data[pos], value = data[pos + 1];
        pos += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i) put(fourBit ? ((i & 1) ? value & 0x0F : value >> 4) : value);
            continue;
        }
        if (value == 0) {  // end of row
            x = 0;
            ++y;
        } else if (value == 1) {  // end of picture
            break;
        } else if (value == 2) {  // move right and up
            if (pos + 2 > size) break;
            x = std::min(width, x + data[pos]);
            y += data[pos + 1];
            pos += 2;
        } else {  // literal pixels, padded to a whole number of words
            const size_t bytesUsed = fourBit ? (static_cast<size_t>(value) + 1) / 2 : static_cast<size_t>(value);
            const size_t padded = (bytesUsed + 1) & ~size_t{1};
            if (pos + padded > size) break;
            for (int i = 0; i < value && x < width; ++i) {
                const BYTE b = data[pos + (fourBit ? static_cast<size_t>(i) / 2 : static_cast<size_t>(i))];
                put(fourBit ? ((i & 1) ? b & 0x0F : b >> 4) : b);
            }
            pos += padded;
        }
    }
    return 1;
}

int HDib::LoadBmp(HANDLE file)
{
    return WithFileBytes(file, [this](const BYTE* data, size_t size) { return LoadBmp(data, size); });
}

int HDib::LoadBmp(const wchar_t* path)
{
    Clear();
    return WithFile(path, FILE_SHARE_READ, [this](HANDLE file) { return LoadBmp(file); });
}

int HDib::LoadPicture(const void* data, size_t size)
{
    Clear();
    HBITMAP picture = LoadPictureFromMemory(data, size);
    if (!picture) return 0;
    BITMAP info;
    int result = 0;
    if (GetObjectW(picture, sizeof info, &info) && Create(info.bmWidth, info.bmHeight, 24)) {
        HDC source = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(source, picture);
        result = BitBlt(GetDC(), 0, 0, GetWidth(), GetHeight(), source, 0, 0, SRCCOPY) ? 1 : 0;
        SelectObject(source, old);
        DeleteDC(source);
        ReleaseDC();
        if (!result) Clear();
    }
    DeleteObject(picture);
    return result;
}

int HDib::LoadPicture(HANDLE file)
{
    return WithFileBytes(file, [this](const BYTE* data, size_t size) { return LoadPicture(data, size); });
}

int HDib::LoadPicture(const wchar_t* path)
{
    Clear();
    return WithFile(path, 0, [this](HANDLE file) { return LoadPicture(file); });
}

int HDib::LoadPictureFromGlobal(HGLOBAL memory)
{
    Clear();
    const void* data = GlobalLock(memory);
    if (!data) return 0;
    int result = LoadPicture(data, GlobalSize(memory));
    GlobalUnlock(memory);
    return result;
}

// ---- Conversion and colour ---------------------------------------------------------

int HDib::IndexAt(int x, int y) const
{
    const BYTE* row = Row(y);
    switch (m_nBitCount) {
    case 1: return (row[x / 8] >> (7 - (x & 7))) & 1;
    case 4: return (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
    default: return row[x];
    }
}

void HDib::SetIndexAt(int x, int y, int index)
{
    BYTE* row = Row(y);
    switch (m_nBitCount) {
    case 1: {
        const BYTE bit = static_cast<BYTE>(0x80 >> (x & 7));
        row[x / 8] = static_cast<BYTE>((index & 1) ? (row[x / 8] | bit) : (row[x / 8] & ~bit));
        break;
    }
    case 4:
        row[x / 2] = (x & 1) ? static_cast<BYTE>((row[x / 2] & 0xF0) | (index & 0x0F))
                             : static_cast<BYTE>((row[x / 2] & 0x0F) | ((index & 0x0F) << 4));
        break;
    default: row[x] = static_cast<BYTE>(index);
    }
}

int HDib::ConvertDepth(int bitCount, HDib* target)
{
    if (bitCount == m_nBitCount) return 1;
    if (IsEmpty()) return 1;
    if (bitCount == 24 && m_nBitCount <= 8) {
        HDib converted;
        if (!converted.Create(GetWidth(), GetHeight(), 24)) return 0;
        for (int y = 0; y < GetHeight(); ++y) {
            BYTE* out = converted.Row(y);
            for (int x = 0; x < GetWidth(); ++x, out += 3) {
                const int index = IndexAt(x, y);
                // An index past the palette is black.
                const RGBQUAD c = index < m_nPaletteSize ? m_palette[static_cast<size_t>(index)] : RGBQUAD{};
                out[0] = c.rgbBlue;
                out[1] = c.rgbGreen;
                out[2] = c.rgbRed;
            }
        }
        TakeFrom(converted);
        return 1;
    }
    if (bitCount == 32 && m_nBitCount == 24) {
        HDib temporary;
        HDib* out = (target && target != this) ? target : &temporary;
        if (!out->Create(GetWidth(), GetHeight(), 32)) return 0;
        bool hadDc = m_hDC != nullptr;
        BOOL done = BitBlt(out->GetDC(), 0, 0, GetWidth(), GetHeight(), GetDC(), 0, 0, SRCCOPY);
        out->ReleaseDC();
        if (!hadDc) ReleaseDC();
        if (!done) return 0;
        if (out == &temporary) TakeFrom(temporary);
        return 1;
    }
    return 1;
}

int HDib::Tint(int red, int green, int blue, int skipKey)
{
    if (!m_pBits || m_nBitCount != 24) return 0;
    auto add = [](BYTE v, int offset) { return static_cast<BYTE>(std::clamp(v + offset, 0, 255)); };
    for (UINT y = 0; y < m_nHeight; ++y) {
        BYTE* p = m_pBits + static_cast<size_t>(y) * m_nStride;
        for (UINT x = 0; x < m_nWidth; ++x, p += 3) {
            if (skipKey && IsKeyPixel(p)) continue;
            p[0] = add(p[0], blue);
            p[1] = add(p[1], green);
            p[2] = add(p[2], red);
        }
    }
    return 1;
}

void HDib::NearestPaletteIndex(const RGBQUAD* colors, int count, const RGBQUAD* palette, int paletteCount,
                               BYTE* indexes)
{
    if (!colors || !indexes) return;
    for (int i = 0; i < count; ++i) {
        int best = 0x30000, index = 0;
        for (int j = 0; palette && j < paletteCount; ++j) {
            const int dr = colors[i].rgbRed - palette[j].rgbRed;
            const int dg = colors[i].rgbGreen - palette[j].rgbGreen;
            const int db = colors[i].rgbBlue - palette[j].rgbBlue;
            const int distance = dr * dr + dg * dg + db * db;
            if (distance < best) {
                best = distance;
                index = j;
            }
        }
        indexes[i] = static_cast<BYTE>(index);
    }
}

// ---- Drawing ---------------------------------------------------------------------------

// Both 24- and 32-bit images key on blue, green and red alone: the fourth
// byte of a 32-bit pixel is whatever the last drawing left there.
bool HDib::IsKeyPixel(const BYTE* p) const
{
    return p[0] == GetBValue(m_crKey) && p[1] == GetGValue(m_crKey) && p[2] == GetRValue(m_crKey);
}

bool HDib::ClipBox(const HDib& target, long long dx, long long dy, long long sx, long long sy, long long w, long long h,
                   Box* box) const
{
    if (w == -1) w = m_nWidth;
    if (h == -1) h = m_nHeight;
    if (w <= 0 || h <= 0) return false;
    if (dx < 0) sx -= dx, w += dx, dx = 0;
    if (dy < 0) sy -= dy, h += dy, dy = 0;
    if (sx < 0) dx -= sx, w += sx, sx = 0;
    if (sy < 0) dy -= sy, h += sy, sy = 0;
    w = std::min({w, static_cast<long long>(m_nWidth) - sx, static_cast<long long>(target.m_nWidth) - dx});
    h = std::min({h, static_cast<long long>(m_nHeight) - sy, static_cast<long long>(target.m_nHeight) - dy});
    if (w <= 0 || h <= 0) return false;
    if (target.m_bClip) {
        const RECT& c = target.m_rcClip;
        long long left = std::max<long long>(dx, c.left), top = std::max<long long>(dy, c.top);
        long long right = std::min<long long>(dx + w, c.right), bottom = std::min<long long>(dy + h, c.bottom);
        if (right <= left || bottom <= top) return false;
        sx += left - dx;
        sy += top - dy;
        dx = left;
        dy = top;
        w = right - left;
        h = bottom - top;
    }
    *box = Box{static_cast<int>(dx), static_cast<int>(dy), static_cast<int>(sx),
               static_cast<int>(sy), static_cast<int>(w),  static_cast<int>(h)};
    return true;
}

int HDib::Transfer(HDib* target, int x, int y, int sx, int sy, int width, int height, Mode mode, int alpha) const
{
    if (!target || IsEmpty() || target->IsEmpty() || target->m_nBitCount != m_nBitCount) return 0;
    const bool blending = mode == Mode::Blend || mode == Mode::BlendKeyed;
    const bool keyed = mode == Mode::Keyed || mode == Mode::BlendKeyed;
    if (blending && m_nBitCount != 24) return 0;
    if (mode == Mode::Copy && (m_nBitCount == 1 || m_nBitCount == 4)) return 0;
    if (target == this) {
        // Drawing an image into itself reads from a copy of it.
        HDib copy(*this);
        return copy.Transfer(target, x, y, sx, sy, width, height, mode, alpha);
    }
    Box b;
    if (!ClipBox(*target, x, y, sx, sy, width, height, &b)) return 0;

    if (m_nBitCount <= 8) {
        // Palette images: indexes go through the target's palette. No index
        // can equal the key colour, so keyed copies take every pixel.
        BYTE map[256] = {};
        RGBQUAD table[256] = {};
        std::copy(m_palette.begin(), m_palette.end(), table);
        NearestPaletteIndex(table, m_nPaletteSize, target->m_palette.data(), target->m_nPaletteSize, map);
        for (int row = 0; row < b.h; ++row)
            for (int col = 0; col < b.w; ++col)
                target->SetIndexAt(b.dx + col, b.dy + row, map[IndexAt(b.sx + col, b.sy + row)]);
        return 1;
    }
    const int bpp = m_nBytesPerPixel;
    const size_t bytes = static_cast<size_t>(b.w) * bpp;
    const BYTE* table = blending ? SharedBlendTable().For(std::clamp(alpha, 0, 255)) : nullptr;
    for (int row = 0; row < b.h; ++row) {
        const BYTE* s = Row(b.sy + row) + static_cast<size_t>(b.sx) * bpp;
        BYTE* d = target->Row(b.dy + row) + static_cast<size_t>(b.dx) * bpp;
        if (!keyed && !blending) {
            std::memcpy(d, s, bytes);
            continue;
        }
        for (int col = 0; col < b.w; ++col, s += bpp, d += bpp) {
            // 16-bit pixels have no key colour: every one is drawn.
            if (keyed && bpp >= 3 && IsKeyPixel(s)) continue;
            if (blending) {
                d[0] = table[s[0] * 256 + d[0]];
                d[1] = table[s[1] * 256 + d[1]];
                d[2] = table[s[2] * 256 + d[2]];
            } else {
                std::memcpy(d, s, static_cast<size_t>(bpp));
            }
        }
    }
    return 1;
}

int HDib::Copy(HDib* target, int x, int y, int sx, int sy, int width, int height) const
{
    return Transfer(target, x, y, sx, sy, width, height, Mode::Copy, 255);
}

int HDib::CopyKeyed(HDib* target, int x, int y, int sx, int sy, int width, int height) const
{
    return Transfer(target, x, y, sx, sy, width, height, Mode::Keyed, 255);
}

int HDib::Blend(HDib* target, int x, int y, int sx, int sy, int width, int height, int alpha) const
{
    return Transfer(target, x, y, sx, sy, width, height, Mode::Blend, alpha);
}

int HDib::BlendKeyed(HDib* target, int x, int y, int sx, int sy, int width, int height, int alpha) const
{
    return Transfer(target, x, y, sx, sy, width, height, Mode::BlendKeyed, alpha);
}

int HDib::StretchCopy(HDib* target, int x, int y, int width, int height, int sx, int sy, int sw, int sh) const
{
    if (!target || target == this || IsEmpty() || target->IsEmpty() || m_nBitCount != 24 || target->m_nBitCount != 24 ||
        target->m_bClip)
        return 0;
    if (width <= 0 || height <= 0) return 0;
    // Source corners clamped into the source image.
    const long long sLeft = std::clamp<long long>(sx, 0, m_nWidth);
    const long long sTop = std::clamp<long long>(sy, 0, m_nHeight);
    const long long sRight = std::clamp<long long>(static_cast<long long>(sx) + sw, 0, m_nWidth);
    const long long sBottom = std::clamp<long long>(static_cast<long long>(sy) + sh, 0, m_nHeight);
    if (sRight <= sLeft || sBottom <= sTop) return 0;
    // 16.16 steps of the source per destination pixel.
    const long long stepX = ((sRight - sLeft) << 16) / width;
    const long long stepY = ((sBottom - sTop) << 16) / height;
    // Destination corners clamped into the target; the source start moves
    // by the part of the destination cut away.
    const long long dLeft = std::clamp<long long>(x, 0, target->m_nWidth);
    const long long dTop = std::clamp<long long>(y, 0, target->m_nHeight);
    const long long dRight = std::clamp<long long>(static_cast<long long>(x) + width, 0, target->m_nWidth);
    const long long dBottom = std::clamp<long long>(static_cast<long long>(y) + height, 0, target->m_nHeight);
    if (dRight <= dLeft || dBottom <= dTop) return 0;
    const long long startX = (sLeft << 16) + (dLeft - x) * stepX;
    const long long startY = (sTop << 16) + (dTop - y) * stepY;
    for (long long row = dTop; row < dBottom; ++row) {
        const long long srcY = std::min((startY + (row - dTop) * stepY) >> 16, sBottom - 1);
        const BYTE* s = Row(static_cast<int>(srcY));
        BYTE* d = target->Row(static_cast<int>(row)) + dLeft * 3;
        long long fx = startX;
        for (long long col = dLeft; col < dRight; ++col, d += 3, fx += stepX) {
            const BYTE* p = s + std::min(fx >> 16, sRight - 1) * 3;
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
        }
    }
    return 1;
}

int HDib::DrawPart(HDib* target, int x, int y, int sx, int sy, int width, int height, int keyed, int alpha) const
{
    if (alpha < 0)
        return keyed ? CopyKeyed(target, x, y, sx, sy, width, height) : Copy(target, x, y, sx, sy, width, height);
    return keyed ? BlendKeyed(target, x, y, sx, sy, width, height, alpha)
                 : Blend(target, x, y, sx, sy, width, height, alpha);
}

int HDib::DrawCell(HDib* target, int x, int y, int count, int index, int horizontal, int keyed, int alpha) const
{
    return horizontal ? DrawGridCell(target, x, y, count, index, 1, 0, keyed, alpha)
                      : DrawGridCell(target, x, y, 1, 0, count, index, keyed, alpha);
}

int HDib::DrawGridCell(HDib* target, int x, int y, int columns, int column, int rows, int row, int keyed,
                       int alpha) const
{
    // A cell outside the grid is none of the image's cells.
    if (IsEmpty() || columns <= 0 || rows <= 0 || column < 0 || column >= columns || row < 0 || row >= rows) return 0;
    const int cw = GetWidth() / columns, ch = GetHeight() / rows;
    if (cw <= 0 || ch <= 0) return 0;
    return DrawPart(target, x, y, column * cw, row * ch, cw, ch, keyed, alpha);
}

int HDib::DrawGridCellToDC(HDC dc, int x, int y, int columns, int column, int rows, int row)
{
    if (IsEmpty() || columns <= 0 || rows <= 0 || column < 0 || column >= columns || row < 0 || row >= rows) return 0;
    const int cw = GetWidth() / columns, ch = GetHeight() / rows;
    if (cw <= 0 || ch <= 0) return 0;
    return BlitToDC(dc, x, y, column * cw, row * ch, cw, ch, SRCCOPY);
}

int HDib::Tile(HDib* target, const RECT& rect, int phaseX, int phaseY, int keyed, int sx, int sy, int sw, int sh) const
{
    if (!target || IsEmpty() || target->IsEmpty() || target->m_nBitCount != m_nBitCount) return 0;
    sx = std::max(sx, 0);
    sy = std::max(sy, 0);
    if (sw == -1) sw = GetWidth();
    if (sh == -1) sh = GetHeight();
    // A tile is what the source really has from its start.
    sw = std::min(sw, GetWidth() - sx);
    sh = std::min(sh, GetHeight() - sy);
    if (sw <= 0 || sh <= 0) return 0;
    // Only the tiles over the visible part of the rectangle are drawn.
    long long left = std::max<long long>(rect.left, 0), top = std::max<long long>(rect.top, 0);
    long long right = std::min<long long>(rect.right, target->m_nWidth);
    long long bottom = std::min<long long>(rect.bottom, target->m_nHeight);
    if (target->m_bClip) {
        left = std::max<long long>(left, target->m_rcClip.left);
        top = std::max<long long>(top, target->m_rcClip.top);
        right = std::min<long long>(right, target->m_rcClip.right);
        bottom = std::min<long long>(bottom, target->m_rcClip.bottom);
    }
    if (right <= left || bottom <= top) return 0;
    // The grid of tiles starts at the rectangle's corner moved by the phase.
    const long long originX = rect.left + ((phaseX % sw) + sw) % sw;
    const long long originY = rect.top + ((phaseY % sh) + sh) % sh;
    auto firstTile = [](long long origin, long long from, long long step) {
        long long k = (from - origin) / step;
        if (origin + k * step > from) --k;
        return origin + k * step;
    };
    int drawn = 0;
    for (long long ty = firstTile(originY, top, sh); ty < bottom; ty += sh) {
        const long long cutTop = std::max(ty, top), cutBottom = std::min(ty + sh, bottom);
        for (long long tx = firstTile(originX, left, sw); tx < right; tx += sw) {
            const long long cutLeft = std::max(tx, left), cutRight = std::min(tx + sw, right);
            drawn |= DrawPart(target, static_cast<int>(cutLeft), static_cast<int>(cutTop),
                              static_cast<int>(sx + (cutLeft - tx)), static_cast<int>(sy + (cutTop - ty)),
                              static_cast<int>(cutRight - cutLeft), static_cast<int>(cutBottom - cutTop), keyed, -1);
        }
    }
    return drawn ? 1 : 0;
}

int HDib::BlitToDC(HDC dc, int x, int y, int sx, int sy, int width, int height, DWORD rop)
{
    if (IsEmpty() || !dc) return 0;
    if (width == -1) width = GetWidth();
    if (height == -1) height = GetHeight();
    if (width <= 0 || height <= 0) return 0;
    BOOL done = FALSE;
    if (m_hDC) {
        done = BitBlt(dc, x, y, width, height, m_hDC, sx, sy, rop);
    } else {
        HDC source = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(source, m_hBitmap);
        done = BitBlt(dc, x, y, width, height, source, sx, sy, rop);
        SelectObject(source, old);
        DeleteDC(source);
    }
    return done ? 1 : 0;
}

int HDib::BlitToWindow(HWND window, int x, int y, int sx, int sy, int width, int height, DWORD rop)
{
    HDC dc = ::GetDC(window);
    if (!dc) return 0;
    int result = BlitToDC(dc, x, y, sx, sy, width, height, rop);
    ::ReleaseDC(window, dc);
    return result;
}
