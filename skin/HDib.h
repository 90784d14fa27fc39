// The one image type of the skin: a DIB section whose pixel memory the code
// writes directly and which GDI draws into through a memory DC. It carries a
// transparent key colour (magenta), an optional clip rectangle that limits
// every drawing into it, and the copy, keyed copy, blend, stretch, cell and
// tile operations between two images of the same depth.
//
// Rows are stored bottom-up: pixel (x, y), y counted from the top, lies at
// bits + (height - 1 - y) x stride + x x bytes per pixel (x / 8 for 1-bit and
// x / 2 for 4-bit images). A 24-bit pixel is blue, green, red; a 32-bit pixel
// blue, green, red and a fourth byte.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GlobalMemory.h"

class HDib {
public:
    static constexpr COLORREF kKeyColor = 0xFF00FF;
    // BMP files and pictures larger than this are not read.
    static constexpr size_t kMaxFileBytes = 512u * 1024 * 1024;

    HDib();
    HDib(const HDib& other);
    HDib& operator=(const HDib&) = delete;
    ~HDib();

    // Fails (0) for a width or height of 0 or above 0x7FFFFFFE, a bit count
    // other than 1, 4, 8, 16, 24 or 32, a palette of more than 256 entries,
    // or pixel memory the system refuses (over 256 MiB). The pixels start at
    // 0; missing palette entries are black.
    int Create(int width, int height, int bitCount, int paletteSize = 0, const RGBQUAD* palette = nullptr);
    int CreateFilled(int width, int height, int bitCount, COLORREF color);
    void Clear();
    // Takes the source's pixels (and, when re-created, its size, depth,
    // palette and key colour); an empty source clears this image.
    int CopyFrom(const HDib& source);

    // The memory DC with the bitmap selected, made on first use; ReleaseDC
    // deselects and deletes it.
    HDC GetDC();
    void ReleaseDC();

    BYTE* PixelAddress(int x, int y) const;
    // Copies the palette into entries (room for GetPaletteSize()); returns the count.
    int GetColorTable(RGBQUAD* entries) const;
    void SetClipRect(const RECT* rect);
    int GetClipRect(RECT* rect) const;
    // 24- and 32-bit images only.
    int Fill(COLORREF color);
    // Only the clip rectangle when one is set.
    int FillClip(COLORREF color);

    // BMP files: BI_RGB, BI_RLE8 and BI_RLE4 data after a BITMAPFILEHEADER
    // and a BITMAPINFOHEADER (or a longer header of that family). A header,
    // palette or pixel part that does not fit the data fails the load, as
    // does a top-down or compressed form this reader does not take.
    int LoadBmp(const void* data, size_t size);
    int LoadBmp(HANDLE file);
    int LoadBmp(const wchar_t* path);
    // Any picture format of the system's picture loader, drawn into a new
    // 24-bit image.
    int LoadPicture(const void* data, size_t size);
    int LoadPicture(HANDLE file);
    int LoadPicture(const wchar_t* path);
    int LoadPictureFromGlobal(HGLOBAL memory);

    // 1, 4 and 8 bits to 24 through the palette; 24 to 32 into the target
    // (or into this image without one). Other pairs change nothing.
    int ConvertDepth(int bitCount, HDib* target = nullptr);
    // 24-bit images: adds the offsets to every channel, clamped to 0..255;
    // with skipKey, key-colour pixels stay.
    int Tint(int red, int green, int blue, int skipKey);
    // For each colour the index of the nearest palette entry (squared
    // distance; the first of equal entries).
    static void NearestPaletteIndex(const RGBQUAD* colors, int count, const RGBQUAD* palette, int paletteCount,
                                    BYTE* indexes);

