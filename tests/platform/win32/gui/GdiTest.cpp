// Device contexts over bitmaps and windows, drawing objects, fonts and painting.
#include <QWidget>
#include <cstring>
#include <functional>
#include <vector>

#include "GuiTestSupport.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/WindowObject.h"

using namespace gui_test;

namespace {

class GdiTest : public GuiTest {};

struct Dib {
    HBITMAP bitmap = nullptr;
    uint8_t* bits = nullptr;
    int stride = 0;
    int height = 0;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    Dib(int w, int h, int bitCount)
    {
        BITMAPINFO info{};
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = h;  // bottom-up
        info.bmiHeader.biBitCount = static_cast<WORD>(bitCount);
        void* p = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<uint8_t*>(p);
        stride = ((w * bitCount + 31) / 8) & ~3;
        height = h;
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
    }
    ~Dib()
    {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    // Pixel (x, y) counted from the top, as its bytes blue, green, red.
    const uint8_t* At(int x, int y, int bpp) const { return bits + (height - 1 - y) * stride + x * bpp; }
};

TEST_F(GdiTest, DibSectionsAreBottomUpAndDrawnInLogicalCoordinates)
{
    Dib d(5, 4, 24);
    ASSERT_NE(d.bitmap, nullptr);
    EXPECT_EQ(d.stride, 16);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT top{0, 0, 5, 1};
    FillRect(d.dc, &top, red);
    DeleteObject(red);
    // The top row lives in the last row of memory.
    const uint8_t* p = d.At(2, 0, 3);
    EXPECT_EQ(p[0], 0);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], 255);
    EXPECT_EQ(d.bits[0], 0);  // memory row 0 is the bottom row, untouched
    SetPixel(d.dc, 4, 3, RGB(1, 2, 3));
    EXPECT_EQ(d.bits[4 * 3 + 0], 3);
    EXPECT_EQ(d.bits[4 * 3 + 2], 1);
    EXPECT_EQ(GetPixel(d.dc, 4, 3), RGB(1, 2, 3));
    EXPECT_EQ(GetPixel(d.dc, 5, 0), CLR_INVALID);
    // Bits written directly are what the DC reads.
    uint8_t* q = const_cast<uint8_t*>(d.At(1, 2, 3));
    q[0] = 10;
    q[1] = 20;
    q[2] = 30;
    EXPECT_EQ(GetPixel(d.dc, 1, 2), RGB(30, 20, 10));
}

