// The skin bitmap: creation, pixel addresses, every drawing operation on
// small flat-colour and patterned images checked pixel by pixel against a
// per-pixel model of what each operation covers, depth conversion, and the
// BMP and picture readers against files written by ffmpeg and decoded by
// ffmpeg or Qt.
#include <gtest/gtest.h>

#include <QImage>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/gui/GdiDraw.h"
#include "skin/HDib.h"
#include "tests/skin/SkinTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

using skin_test::BmpBytes;
using skin_test::Pixel;
using skin_test::SetPixel24;

// A 24- or 32-bit image whose pixel (x, y) is (red 100 + x, green 10 + y,
// blue 7); every pixel with (x + y) % 5 == 0 is the key colour.
void Pattern(HDib& dib, int w, int h, int bitCount, bool withKey = true)
{
    ASSERT_TRUE(dib.Create(w, h, bitCount));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel24(dib, x, y, withKey && (x + y) % 5 == 0 ? HDib::kKeyColor : RGB(100 + x, 10 + y, 7));
}

TEST(HDibCreate, RefusesBadSizesAndDepths)
{
    struct Case {
        int w, h, bits, palette;
        bool ok;
    } cases[] = {
        {0, 5, 24, 0, false},
        {5, 0, 24, 0, false},
        {-1, 5, 24, 0, false},
        {5, 5, 2, 0, false},
        {5, 5, 0, 0, false},
        {5, 5, 24, 0, true},
        {5, 5, 8, 256, true},
        {5, 5, 8, 257, false},
        {5, 5, 8, -1, false},
        {0x7FFFFFFF, 1, 24, 0, false},
        // The layer refuses pixel memory beyond 256 MiB rather than try.
        {0x7FFFFFFE, 0x7FFFFFFE, 32, 0, false},
    };
    for (const Case& c : cases) {
        HDib dib;
        EXPECT_EQ(dib.Create(c.w, c.h, c.bits, c.palette), c.ok ? 1 : 0) << c.w << "x" << c.h << "x" << c.bits;
        EXPECT_EQ(dib.IsEmpty(), !c.ok);
        if (!c.ok) {
            EXPECT_EQ(dib.GetBits(), nullptr);
        }
    }
}

TEST(HDibCreate, StrideAndBytesPerPixel)
{
    struct Case {
        int w, bits, stride, bpp;
    } cases[] = {{3, 24, 12, 3}, {1, 24, 4, 3}, {4, 24, 12, 3}, {5, 4, 4, 1},   {9, 4, 8, 1},
                 {33, 1, 8, 1},  {2, 16, 4, 2}, {3, 16, 8, 2},  {3, 32, 12, 4}, {5, 8, 8, 1}};
    for (const Case& c : cases) {
        HDib dib;
        ASSERT_TRUE(dib.Create(c.w, 2, c.bits));
        EXPECT_EQ(dib.GetStride(), c.stride) << c.w << "x" << c.bits;
        EXPECT_EQ(dib.GetBytesPerPixel(), c.bpp);
    }
}

TEST(HDibCreate, PixelAddressesCountRowsFromTheBottomOfMemory)
{
    struct Case {
        int bits, x, y;
        ptrdiff_t offset;  // -1: null
    } cases[] = {
        {24, 0, 0, 3 * 12}, {24, 2, 0, 3 * 12 + 6}, {24, 0, 3, 0},          {24, 3, 0, -1},
        {24, 0, 4, -1},     {24, -1, 0, -1},        {32, 1, 1, 2 * 12 + 4}, {8, 2, 3, 2},
        {4, 2, 3, 1},       {4, 1, 0, 3 * 4},       {1, 2, 0, 3 * 4},       {16, 2, 2, 8 + 4},
    };
    for (const Case& c : cases) {
        HDib dib;
        ASSERT_TRUE(dib.Create(3, 4, c.bits));
        BYTE* p = dib.PixelAddress(c.x, c.y);
        if (c.offset < 0) {
            EXPECT_EQ(p, nullptr) << c.bits << " " << c.x << "," << c.y;
        } else {
            EXPECT_EQ(p - dib.GetBits(), c.offset) << c.bits << " " << c.x << "," << c.y;
        }
    }
}

TEST(HDibCreate, FillAndFillClip)
{
    for (int bits : {24, 32}) {
        HDib dib;
        ASSERT_TRUE(dib.CreateFilled(6, 5, bits, RGB(1, 2, 3)));
        EXPECT_EQ(Pixel(dib, 5, 4), RGB(1, 2, 3));
        RECT clip{1, 2, 4, 3};
        dib.SetClipRect(&clip);
        ASSERT_TRUE(dib.FillClip(RGB(200, 100, 50)));
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 6; ++x)
                EXPECT_EQ(Pixel(dib, x, y), (x >= 1 && x < 4 && y == 2) ? RGB(200, 100, 50) : RGB(1, 2, 3))
                    << bits << " " << x << "," << y;
        if (bits == 32) {
            // The fourth byte stays 0 wherever the fill went.
            EXPECT_EQ(dib.PixelAddress(2, 2)[3], 0);
            EXPECT_EQ(dib.PixelAddress(0, 0)[3], 0);
        }
        RECT got;
        EXPECT_TRUE(dib.GetClipRect(&got));
        EXPECT_EQ(got, clip);
        dib.SetClipRect(nullptr);
        EXPECT_FALSE(dib.GetClipRect(&got));
        ASSERT_TRUE(dib.FillClip(RGB(9, 9, 9)));
        EXPECT_EQ(Pixel(dib, 0, 0), RGB(9, 9, 9));
    }
    HDib eight;
    ASSERT_TRUE(eight.Create(4, 4, 8));
    EXPECT_FALSE(eight.Fill(RGB(1, 1, 1)));
    // Without a colour the pixels stay as created.
    HDib none;
    ASSERT_TRUE(none.CreateFilled(2, 2, 24, static_cast<COLORREF>(-1)));
    EXPECT_EQ(Pixel(none, 1, 1), 0u);
}

// ---- The drawing family against a per-pixel model ----------------------------------

enum class Op { Copy, Keyed, Blend, BlendKeyed };

struct CopyCase {
    const char* name;
    int dx, dy, sx, sy, w, h;
    bool clip = false;
    RECT clipRect{};
};