    // Drawing into a target of the same depth: destination x, y, source x,
    // y, width, height (-1: the whole source width or height). Each clips to
    // both images and to the target's clip rectangle, and returns 0 when
    // nothing is left to draw or the depths differ.
    int Copy(HDib* target, int x, int y, int sx, int sy, int width, int height) const;
    int CopyKeyed(HDib* target, int x, int y, int sx, int sy, int width, int height) const;
    int Blend(HDib* target, int x, int y, int sx, int sy, int width, int height, int alpha) const;
    int BlendKeyed(HDib* target, int x, int y, int sx, int sy, int width, int height, int alpha) const;
    // Nearest-neighbour scaling (24 bits); nothing into a target with a clip rectangle.
    int StretchCopy(HDib* target, int x, int y, int width, int height, int sx, int sy, int sw, int sh) const;

    // Cell index of count equal cells side by side (horizontal) or stacked;
    // alpha -1 draws without blending.
    int DrawCell(HDib* target, int x, int y, int count, int index, int horizontal, int keyed, int alpha) const;
    int DrawGridCell(HDib* target, int x, int y, int columns, int column, int rows, int row, int keyed,
                     int alpha) const;
    int DrawGridCellToDC(HDC dc, int x, int y, int columns, int column, int rows, int row);
    // Repeats the source rectangle (-1 sizes: the whole image; -1 source x
    // or y: 0) over the target rectangle from its top-left corner; a phase
    // shifts the grid of tiles right and down by that many pixels.
    int Tile(HDib* target, const RECT& rect, int phaseX, int phaseY, int keyed, int sx = -1, int sy = -1, int sw = -1,
             int sh = -1) const;
    // -1 sizes: the whole image; a 0 size draws nothing.
    int BlitToDC(HDC dc, int x, int y, int sx, int sy, int width, int height, DWORD rop);
    int BlitToWindow(HWND window, int x, int y, int sx, int sy, int width, int height, DWORD rop);

    bool IsEmpty() const { return m_hBitmap == nullptr; }
    HBITMAP GetBitmap() const { return m_hBitmap; }
    int GetWidth() const { return static_cast<int>(m_nWidth); }
    int GetHeight() const { return static_cast<int>(m_nHeight); }
    int GetBitCount() const { return m_nBitCount; }
    int GetPaletteSize() const { return m_nPaletteSize; }
    int GetStride() const { return m_nStride; }
    int GetBytesPerPixel() const { return m_nBytesPerPixel; }
    BYTE* GetBits() const { return m_pBits; }
    COLORREF GetKeyColor() const { return m_crKey; }

private:
    struct Box {
        int dx, dy, sx, sy, w, h;
    };
    enum class Mode { Copy, Keyed, Blend, BlendKeyed };

    bool ClipBox(const HDib& target, long long dx, long long dy, long long sx, long long sy, long long w, long long h,
                 Box* box) const;
    int Transfer(HDib* target, int x, int y, int sx, int sy, int width, int height, Mode mode, int alpha) const;
    int DrawPart(HDib* target, int x, int y, int sx, int sy, int width, int height, int keyed, int alpha) const;
    BYTE* Row(int y) const { return m_pBits + static_cast<size_t>(m_nHeight - 1 - y) * m_nStride; }
    int IndexAt(int x, int y) const;
    void SetIndexAt(int x, int y, int index);
    bool IsKeyPixel(const BYTE* p) const;
    int DecodeRle(const BYTE* data, size_t size, bool fourBit);
    void TakeFrom(HDib& other);
    template <class Read>
    int WithFileBytes(HANDLE file, Read read);

    HBITMAP m_hBitmap = nullptr;
    UINT m_nWidth = 0;
    UINT m_nHeight = 0;
    WORD m_nBitCount = 0;
    int m_nPaletteSize = 0;
    BYTE* m_pBits = nullptr;
    HDC m_hDC = nullptr;
    HGDIOBJ m_hOldObject = nullptr;
    int m_bClip = 0;
    RECT m_rcClip{};
    COLORREF m_crKey = kKeyColor;
    int m_nStride = 0;
    int m_nBytesPerPixel = 0;
    // The colour table given at creation.
    std::vector<RGBQUAD> m_palette;
};