TEST_F(GdiTest, ExtremeRectanglesAreClipped)
{
    Dib d(4, 4, 24);
    RECT all{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX};
    EXPECT_TRUE(FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH))));
    EXPECT_EQ(GetPixel(d.dc, 3, 3), RGB(255, 255, 255));
    EXPECT_TRUE(Rectangle(d.dc, INT32_MIN, 0, INT32_MAX, 2));
    EXPECT_TRUE(PatBlt(d.dc, INT32_MAX - 1, 0, INT32_MAX, 5, BLACKNESS));
    EXPECT_TRUE(BitBlt(d.dc, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, d.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(InvalidateRect(nullptr, &all, FALSE));
}

TEST_F(GdiTest, OversizedBitmapsAndWindowsAreRefusedOrLimited)
{
    BITMAPINFO info{};
    info.bmiHeader.biWidth = 100000;
    info.bmiHeader.biHeight = 100000;
    info.bmiHeader.biBitCount = 32;
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    // A window far larger than a screen keeps a screen-sized image and still draws.
    HWND w = MakeTop(0, 0, 100, 100);
    MoveWindow(w, 0, 0, 1000000, 20, TRUE);
    RECT r;
    GetClientRect(w, &r);
    EXPECT_EQ(r.right, 1000000);
    HDC dc = GetDC(w);
    RECT all{0, 0, 1000000, 20};
    EXPECT_TRUE(FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
    EXPECT_EQ(GetPixel(dc, 16383, 10), RGB(0, 0, 0));
    ReleaseDC(w, dc);
    Pump();
}

TEST_F(GdiTest, ThirtyTwoBitDibsKeepAZeroFourthByte)
{
    Dib d(3, 3, 32);
    RECT all{0, 0, 3, 3};
    FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(d.bits[i * 4 + 0], 255);
        EXPECT_EQ(d.bits[i * 4 + 3], 0);
    }
}

TEST_F(GdiTest, BitBltCopiesBetweenBitmapsAndStretches)
{
    Dib src(4, 4, 24);
    Dib dst(8, 8, 24);
    RECT all{0, 0, 8, 8};
    FillRect(dst.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetPixel(src.dc, 0, 0, RGB(255, 0, 0));
    SetPixel(src.dc, 3, 3, RGB(0, 0, 255));
    ASSERT_TRUE(BitBlt(dst.dc, 2, 2, 4, 4, src.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc, 2, 2), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.dc, 5, 5), RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(dst.dc, 1, 1), RGB(0, 0, 0));
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 8, 8, src.dc, 0, 0, 4, 4, SRCCOPY));
    EXPECT_EQ(GetPixel(dst.dc, 1, 1), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dst.dc, 7, 7), RGB(0, 0, 255));
    // Keyed copy leaves the key colour's pixels alone.
    FillRect(dst.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    RECT s{0, 0, 4, 4};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(src.dc, &s, magenta);
    DeleteObject(magenta);
    SetPixel(src.dc, 1, 1, RGB(255, 0, 254));
    TransparentBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 4, 4, RGB(255, 0, 255));
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dst.dc, 1, 1), RGB(255, 0, 254));
}