// Source 10 x 8, target 12 x 9.
const CopyCase kCopyCases[] = {
    {"inside", 2, 1, 1, 2, 4, 3},
    {"whole source", 0, 0, 0, 0, -1, -1},
    {"negative destination x", -3, 1, 0, 0, 6, 4},
    {"negative destination y", 1, -2, 0, 0, 6, 4},
    {"past the target's right", 9, 0, 0, 0, 6, 4},
    {"past the target's bottom", 0, 7, 0, 0, 6, 4},
    {"negative source x", 1, 1, -2, 0, 6, 4},
    {"negative source y", 1, 1, 0, -3, 6, 4},
    {"past the source's right", 0, 0, 7, 0, 6, 4},
    {"past the source's bottom", 0, 0, 0, 6, 6, 4},
    {"clip cuts the left", 0, 0, 0, 0, 8, 6, true, {3, 0, 12, 9}},
    {"clip cuts the top", 0, 0, 0, 0, 8, 6, true, {0, 2, 12, 9}},
    {"clip cuts the right", 0, 0, 0, 0, 8, 6, true, {0, 0, 5, 9}},
    {"clip cuts the bottom", 0, 0, 0, 0, 8, 6, true, {0, 0, 12, 4}},
    {"clip inside", 1, 1, 0, 0, -1, -1, true, {3, 2, 6, 5}},
    {"clip beyond the target", 2, 2, 0, 0, -1, -1, true, {-5, -5, 50, 50}},
    {"clip misses", 0, 0, 0, 0, 4, 4, true, {6, 6, 9, 9}},
    {"zero width", 0, 0, 0, 0, 0, 4},
    {"negative height", 0, 0, 0, 0, 4, -2},
    {"wholly left", -20, 0, 0, 0, 6, 4},
    {"source start past its end", 0, 0, 10, 0, 6, 4},
    {"huge destination", 2147483000, 0, 0, 0, 6, 4},
    {"most negative destination", -2147483647, -2147483647, 0, 0, 2147483647, 2147483647},
};

// Whether target pixel (X, Y) is drawn, and from which source pixel.
bool Covers(const CopyCase& c, int srcW, int srcH, int dstW, int dstH, int X, int Y, int* sx, int* sy)
{
    long long w = c.w == -1 ? srcW : c.w, h = c.h == -1 ? srcH : c.h;
    long long rx = static_cast<long long>(X) - c.dx, ry = static_cast<long long>(Y) - c.dy;
    if (rx < 0 || ry < 0 || rx >= w || ry >= h) return false;
    long long px = c.sx + rx, py = c.sy + ry;
    if (px < 0 || py < 0 || px >= srcW || py >= srcH) return false;
    if (X < 0 || Y < 0 || X >= dstW || Y >= dstH) return false;
    if (c.clip && (X < c.clipRect.left || X >= c.clipRect.right || Y < c.clipRect.top || Y >= c.clipRect.bottom))
        return false;
    *sx = static_cast<int>(px);
    *sy = static_cast<int>(py);
    return true;
}

COLORREF Expected(Op op, COLORREF s, COLORREF d, int alpha)
{
    bool key = (s & 0xFFFFFF) == HDib::kKeyColor;
    if ((op == Op::Keyed || op == Op::BlendKeyed) && key) return d;
    if (op == Op::Copy || op == Op::Keyed) return s;
    auto mix = [alpha](int a, int b) { return static_cast<BYTE>((a * alpha + b * (255 - alpha)) / 255); };
    return RGB(mix(GetRValue(s), GetRValue(d)), mix(GetGValue(s), GetGValue(d)), mix(GetBValue(s), GetBValue(d)));
}

int Apply(Op op, const HDib& src, HDib* dst, const CopyCase& c, int alpha)
{
    switch (op) {
    case Op::Copy: return src.Copy(dst, c.dx, c.dy, c.sx, c.sy, c.w, c.h);
    case Op::Keyed: return src.CopyKeyed(dst, c.dx, c.dy, c.sx, c.sy, c.w, c.h);
    case Op::Blend: return src.Blend(dst, c.dx, c.dy, c.sx, c.sy, c.w, c.h, alpha);
    case Op::BlendKeyed: return src.BlendKeyed(dst, c.dx, c.dy, c.sx, c.sy, c.w, c.h, alpha);
    }
    return -1;
}

TEST(HDibDraw, EveryOperationClipsAtEveryEdge)
{
    struct Variant {
        Op op;
        int bits;
        int alpha;
    } variants[] = {{Op::Copy, 24, 0},    {Op::Keyed, 24, 0},       {Op::Blend, 24, 128}, {Op::Blend, 24, 0},
                    {Op::Blend, 24, 255}, {Op::BlendKeyed, 24, 77}, {Op::Copy, 32, 0},    {Op::Keyed, 32, 0}};
    const COLORREF background = RGB(40, 50, 60);
    for (const Variant& v : variants) {
        for (const CopyCase& c : kCopyCases) {
            SCOPED_TRACE(testing::Message()
                         << c.name << " op " << static_cast<int>(v.op) << " bits " << v.bits << " alpha " << v.alpha);
            HDib src, dst;
            Pattern(src, 10, 8, v.bits);
            ASSERT_TRUE(dst.CreateFilled(12, 9, v.bits, background));
            if (c.clip) dst.SetClipRect(&c.clipRect);
            int drawnPixels = 0;
            for (int Y = 0; Y < 9; ++Y)
                for (int X = 0; X < 12; ++X) {
                    int sx, sy;
                    if (Covers(c, 10, 8, 12, 9, X, Y, &sx, &sy)) ++drawnPixels;
                }
            EXPECT_EQ(Apply(v.op, src, &dst, c, v.alpha), drawnPixels ? 1 : 0);
            for (int Y = 0; Y < 9; ++Y)
                for (int X = 0; X < 12; ++X) {
                    int sx = 0, sy = 0;
                    COLORREF want = Covers(c, 10, 8, 12, 9, X, Y, &sx, &sy)
                                        ? Expected(v.op, Pixel(src, sx, sy), background, v.alpha)
                                        : background;
                    ASSERT_EQ(Pixel(dst, X, Y), want) << X << "," << Y;
                }
        }
    }
}