// Copies at the same size out of a 24-bit bitmap, top-down or bottom-up,
// onto a window and onto 32- and 24-bit bitmaps, with the source's viewport
// moved and the copy running past the source's edge: each pixel that lands
// is the one the bitmap's memory holds there (its rows padded, the last row
// first when bottom-up), raster operations included; nothing outside the
// target rectangle changes.
TEST_F(GdiTest, CopiesOutOfA24BitBitmapTakeEveryPixelFromItsMemory)
{
    constexpr int kW = 37, kH = 23;  // an odd width: the rows are padded
    auto colour = [](int x, int y) { return RGB(x * 7 % 256, y * 11 % 256, (x + y) * 5 % 256); };
    struct Target {
        const char* what;
        int bits;  // 0: a window
        bool bottomUp;
    };
    const Target targets[] = {{"window", 0, false}, {"32-bit bitmap", 32, true}, {"24-bit top-down bitmap", 24, false}};
    for (bool sourceBottomUp : {true, false})
        for (const Target& target : targets)
            for (DWORD rop : {static_cast<DWORD>(SRCCOPY), static_cast<DWORD>(SRCINVERT)}) {
                SCOPED_TRACE(std::string(sourceBottomUp ? "bottom-up" : "top-down") + " source onto " + target.what +
                             (rop == SRCCOPY ? ", copy" : ", invert"));
                BITMAPINFO info{};
                info.bmiHeader.biWidth = kW;
                info.bmiHeader.biHeight = sourceBottomUp ? kH : -kH;
                info.bmiHeader.biBitCount = 24;
                void* bits = nullptr;
                HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
                ASSERT_NE(bitmap, nullptr);
                const int stride = (kW * 3 + 3) & ~3;
                for (int y = 0; y < kH; ++y)
                    for (int x = 0; x < kW; ++x) {
                        uint8_t* p = static_cast<uint8_t*>(bits) + (sourceBottomUp ? kH - 1 - y : y) * stride + x * 3;
                        COLORREF c = colour(x, y);
                        p[0] = GetBValue(c), p[1] = GetGValue(c), p[2] = GetRValue(c);
                    }
                HDC src = CreateCompatibleDC(nullptr);
                HGDIOBJ oldSource = SelectObject(src, bitmap);
                SetViewportOrgEx(src, 2, 1, nullptr);  // logical (0, 0) is pixel (2, 1)

                HWND window = nullptr;
                HDC dst = nullptr;
                HBITMAP targetBitmap = nullptr;
                HGDIOBJ oldTarget = nullptr;
                if (target.bits == 0) {
                    window = MakeTop(0, 0, 50, 40);
                    dst = GetDC(window);
                } else {
                    BITMAPINFO t{};
                    t.bmiHeader.biWidth = 50;
                    t.bmiHeader.biHeight = target.bottomUp ? 40 : -40;
                    t.bmiHeader.biBitCount = static_cast<WORD>(target.bits);
                    void* p = nullptr;
                    targetBitmap = CreateDIBSection(nullptr, &t, DIB_RGB_COLORS, &p, nullptr, 0);
                    dst = CreateCompatibleDC(nullptr);
                    oldTarget = SelectObject(dst, targetBitmap);
                }
                RECT all{0, 0, 50, 40};
                HBRUSH grey = CreateSolidBrush(RGB(40, 80, 120));
                FillRect(dst, &all, grey);
                DeleteObject(grey);
                // 40 x 30 from logical (3, 4): the source has only 32 x 18 there.
                ASSERT_TRUE(BitBlt(dst, 6, 5, 40, 30, src, 3, 4, rop));
                int wrong = 0;
                for (int y = 0; y < 40; ++y)
                    for (int x = 0; x < 50; ++x) {
                        COLORREF want = RGB(40, 80, 120);
                        const int sx = x - 6 + 3 + 2, sy = y - 5 + 4 + 1;  // the source pixel
                        if (x >= 6 && y >= 5 && x < 46 && y < 35 && sx < kW && sy < kH) {
                            want = colour(sx, sy);
                            if (rop == SRCINVERT) want ^= RGB(40, 80, 120);
                        }
                        if (GetPixel(dst, x, y) != want && ++wrong <= 3)
                            ADD_FAILURE() << "pixel (" << x << ", " << y << "): " << std::hex << GetPixel(dst, x, y)
                                          << " instead of " << want;
                    }
                EXPECT_EQ(wrong, 0);
                if (window) {
                    ReleaseDC(window, dst);
                    DestroyWindow(window);
                } else {
                    SelectObject(dst, oldTarget);
                    DeleteDC(dst);
                    DeleteObject(targetBitmap);
                }
                SelectObject(src, oldSource);
                DeleteDC(src);
                DeleteObject(bitmap);
            }
}