TEST(HDibDraw, DestinationLeftOfTheTargetTakesTheSourceColumnsItCovers)
{
    // 50 columns drawn from x -5: source columns 5 to 49 land at 0 to 44.
    HDib src, dst;
    ASSERT_TRUE(src.Create(60, 1, 24));
    for (int x = 0; x < 60; ++x) SetPixel24(src, x, 0, RGB(x, 1, 1));
    ASSERT_TRUE(dst.CreateFilled(60, 1, 24, RGB(255, 255, 255)));
    ASSERT_TRUE(src.Copy(&dst, -5, 0, 0, 0, 50, 1));
    EXPECT_EQ(Pixel(dst, 0, 0), RGB(5, 1, 1));
    EXPECT_EQ(Pixel(dst, 44, 0), RGB(49, 1, 1));
    EXPECT_EQ(Pixel(dst, 45, 0), RGB(255, 255, 255));
}

TEST(HDibDraw, KeyedCopiesSkipExactlyTheKeyColour)
{
    struct Case {
        int bits;
        BYTE b, g, r, fourth;
        bool skipped;
    } cases[] = {
        {24, 255, 0, 255, 0, true},
        {24, 254, 0, 255, 0, false},  // red 255, green 0, blue 254
        {24, 255, 1, 255, 0, false},
        {32, 255, 0, 255, 0, true},
        // What GDI or a loader left in the fourth byte does not matter.
        {32, 255, 0, 255, 0xFF, true},
        {32, 255, 0, 254, 0, false},
    };
    for (const Case& c : cases) {
        HDib src, dst;
        ASSERT_TRUE(src.Create(1, 1, c.bits));
        BYTE* p = src.PixelAddress(0, 0);
        p[0] = c.b, p[1] = c.g, p[2] = c.r;
        if (c.bits == 32) p[3] = c.fourth;
        ASSERT_TRUE(dst.CreateFilled(1, 1, c.bits, RGB(1, 2, 3)));
        EXPECT_TRUE(src.CopyKeyed(&dst, 0, 0, 0, 0, 1, 1));
        EXPECT_EQ(Pixel(dst, 0, 0), c.skipped ? RGB(1, 2, 3) : RGB(c.r, c.g, c.b))
            << c.bits << " " << int(c.b) << " " << int(c.g) << " " << int(c.r) << " " << int(c.fourth);
    }
    // 16-bit pixels have no key: every one is copied.
    HDib s16, d16;
    ASSERT_TRUE(s16.Create(2, 1, 16));
    ASSERT_TRUE(d16.Create(2, 1, 16));
    std::memset(s16.GetBits(), 0x7C, 4);
    EXPECT_TRUE(s16.CopyKeyed(&d16, 0, 0, 0, 0, -1, -1));
    EXPECT_EQ(std::memcmp(s16.GetBits(), d16.GetBits(), 4), 0);
}

TEST(HDibDraw, BlendValuesAndTheTableFollowTheAlpha)
{
    struct Case {
        int alpha;
        BYTE s, d, want;
    } cases[] = {{128, 200, 100, 150}, {0, 200, 100, 100}, {255, 200, 100, 200}, {128, 200, 100, 150}, {1, 255, 0, 1},
                 {254, 0, 255, 1},     {77, 10, 250, 177}, {300, 10, 250, 10},   {-5, 10, 250, 250}};
    for (const Case& c : cases) {
        HDib src, dst;
        ASSERT_TRUE(src.CreateFilled(1, 1, 24, RGB(c.s, c.s, c.s)));
        ASSERT_TRUE(dst.CreateFilled(1, 1, 24, RGB(c.d, c.d, c.d)));
        // Out-of-range alphas count as the nearest end.
        EXPECT_TRUE(src.Blend(&dst, 0, 0, 0, 0, 1, 1, c.alpha));
        EXPECT_EQ(Pixel(dst, 0, 0), RGB(c.want, c.want, c.want)) << c.alpha << " " << int(c.s) << " " << int(c.d);
    }
}

TEST(HDibDraw, DepthsMustMatchAndBlendsAre24BitOnly)
{
    HDib a24, b32, c32;
    ASSERT_TRUE(a24.CreateFilled(4, 4, 24, 0));
    ASSERT_TRUE(b32.CreateFilled(4, 4, 32, 0));
    ASSERT_TRUE(c32.CreateFilled(4, 4, 32, 0));
    EXPECT_FALSE(a24.Copy(&b32, 0, 0, 0, 0, -1, -1));
    EXPECT_FALSE(a24.CopyKeyed(&b32, 0, 0, 0, 0, -1, -1));
    EXPECT_FALSE(b32.Blend(&c32, 0, 0, 0, 0, -1, -1, 100));
    EXPECT_FALSE(a24.Copy(nullptr, 0, 0, 0, 0, -1, -1));
    HDib empty;
    EXPECT_FALSE(empty.Copy(&a24, 0, 0, 0, 0, -1, -1));
    EXPECT_FALSE(a24.Copy(&empty, 0, 0, 0, 0, -1, -1));
}

TEST(HDibDraw, CopyIntoItselfReadsTheOldPixels)
{
    HDib dib;
    ASSERT_TRUE(dib.Create(6, 1, 24));
    for (int x = 0; x < 6; ++x) SetPixel24(dib, x, 0, RGB(x, 0, 0));
    ASSERT_TRUE(dib.Copy(&dib, 1, 0, 0, 0, 5, 1));
    for (int x = 1; x < 6; ++x) EXPECT_EQ(Pixel(dib, x, 0), RGB(x - 1, 0, 0));
}

TEST(HDibDraw, PaletteImagesMapTheirIndexesToTheTargetPalette)
{
    const RGBQUAD red{0, 0, 255, 0}, green{0, 255, 0, 0};
    const RGBQUAD nearGreen{0, 250, 0, 0}, black{0, 0, 0, 0}, nearRed{0, 0, 250, 0};
    const RGBQUAD srcPal[2] = {red, green};
    for (int bits : {1, 4, 8}) {
        SCOPED_TRACE(bits);
        // A 1-bit target has two entries; the others put black first.
        std::vector<RGBQUAD> dstPal =
            bits == 1 ? std::vector<RGBQUAD>{nearGreen, nearRed} : std::vector<RGBQUAD>{black, nearGreen, nearRed};
        const COLORREF background = bits == 1 ? RGB(0, 250, 0) : RGB(0, 0, 0);
        HDib src, dst;
        ASSERT_TRUE(src.Create(9, 2, bits, 2, srcPal));
        ASSERT_TRUE(dst.Create(9, 2, bits, static_cast<int>(dstPal.size()), dstPal.data()));
        // Source row 0: green at even x, red at odd x; row 1 green.
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 9; ++x) skin_test::SetIndex(src, x, y, (y == 1 || x % 2 == 0) ? 1 : 0);
        int copied = src.Copy(&dst, 0, 0, 0, 0, -1, 1);
        if (bits < 8) {
            // Opaque copies of 1- and 4-bit images draw nothing.
            EXPECT_EQ(copied, 0);
            EXPECT_EQ(Pixel(dst, 0, 0), background);
            EXPECT_TRUE(src.CopyKeyed(&dst, 0, 0, 0, 0, -1, 1));
        } else {
            EXPECT_EQ(copied, 1);
        }
        for (int x = 0; x < 9; ++x) {
            EXPECT_EQ(Pixel(dst, x, 0), x % 2 == 0 ? RGB(0, 250, 0) : RGB(250, 0, 0)) << x;
            EXPECT_EQ(Pixel(dst, x, 1), background) << x;
        }
    }
}

TEST(HDibDraw, NearestPaletteIndexTakesTheFirstOfEqualEntries)
{
    const RGBQUAD palette[4] = {{10, 10, 10, 0}, {200, 0, 0, 0}, {0, 0, 200, 0}, {10, 10, 10, 0}};
    const RGBQUAD colors[5] = {{10, 10, 10, 0}, {255, 0, 0, 0}, {0, 0, 255, 0}, {255, 255, 255, 0}, {0, 0, 0, 0}};
    BYTE out[5] = {};
    HDib::NearestPaletteIndex(colors, 5, palette, 4, out);
    const BYTE want[5] = {0, 1, 2, 1, 0};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(out[i], want[i]) << i;
    // An empty palette answers index 0.
    HDib::NearestPaletteIndex(colors, 5, nullptr, 0, out);
    EXPECT_EQ(out[1], 0);
}

TEST(HDibDraw, StretchIsNearestNeighbourAndClamped)
{
    HDib src;
    ASSERT_TRUE(src.Create(2, 2, 24));
    const COLORREF q[4] = {RGB(10, 0, 0), RGB(20, 0, 0), RGB(30, 0, 0), RGB(40, 0, 0)};
    for (int i = 0; i < 4; ++i) SetPixel24(src, i % 2, i / 2, q[i]);
    struct Case {
        const char* name;
        int x, y, w, h, sx, sy, sw, sh;
        int result;
        std::function<COLORREF(int, int)> want;  // null: untouched
    } cases[] = {
        {"double", 0, 0, 4, 4, 0, 0, 2, 2, 1,
         [&](int X, int Y) -> COLORREF { return X < 4 && Y < 4 ? q[(Y / 2) * 2 + X / 2] : 0; }},
        {"left cut by the target", -1, 0, 4, 4, 0, 0, 2, 2, 1,
         [&](int X, int Y) -> COLORREF { return X < 3 && Y < 4 ? q[(Y / 2) * 2 + (X + 1) / 2] : 0; }},
        {"top cut by the target", 0, -3, 4, 4, 0, 0, 2, 2, 1,
         [&](int X, int Y) -> COLORREF { return X < 4 && Y < 1 ? q[2 + X / 2] : 0; }},
        {"half", 1, 1, 1, 1, 0, 0, 2, 2, 1, [&](int X, int Y) -> COLORREF { return X == 1 && Y == 1 ? q[0] : 0; }},
        {"source clamped", 0, 0, 2, 2, 1, 1, 5, 5, 1,
         [&](int X, int Y) -> COLORREF { return X < 2 && Y < 2 ? q[3] : 0; }},
        {"wholly outside", 10, 10, 4, 4, 0, 0, 2, 2, 0, nullptr},
        {"empty source", 0, 0, 4, 4, 2, 0, 2, 2, 0, nullptr},
        {"zero destination", 0, 0, 0, 4, 0, 0, 2, 2, 0, nullptr},
    };
    for (const Case& c : cases) {
        HDib dst;
        ASSERT_TRUE(dst.CreateFilled(6, 6, 24, 0));
        EXPECT_EQ(src.StretchCopy(&dst, c.x, c.y, c.w, c.h, c.sx, c.sy, c.sw, c.sh), c.result) << c.name;
        for (int Y = 0; Y < 6; ++Y)
            for (int X = 0; X < 6; ++X)
                ASSERT_EQ(Pixel(dst, X, Y), c.want ? c.want(X, Y) : 0u) << c.name << " " << X << "," << Y;
    }
    // A target with a clip rectangle gets nothing.
    HDib clipped;
    ASSERT_TRUE(clipped.CreateFilled(4, 4, 24, 0));
    RECT all{0, 0, 4, 4};
    clipped.SetClipRect(&all);
    EXPECT_EQ(src.StretchCopy(&clipped, 0, 0, 4, 4, 0, 0, 2, 2), 0);
    EXPECT_EQ(Pixel(clipped, 0, 0), 0u);
}

// A strip of four flat cells, 3 pixels wide and 2 high each.
const COLORREF kCells[4] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200), HDib::kKeyColor};

void CellStrip(HDib& dib, bool vertical)
{
    ASSERT_TRUE(dib.Create(vertical ? 3 : 12, vertical ? 8 : 2, 24));
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) SetPixel24(dib, vertical ? x : i * 3 + x, vertical ? i * 2 + y : y, kCells[i]);
}