// Clip rectangles are kept or taken out of the clip so far (the whole
// surface when there is none), in logical coordinates: what a fill then
// paints is exactly the pixels every step lets through.
TEST_F(GdiTest, ClipRectanglesIntersectAndExclude)
{
    struct Step {
        bool keep;
        RECT r;
    };
    struct Case {
        const char* what;
        POINT origin;
        std::vector<Step> steps;
        int kind;  // what the last step answers
    };
    const Case cases[] = {
        {"intersect", {0, 0}, {{true, {2, 2, 5, 5}}}, SIMPLEREGION},
        {"exclude from the whole surface", {0, 0}, {{false, {2, 2, 5, 5}}}, COMPLEXREGION},
        {"exclude the left part", {0, 0}, {{false, {0, 0, 4, 10}}}, SIMPLEREGION},
        {"intersect then exclude all of it", {0, 0}, {{true, {1, 1, 4, 4}}, {false, {0, 0, 6, 6}}}, NULLREGION},
        {"exclude then intersect around the hole",
         {0, 0},
         {{false, {3, 3, 5, 5}}, {true, {2, 2, 6, 6}}},
         COMPLEXREGION},
        {"two intersections", {0, 0}, {{true, {0, 0, 6, 6}}, {true, {4, 4, 10, 10}}}, SIMPLEREGION},
        {"moved by the viewport origin", {3, 2}, {{true, {0, 0, 2, 2}}, {false, {1, 1, 2, 2}}}, COMPLEXREGION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Dib d(10, 10, 24);
        RECT all{0, 0, 10, 10};
        FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        SetViewportOrgEx(d.dc, c.origin.x, c.origin.y, nullptr);
        int kind = ERROR;
        for (const Step& s : c.steps)
            kind = s.keep ? IntersectClipRect(d.dc, s.r.left, s.r.top, s.r.right, s.r.bottom)
                          : ExcludeClipRect(d.dc, s.r.left, s.r.top, s.r.right, s.r.bottom);
        EXPECT_EQ(c.kind, kind);
        SetViewportOrgEx(d.dc, 0, 0, nullptr);
        FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectClipRgn(d.dc, nullptr);
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 10; ++x) {
                bool through = true;
                for (const Step& s : c.steps) {
                    const bool inside = x >= s.r.left + c.origin.x && x < s.r.right + c.origin.x &&
                                        y >= s.r.top + c.origin.y && y < s.r.bottom + c.origin.y;
                    through = through && inside == s.keep;
                }
                EXPECT_EQ(through ? RGB(255, 255, 255) : RGB(0, 0, 0), GetPixel(d.dc, x, y)) << x << "," << y;
            }
        }
    }
    EXPECT_EQ(ERROR, IntersectClipRect(nullptr, 0, 0, 1, 1));
    EXPECT_EQ(ERROR, ExcludeClipRect(nullptr, 0, 0, 1, 1));
}

TEST_F(GdiTest, SelectionStateAndClipping)
{
    Dib d(10, 10, 24);
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
    HGDIOBJ oldPen = SelectObject(d.dc, pen);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_FALSE(DeleteObject(pen));  // still selected
    int saved = SaveDC(d.dc);
    SetTextColor(d.dc, RGB(1, 1, 1));
    SetBkMode(d.dc, TRANSPARENT);
    IntersectClipRect(d.dc, 2, 2, 5, 5);
    RECT all{0, 0, 10, 10};
    FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetPixel(d.dc, 2, 2), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d.dc, 5, 5), RGB(0, 0, 0));
    RECT box;
    EXPECT_EQ(GetClipBox(d.dc, &box), SIMPLEREGION);
    EXPECT_EQ(box, (RECT{2, 2, 5, 5}));
    RestoreDC(d.dc, saved);
    EXPECT_EQ(GetTextColor(d.dc), 0u);
    EXPECT_EQ(GetBkMode(d.dc), OPAQUE);
    FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    EXPECT_EQ(GetPixel(d.dc, 9, 9), RGB(255, 255, 255));
    // A line stops before its end point.
    MoveToEx(d.dc, 0, 0, nullptr);
    LineTo(d.dc, 4, 0);
    EXPECT_EQ(GetPixel(d.dc, 3, 0), RGB(0, 255, 0));
    EXPECT_EQ(GetPixel(d.dc, 4, 0), RGB(255, 255, 255));
    // The viewport origin moves what is drawn.
    SetViewportOrgEx(d.dc, 5, 5, nullptr);
    SetPixel(d.dc, 0, 0, RGB(9, 9, 9));
    SetViewportOrgEx(d.dc, 0, 0, nullptr);
    EXPECT_EQ(GetPixel(d.dc, 5, 5), RGB(9, 9, 9));
    SelectObject(d.dc, oldPen);
    EXPECT_TRUE(DeleteObject(pen));
}

struct FontCase {
    LONG height;
    int pixelSize;
};