TEST(HDibDraw, CellsOfStripsAndGrids)
{
    const COLORREF bg = RGB(9, 9, 9);
    struct Case {
        bool vertical;
        int index;
        int keyed;
        int alpha;
        int result;
        COLORREF inside;
    } cases[] = {
        {false, 0, 0, -1, 1, kCells[0]}, {false, 2, 0, -1, 1, kCells[2]}, {true, 1, 0, -1, 1, kCells[1]},
        {false, 3, 1, -1, 1, bg},        {false, 3, 0, -1, 1, kCells[3]}, {false, 1, 0, 255, 1, kCells[1]},
        {false, 3, 1, 128, 1, bg},       {false, 0, 0, 0, 1, bg},         {false, 4, 0, -1, 0, bg},
        {false, -1, 0, -1, 0, bg},
    };
    for (const Case& c : cases) {
        HDib strip, dst;
        CellStrip(strip, c.vertical);
        ASSERT_TRUE(dst.CreateFilled(8, 6, 24, bg));
        EXPECT_EQ(strip.DrawCell(&dst, 2, 1, 4, c.index, c.vertical ? 0 : 1, c.keyed, c.alpha), c.result)
            << c.vertical << " " << c.index;
        for (int Y = 0; Y < 6; ++Y)
            for (int X = 0; X < 8; ++X) {
                bool in = X >= 2 && X < 5 && Y >= 1 && Y < 3;
                ASSERT_EQ(Pixel(dst, X, Y), in ? c.inside : bg) << c.vertical << " " << c.index << " " << X << "," << Y;
            }
    }
    // A 2 x 2 grid of the same cells.
    HDib grid, dst;
    ASSERT_TRUE(grid.Create(6, 4, 24));
    for (int i = 0; i < 4; ++i)
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) SetPixel24(grid, (i % 2) * 3 + x, (i / 2) * 2 + y, kCells[i]);
    ASSERT_TRUE(dst.CreateFilled(3, 2, 24, bg));
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(grid.DrawGridCell(&dst, 0, 0, 2, i % 2, 2, i / 2, 0, -1));
        EXPECT_EQ(Pixel(dst, 2, 1), kCells[i]) << i;
    }
    EXPECT_FALSE(grid.DrawGridCell(&dst, 0, 0, 0, 0, 2, 0, 0, -1));
    EXPECT_FALSE(grid.DrawGridCell(&dst, 0, 0, 7, 0, 1, 0, 0, -1));  // cells narrower than a pixel
}

TEST(HDibDraw, GridCellToADeviceContext)
{
    HDib strip, screen;
    CellStrip(strip, false);
    ASSERT_TRUE(screen.CreateFilled(10, 4, 32, RGB(1, 1, 1)));
    HDC dc = screen.GetDC();
    ASSERT_TRUE(strip.DrawGridCellToDC(dc, 4, 1, 4, 2, 1, 0));
    screen.ReleaseDC();
    for (int Y = 0; Y < 4; ++Y)
        for (int X = 0; X < 10; ++X)
            EXPECT_EQ(Pixel(screen, X, Y), (X >= 4 && X < 7 && Y >= 1 && Y < 3) ? kCells[2] : RGB(1, 1, 1))
                << X << "," << Y;
    // BlitToDC: -1 sizes are the whole image, a zero size draws nothing.
    ASSERT_TRUE(screen.CreateFilled(14, 3, 24, 0));
    EXPECT_TRUE(strip.BlitToDC(screen.GetDC(), 1, 1, 0, 0, -1, -1, SRCCOPY));
    EXPECT_FALSE(strip.BlitToDC(screen.GetDC(), 0, 0, 0, 0, 0, 2, SRCCOPY));
    screen.ReleaseDC();
    EXPECT_EQ(Pixel(screen, 1, 1), kCells[0]);
    EXPECT_EQ(Pixel(screen, 12, 2), kCells[3]);
    EXPECT_EQ(Pixel(screen, 13, 2), 0u);
    EXPECT_EQ(Pixel(screen, 0, 0), 0u);
}

TEST(HDibDraw, TilesRepeatFromTheCornerShiftedByThePhase)
{
    // A 3 x 2 tile: pixel (x, y) = RGB(50 + x, 60 + y, 0); (2, 1) is the key colour.
    HDib tile;
    ASSERT_TRUE(tile.Create(3, 2, 24));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) SetPixel24(tile, x, y, x == 2 && y == 1 ? HDib::kKeyColor : RGB(50 + x, 60 + y, 0));
    const COLORREF bg = RGB(1, 2, 3);
    struct Case {
        RECT rect;
        int phaseX, phaseY, keyed;
        int sx, sy, sw, sh;
        bool clip;
        RECT clipRect;
    } cases[] = {
        {{1, 1, 9, 6}, 0, 0, 0, -1, -1, -1, -1, false, {}},
        {{1, 1, 9, 6}, 1, 0, 0, -1, -1, -1, -1, false, {}},
        {{1, 1, 9, 6}, 2, 1, 1, -1, -1, -1, -1, false, {}},
        {{1, 1, 9, 6}, -1, 0, 0, -1, -1, -1, -1, false, {}},
        {{-2, -1, 9, 6}, 0, 0, 0, -1, -1, -1, -1, false, {}},
        {{0, 0, 10, 7}, 0, 0, 0, 1, 0, 2, 2, false, {}},
        {{0, 0, 10, 7}, 0, 0, 1, 0, 0, -1, -1, true, {2, 3, 7, 5}},
        {{5, 5, 20, 20}, 0, 0, 0, -1, -1, -1, -1, false, {}},
    };
    for (const Case& c : cases) {
        HDib dst;
        ASSERT_TRUE(dst.CreateFilled(10, 7, 24, bg));
        if (c.clip) dst.SetClipRect(&c.clipRect);
        EXPECT_TRUE(tile.Tile(&dst, c.rect, c.phaseX, c.phaseY, c.keyed, c.sx, c.sy, c.sw, c.sh));
        const int sx = c.sx < 0 ? 0 : c.sx, sy = c.sy < 0 ? 0 : c.sy;
        const int sw = c.sw == -1 ? 3 - sx : c.sw, sh = c.sh == -1 ? 2 - sy : c.sh;
        for (int Y = 0; Y < 7; ++Y)
            for (int X = 0; X < 10; ++X) {
                COLORREF want = bg;
                bool inRect = X >= c.rect.left && X < c.rect.right && Y >= c.rect.top && Y < c.rect.bottom;
                bool inClip = !c.clip || (X >= c.clipRect.left && X < c.clipRect.right && Y >= c.clipRect.top &&
                                          Y < c.clipRect.bottom);
                if (inRect && inClip) {
                    int ox = c.rect.left + ((c.phaseX % sw) + sw) % sw, oy = c.rect.top + ((c.phaseY % sh) + sh) % sh;
                    int tx = (((X - ox) % sw) + sw) % sw + sx, ty = (((Y - oy) % sh) + sh) % sh + sy;
                    COLORREF s = Pixel(tile, tx, ty);
                    want = (c.keyed && s == HDib::kKeyColor) ? bg : s;
                }
                ASSERT_EQ(Pixel(dst, X, Y), want) << c.rect.left << " phase " << c.phaseX << " at " << X << "," << Y;
            }
    }
    HDib dst;
    ASSERT_TRUE(dst.CreateFilled(4, 4, 24, bg));
    EXPECT_FALSE(tile.Tile(&dst, RECT{5, 5, 9, 9}, 0, 0, 0));                // wholly outside
    EXPECT_FALSE(tile.Tile(&dst, RECT{0, 0, 4, 4}, 0, 0, 0, 3, 0, -1, -1));  // nothing of the source left
}

TEST(HDibConvert, PaletteDepthsBecome24BitThroughThePalette)
{
    const RGBQUAD pal[4] = {{1, 2, 3, 0}, {40, 50, 60, 0}, {255, 0, 255, 0}, {9, 8, 7, 0}};
    for (int bits : {1, 4, 8}) {
        // Five pixels wide, so a 4-bit row ends in a half-used byte.
        HDib dib;
        int entries = bits == 1 ? 2 : 3;  // index 3 lies past a 3-entry palette
        ASSERT_TRUE(dib.Create(5, 2, bits, entries, pal));
        std::vector<int> want;
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                int index = (x + y) % (bits == 1 ? 2 : 4);
                BYTE* p = dib.PixelAddress(x, y);
                if (bits == 8)
                    *p = static_cast<BYTE>(index);
                else if (bits == 4)
                    *p = static_cast<BYTE>((x & 1) ? ((*p & 0xF0) | index) : ((*p & 0x0F) | (index << 4)));
                else if (index)
                    *p = static_cast<BYTE>(*p | (0x80 >> (x & 7)));
                want.push_back(index);
            }
        ASSERT_TRUE(dib.ConvertDepth(24));
        ASSERT_EQ(dib.GetBitCount(), 24);
        EXPECT_EQ(dib.GetKeyColor(), HDib::kKeyColor);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 5; ++x) {
                int index = want[static_cast<size_t>(y * 5 + x)];
                COLORREF c = index < entries ? RGB(pal[index].rgbRed, pal[index].rgbGreen, pal[index].rgbBlue) : 0;
                EXPECT_EQ(Pixel(dib, x, y), c) << bits << " " << x << "," << y;
            }
    }
}

TEST(HDibConvert, To32BitsAndUnsupportedPairs)
{
    HDib src;
    Pattern(src, 7, 3, 24);
    HDib target;
    ASSERT_TRUE(src.ConvertDepth(32, &target));
    EXPECT_EQ(src.GetBitCount(), 24);
    ASSERT_EQ(target.GetBitCount(), 32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(Pixel(target, x, y), Pixel(src, x, y)) << x << "," << y;
            EXPECT_EQ(target.PixelAddress(x, y)[3], 0);
        }
    HDib self(src);
    ASSERT_TRUE(self.ConvertDepth(32));
    EXPECT_EQ(self.GetBitCount(), 32);
    EXPECT_EQ(Pixel(self, 6, 2), Pixel(src, 6, 2));
    // Pairs without a conversion change nothing and succeed.
    HDib s16;
    ASSERT_TRUE(s16.Create(3, 3, 16));
    EXPECT_EQ(s16.ConvertDepth(24), 1);
    EXPECT_EQ(s16.GetBitCount(), 16);
    EXPECT_EQ(self.ConvertDepth(24), 1);
    EXPECT_EQ(self.GetBitCount(), 32);
}