TEST_F(GdiTest, FontsFromLogFontValues)
{
    Dib d(10, 10, 24);
    for (FontCase c : {FontCase{-12, 12}, FontCase{-13, 13}, FontCase{-20, 20}}) {
        HFONT f = CreateFontW(c.height, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, ANTIALIASED_QUALITY, 0,
                              L"NanumGothic");
        HGDIOBJ old = SelectObject(d.dc, f);
        TEXTMETRICW tm;
        ASSERT_TRUE(GetTextMetricsW(d.dc, &tm));
        EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, c.pixelSize) << c.height;
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
        EXPECT_EQ(tm.tmWeight, FW_BOLD);
        SIZE one, two;
        GetTextExtentPoint32W(d.dc, L"가", 1, &one);
        GetTextExtentPoint32W(d.dc, L"가가", 2, &two);
        EXPECT_GT(one.cx, 0);
        EXPECT_EQ(two.cx, 2 * one.cx);
        EXPECT_EQ(one.cy, tm.tmHeight);
        LOGFONTW back;
        ASSERT_EQ(GetObjectW(f, sizeof back, &back), static_cast<int>(sizeof back));
        EXPECT_EQ(back.lfHeight, c.height);
        EXPECT_STREQ(back.lfFaceName, L"NanumGothic");
        SelectObject(d.dc, old);
        DeleteObject(f);
    }
    // A positive height is the whole cell.
    HFONT cell = CreateFontW(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, L"NanumGothic");
    SelectObject(d.dc, cell);
    TEXTMETRICW tm;
    GetTextMetricsW(d.dc, &tm);
    EXPECT_LE(tm.tmHeight, 16);
    EXPECT_GE(tm.tmHeight, 13);
    SelectObject(d.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(cell);
}