TEST(HDibConvert, TintClampsAndSkipsTheKey)
{
    HDib dib;
    ASSERT_TRUE(dib.Create(2, 1, 24));
    SetPixel24(dib, 0, 0, RGB(250, 0, 100));
    SetPixel24(dib, 1, 0, HDib::kKeyColor);
    ASSERT_TRUE(dib.Tint(20, 0, -300, 1));
    EXPECT_EQ(Pixel(dib, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(Pixel(dib, 1, 0), HDib::kKeyColor);
    ASSERT_TRUE(dib.Tint(-5, 7, 0, 0));
    EXPECT_EQ(Pixel(dib, 1, 0), RGB(250, 7, 255));
    HDib d32;
    ASSERT_TRUE(d32.Create(1, 1, 32));
    EXPECT_FALSE(d32.Tint(1, 1, 1, 0));
}

TEST(HDibCopy, CopyFromKeepsOrRecreates)
{
    HDib src;
    Pattern(src, 5, 4, 24);
    HDib same;
    ASSERT_TRUE(same.CreateFilled(5, 4, 24, 0));
    RECT clip{1, 1, 2, 2};
    same.SetClipRect(&clip);
    ASSERT_TRUE(same.CopyFrom(src));
    EXPECT_TRUE(same.GetClipRect(nullptr));  // same size and depth: only the pixels change
    EXPECT_EQ(Pixel(same, 4, 3), Pixel(src, 4, 3));
    HDib other;
    ASSERT_TRUE(other.CreateFilled(2, 2, 32, 0));
    ASSERT_TRUE(other.CopyFrom(src));
    EXPECT_EQ(other.GetWidth(), 5);
    EXPECT_EQ(other.GetBitCount(), 24);
    EXPECT_EQ(Pixel(other, 3, 1), Pixel(src, 3, 1));
    const RGBQUAD pal[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    HDib p8;
    ASSERT_TRUE(p8.Create(3, 3, 8, 2, pal));
    *p8.PixelAddress(1, 1) = 1;
    HDib copy(p8);
    ASSERT_EQ(copy.GetPaletteSize(), 2);
    RGBQUAD got[2];
    EXPECT_EQ(copy.GetColorTable(got), 2);
    EXPECT_EQ(got[1].rgbGreen, 5);
    EXPECT_EQ(*copy.PixelAddress(1, 1), 1);
    HDib empty;
    EXPECT_FALSE(copy.CopyFrom(empty));
    EXPECT_TRUE(copy.IsEmpty());
}

// ---- Loading ---------------------------------------------------------------------------

// RGB24 pixels of a picture as ffmpeg decodes it.
std::vector<BYTE> DecodeWithFfmpeg(const std::string& path, int w, int h)
{
    int code = -1;
    std::string raw = RunTool("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt rgb24 - 2>/dev/null", &code);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(raw.size(), static_cast<size_t>(w) * h * 3);
    return std::vector<BYTE>(raw.begin(), raw.end());
}

TEST(HDibLoad, BmpFilesWrittenByFfmpegMatchFfmpegsDecoding)
{
    TempDir dir;
    struct Case {
        const char* pixFmt;
        int bits;
    } cases[] = {{"bgr24", 24}, {"bgra", 32}, {"pal8", 8}, {"rgb555le", 16}, {"monob", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pixFmt);
        // 13 x 7: odd widths pad every row.
        std::string path = dir.File(std::string(c.pixFmt) + ".bmp");
        int code = -1;
        RunTool("ffmpeg -v error -y -f lavfi -i testsrc=size=13x7 -frames:v 1 -pix_fmt " + std::string(c.pixFmt) +
                    " '" + path + "' 2>&1",
                &code);
        ASSERT_EQ(code, 0);
        HDib dib;
        ASSERT_EQ(dib.LoadBmp(Utf8ToWide(path).c_str()), 1);
        EXPECT_EQ(dib.GetBitCount(), c.bits);
        ASSERT_EQ(dib.GetWidth(), 13);
        ASSERT_EQ(dib.GetHeight(), 7);
        std::vector<BYTE> want = DecodeWithFfmpeg(path, 13, 7);
        ASSERT_TRUE(dib.ConvertDepth(24));
        if (c.bits == 16) continue;  // 16-bit images stay 16-bit; checked through GDI below
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x) {
                const BYTE* w = &want[static_cast<size_t>(y * 13 + x) * 3];
                ASSERT_EQ(Pixel(dib, x, y), RGB(w[0], w[1], w[2])) << x << "," << y;
            }
    }
}

// A BMP file of an 8- or 4-bit picture, with run-length data unless the
// data is exactly the rows of the picture.
std::string PaletteBmp(int w, int h, int bits, const std::vector<BYTE>& data)
{
    std::vector<RGBQUAD> palette(bits == 8 ? 256 : 16);
    for (size_t i = 0; i < palette.size(); ++i)
        palette[i] = RGBQUAD{static_cast<BYTE>(i * 3), static_cast<BYTE>(255 - i), static_cast<BYTE>(i * 7), 0};
    const size_t stride = ((static_cast<size_t>(w) * bits + 31) / 8) & ~size_t{3};
    DWORD compression = data.size() == stride * h ? BI_RGB : bits == 8 ? BI_RLE8 : BI_RLE4;
    return BmpBytes(w, h, bits, compression, palette, data);
}

// Files whose every pixel is written, so that another reader's picture is
// wholly defined.
TEST(HDibLoad, HandMadePaletteFilesMatchQtsReader)
{
    struct Case {
        const char* name;
        int w, h, bits;
        std::vector<BYTE> data;
    } cases[] = {
        {"rle8 runs and rows", 6, 3, 8, {3, 5, 3, 9, 0, 0, 6, 200, 0, 0, 2, 1, 4, 2, 0, 1}},
        {"rle8 literal odd length", 5, 2, 8, {0, 3, 10, 20, 30, 0, 2, 40, 0, 0, 0, 5, 1, 2, 3, 4, 5, 0, 0, 1}},
        {"rle4 runs", 7, 2, 4, {7, 0x12, 0, 0, 7, 0x34, 0, 1}},
        {"rle4 literal", 7, 2, 4, {0, 5, 0x12, 0x34, 0x50, 0, 2, 0x66, 0, 0, 0, 7, 0xAB, 0xCD, 0xEF, 0x10, 0, 1}},
        {"uncompressed 4-bit", 5, 2, 4, {0x12, 0x34, 0x50, 0, 0xAB, 0xCD, 0xE0, 0}},
        {"uncompressed 8-bit", 3, 2, 8, {1, 2, 3, 0, 250, 251, 252, 0}},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string bytes = PaletteBmp(c.w, c.h, c.bits, c.data);
        QImage qt =
            QImage::fromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()), "BMP");
        ASSERT_FALSE(qt.isNull());
        HDib dib;
        ASSERT_EQ(dib.LoadBmp(bytes.data(), bytes.size()), 1);
        EXPECT_EQ(dib.GetBitCount(), c.bits);
        ASSERT_TRUE(dib.ConvertDepth(24));
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                QRgb q = qt.pixel(x, y);
                ASSERT_EQ(Pixel(dib, x, y), RGB(qRed(q), qGreen(q), qBlue(q))) << x << "," << y;
            }
    }
}

TEST(HDibLoad, RunLengthDataIsBoundedByThePicture)
{
    // Every index is 1 (palette entry 1); the picture is 4 x 2.
    struct Case {
        const char* name;
        int bits;
        std::vector<BYTE> data;
        std::vector<int> want;  // indexes, top row first
    } cases[] = {
        {"run past the row's end", 8, {9, 1, 0, 1}, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"literal past the row's end", 8, {0, 6, 1, 1, 1, 1, 1, 1, 0, 1}, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"delta past the right", 8, {0, 2, 200, 0, 2, 1, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"delta past the top", 8, {0, 2, 0, 200, 2, 1, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"rows past the top", 8, {0, 0, 0, 0, 0, 0, 4, 1, 0, 1}, {0, 0, 0, 0, 0, 0, 0, 0}},
        {"literal cut by the data's end", 8, {1, 1, 0, 9, 1, 1}, {0, 0, 0, 0, 1, 0, 0, 0}},
        {"delta cut by the data's end", 8, {1, 1, 0, 2}, {0, 0, 0, 0, 1, 0, 0, 0}},
        {"no end mark", 8, {2, 1}, {0, 0, 0, 0, 1, 1, 0, 0}},
        {"delta inside", 8, {1, 1, 0, 2, 1, 1, 1, 1, 0, 1}, {0, 0, 1, 0, 1, 0, 0, 0}},
        {"end of picture early", 8, {1, 1, 0, 1, 4, 1}, {0, 0, 0, 0, 1, 0, 0, 0}},
        {"rle4 delta inside", 4, {1, 0x10, 0, 2, 2, 1, 2, 0x11, 0, 1}, {0, 0, 0, 1, 1, 0, 0, 0}},
        {"rle4 run past the row's end", 4, {255, 0x11, 0, 1}, {0, 0, 0, 0, 1, 1, 1, 1}},
        {"rle4 literal past the row's end", 4, {0, 9, 0x11, 0x11, 0x11, 0x11, 0x10, 0, 0, 1}, {0, 0, 0, 0, 1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<RGBQUAD> palette{{0, 0, 0, 0}, {200, 100, 50, 0}};
        std::string bytes = BmpBytes(4, 2, c.bits, c.bits == 8 ? BI_RLE8 : BI_RLE4, palette, c.data);
        HDib dib;
        ASSERT_EQ(dib.LoadBmp(bytes.data(), bytes.size()), 1);
        ASSERT_TRUE(dib.ConvertDepth(24));
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 4; ++x)
                EXPECT_EQ(Pixel(dib, x, y), c.want[static_cast<size_t>(y * 4 + x)] ? RGB(50, 100, 200) : 0u)
                    << x << "," << y;
    }
}

TEST(HDibLoad, MalformedFilesFailAndLeaveNoImage)
{
    const std::vector<RGBQUAD> pal2{{0, 0, 0, 0}, {255, 255, 255, 0}};
    const std::string good = BmpBytes(3, 2, 24, BI_RGB, {}, std::vector<BYTE>(24, 0x40));
    ASSERT_GT(good.size(), 54u);
    auto patched = [&](size_t at, const std::vector<BYTE>& bytes, const std::string& base) {
        std::string s = base;
        for (size_t i = 0; i < bytes.size(); ++i) s[at + i] = static_cast<char>(bytes[i]);
        return s;
    };
    auto le32 = [](uint32_t v) { return std::vector<BYTE>{BYTE(v), BYTE(v >> 8), BYTE(v >> 16), BYTE(v >> 24)}; };
    const std::string rle = BmpBytes(4, 2, 8, BI_RLE8, pal2, {4, 1, 0, 1});
    struct Case {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"not BM", patched(0, {'B', 'N'}, good)},
        {"headers only", good.substr(0, 54)},
        {"pixels one byte short", good.substr(0, good.size() - 1)},
        {"header size 12", patched(14, le32(12), good)},
        {"header size past the data", patched(14, le32(4000), good)},
        {"pixels inside the header", patched(10, le32(40), good)},
        {"pixels past the data", patched(10, le32(5000), good)},
        {"palette of 257 entries", patched(10, le32(54 + 257 * 4), good + std::string(257 * 4, '\0'))},
        {"top-down", patched(22, le32(static_cast<uint32_t>(-2)), good)},
        {"zero width", patched(18, le32(0), good)},
        {"negative width", patched(18, le32(static_cast<uint32_t>(-3)), good)},
        {"two bits per pixel", patched(28, {2, 0}, good)},
        {"bit fields", patched(30, le32(3), good)},
        {"huge picture", patched(18, le32(0x7FFFFFF0), patched(22, le32(0x7FFFFFF0), good))},
        {"run-length without a size", patched(34, le32(0), rle)},
        {"run-length size past the data", patched(34, le32(5), rle)},
        {"run-length 8 on a 4-bit picture", patched(28, {4, 0}, rle)},
        {"run-length 4 on an 8-bit picture", patched(30, le32(2), rle)},
    };
    for (const Case& c : cases) {
        HDib dib;
        ASSERT_TRUE(dib.Create(2, 2, 24));
        EXPECT_EQ(dib.LoadBmp(c.bytes.data(), c.bytes.size()), 0) << c.name;
        EXPECT_TRUE(dib.IsEmpty()) << c.name;
    }
    HDib dib;
    EXPECT_EQ(dib.LoadBmp(good.data(), good.size()), 1);
    EXPECT_EQ(Pixel(dib, 2, 1), RGB(0x40, 0x40, 0x40));
    EXPECT_EQ(dib.LoadBmp(static_cast<const void*>(nullptr), 100), 0);
    EXPECT_EQ(dib.LoadBmp(L"/nonexistent/none.bmp"), 0);
}

TEST(HDibLoad, PicturesThroughTheSystemLoader)
{
    TempDir dir;
    int code = -1;
    std::string png = dir.File("p.png");
    RunTool("ffmpeg -v error -y -f lavfi -i testsrc=size=9x5 -frames:v 1 '" + png + "' 2>&1", &code);
    ASSERT_EQ(code, 0);
    std::vector<BYTE> want = DecodeWithFfmpeg(png, 9, 5);
    std::string bytes = ReadBytes(png);

    HDib fromPath, fromMemory, fromGlobal, viaBmp;
    // Not a BMP: LoadBmp refuses, the picture loader reads it.
    EXPECT_EQ(viaBmp.LoadBmp(Utf8ToWide(png).c_str()), 0);
    ASSERT_EQ(fromPath.LoadPicture(Utf8ToWide(png).c_str()), 1);
    ASSERT_EQ(fromMemory.LoadPicture(bytes.data(), bytes.size()), 1);
    HGLOBAL g = GlobalAlloc(GMEM_FIXED, bytes.size());
    std::memcpy(GlobalLock(g), bytes.data(), bytes.size());
    GlobalUnlock(g);
    ASSERT_EQ(fromGlobal.LoadPictureFromGlobal(g), 1);
    GlobalFree(g);
    for (HDib* dib : {&fromPath, &fromMemory, &fromGlobal}) {
        ASSERT_EQ(dib->GetBitCount(), 24);
        ASSERT_EQ(dib->GetWidth(), 9);
        ASSERT_EQ(dib->GetHeight(), 5);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 9; ++x) {
                const BYTE* w = &want[static_cast<size_t>(y * 9 + x) * 3];
                ASSERT_EQ(Pixel(*dib, x, y), RGB(w[0], w[1], w[2])) << x << "," << y;
            }
    }
    // A top-down BMP is not LoadBmp's but the picture loader's.
    std::string topDown = BmpBytes(2, 2, 24, BI_RGB, {}, {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 0, 0, 0, 0, 0});
    topDown[22] = static_cast<char>(0xFE), topDown[23] = topDown[24] = topDown[25] = static_cast<char>(0xFF);
    HDib td;
    EXPECT_EQ(td.LoadBmp(topDown.data(), topDown.size()), 0);
    ASSERT_EQ(td.LoadPicture(topDown.data(), topDown.size()), 1);
    EXPECT_EQ(Pixel(td, 0, 0), RGB(255, 0, 0));  // the first row in the file is the top one
    EXPECT_EQ(Pixel(td, 1, 0), RGB(0, 255, 0));
    EXPECT_EQ(Pixel(td, 0, 1), RGB(0, 0, 255));
    const char junk[] = "not a picture at all";
    EXPECT_EQ(td.LoadPicture(junk, sizeof junk), 0);
    EXPECT_TRUE(td.IsEmpty());
    EXPECT_EQ(td.LoadPicture(L"/nonexistent/x.png"), 0);
}

}  // namespace