TEST_F(GdiTest, BeginPaintDrawsOnlyTheInvalidPartAndTheWidgetShowsIt)
{
    HWND w = MakeTop(0, 0, 60, 40);
    SetHandler(w, [](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (m != WM_PAINT) return std::nullopt;
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT all{0, 0, 60, 40};
        HBRUSH b = CreateSolidBrush(RGB(0, 0, 200));
        FillRect(dc, &all, b);
        DeleteObject(b);
        EndPaint(h, &ps);
        return 0;
    });
    Pump();
    HDC dc = GetDC(w);
    RECT all{0, 0, 60, 40};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    ReleaseDC(w, dc);
    RECT part{10, 10, 20, 20};
    InvalidateRect(w, &part, FALSE);
    Pump();
    const QImage& backing = win32_gui::Find(w)->backing;
    EXPECT_EQ(backing.pixel(15, 15), qRgb(0, 0, 200));
    EXPECT_EQ(backing.pixel(5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(backing.pixel(20, 20), qRgb(255, 255, 255));
    QImage shown = win32_gui::Find(w)->widget->grab().toImage();
    EXPECT_EQ(shown.pixel(15, 15), qRgb(0, 0, 200));
    EXPECT_EQ(shown.pixel(5, 5), qRgb(255, 255, 255));
}

// A window keeps no image of itself until something draws into it: made
// and moved, shown with a painting that draws nothing, or given a DC that
// only keeps state, it has none (its widget shows white, as an image of it
// would).
TEST_F(GdiTest, AWindowNothingDrawsIntoHasNoBackingImage)
{
    const struct {
        const char* what;
        DWORD style;
        std::function<void(HWND)> act;
    } cases[] = {
        {"hidden, moved and sized", WS_POPUP, [](HWND w) { MoveWindow(w, 5, 5, 90, 70, TRUE); }},
        {"shown, painting only validates", WS_POPUP | WS_VISIBLE,
         [](HWND w) {
             SetHandler(w, [](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                 if (m != WM_PAINT && m != WM_ERASEBKGND) return std::nullopt;
                 if (m == WM_ERASEBKGND) return 1;
                 PAINTSTRUCT ps;
                 BeginPaint(h, &ps);
                 EndPaint(h, &ps);
                 return 0;
             });
             InvalidateRect(w, nullptr, TRUE);
         }},
        {"a DC that only keeps state", WS_POPUP | WS_VISIBLE,
         [](HWND w) {
             HDC dc = GetDC(w);
             SetTextColor(dc, RGB(1, 2, 3));
             SelectObject(dc, GetStockObject(BLACK_BRUSH));
             ReleaseDC(w, dc);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        HWND w = MakeTop(0, 0, 60, 40, c.style);
        c.act(w);
        Pump();
        EXPECT_TRUE(win32_gui::Find(w)->backing.isNull());
        if (c.style & WS_VISIBLE) {
            QImage shown = win32_gui::Find(w)->widget->grab().toImage();
            EXPECT_EQ(shown.pixel(3, 3), qRgb(255, 255, 255));
        }
        DestroyWindow(w);
    }
}

// The first drawing, or reading, makes the image at the window's size,
// white where nothing was drawn, and it follows the window's size from then
// on, keeping what it holds.
TEST_F(GdiTest, TheFirstDrawingMakesAWhiteImageOfTheWindowsSize)
{
    HWND w = MakeTop(0, 0, 60, 40, WS_POPUP);
    MoveWindow(w, 0, 0, 70, 50, TRUE);
    HDC dc = GetDC(w);
    EXPECT_EQ(GetPixel(dc, 65, 45), RGB(255, 255, 255));
    RECT part{10, 10, 20, 20};
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(dc, &part, blue);
    DeleteObject(blue);
    ReleaseDC(w, dc);
    const QImage& drawn = win32_gui::Find(w)->backing;
    EXPECT_EQ(drawn.size(), QSize(70, 50));
    EXPECT_EQ(drawn.pixel(15, 15), qRgb(0, 0, 200));
    EXPECT_EQ(drawn.pixel(5, 5), qRgb(255, 255, 255));
    EXPECT_EQ(drawn.pixel(69, 49), qRgb(255, 255, 255));

    MoveWindow(w, 0, 0, 90, 30, TRUE);
    const QImage& resized = win32_gui::Find(w)->backing;
    EXPECT_EQ(resized.size(), QSize(90, 30));
    EXPECT_EQ(resized.pixel(15, 15), qRgb(0, 0, 200));
    EXPECT_EQ(resized.pixel(85, 25), qRgb(255, 255, 255));

    // A window drawn into only after it has been shown shows what was drawn.
    HWND late = MakeTop(100, 0, 40, 30);
    Pump();
    EXPECT_TRUE(win32_gui::Find(late)->backing.isNull());
    dc = GetDC(late);
    RECT all{0, 0, 40, 30};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    ReleaseDC(late, dc);
    Pump();
    QImage shown = win32_gui::Find(late)->widget->grab().toImage();
    EXPECT_EQ(shown.pixel(20, 15), qRgb(0, 0, 0));
}

TEST_F(GdiTest, TextOutUsesAlignmentAndBackgroundMode)
{
    Dib d(60, 30, 24);
    RECT all{0, 0, 60, 30};
    FillRect(d.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SelectObject(d.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkColor(d.dc, RGB(255, 255, 0));
    SetBkMode(d.dc, OPAQUE);
    SetTextAlign(d.dc, TA_RIGHT | TA_TOP);
    SIZE s;
    GetTextExtentPoint32W(d.dc, L"  ", 2, &s);
    TextOutW(d.dc, 50, 2, L"  ", 2);  // blanks: only the cell shows
    // The opaque cell ends at x = 50 and starts the text's width before it.
    EXPECT_EQ(GetPixel(d.dc, 49, 3), RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(d.dc, 50, 3), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(d.dc, 50 - s.cx, 3), RGB(255, 255, 0));
    EXPECT_EQ(GetPixel(d.dc, 49 - s.cx, 3), RGB(255, 255, 255));
    SelectObject(d.dc, GetStockObject(SYSTEM_FONT));
}

}  // namespace
