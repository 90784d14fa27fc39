// Decoding sub-picture units and drawing them onto a frame surface.
#include <gtest/gtest.h>

#include "VobSubTestUtil.h"

namespace {

POSITION Pos(int n) { return reinterpret_cast<POSITION>(static_cast<uintptr_t>(n)); }

DWORD kPalette[16];
const DWORD kNoCustom[4] = {};

void LoadPalette()
{
    for (int i = 0; i < 16; ++i) kPalette[i] = kTestPalette[i];
}

// The colour a pixel value gets from the unit's colour commands.
uint32_t Expected(const SpuUnit& u, int value)
{
    const uint32_t index = (u.paletteIndices >> (4 * value)) & 0xF;
    const uint32_t contrast = (u.contrasts >> (4 * value)) & 0xF;
    return ((contrast * 17) << 24) | kTestPalette[index];
}

bool DecodeUnit(CVobSubImage& image, const std::string& unit, bool trim = false)
{
    const auto* bytes = reinterpret_cast<const BYTE*>(unit.data());
    const int control = (bytes[2] << 8) | bytes[3];
    return image.Decode(bytes, static_cast<int>(unit.size()), control, false, kPalette, kNoCustom, trim);
}

// A picture with every pixel value: a frame of 1, boxes of 2 and 3, runs
// longer than one code can hold, and single pixels.
SpuPicture Mixed(int w, int h)
{
    SpuPicture p(w, h, 0);
    p.Box(0, 0, w, 1, 1);
    p.Box(0, h - 1, w, 1, 1);
    p.Box(3, 2, w / 2, h / 3, 2);
    p.Box(w / 2, h / 2, w / 2 - 1, h / 2 - 1, 3);
    for (int y = 1; y < h; y += 3) p.At((y * 7) % w, y) = 1;
    return p;
}

TEST(VobSubImage, DecodesKnownPictures)
{
    LoadPalette();
    const struct {
        const char* name;
        int w, h;
        bool fill;
        uint16_t indices, contrasts;
    } rows[] = {
        {"even height, runs to the edge", 64, 20, false, 0x0123, 0xFFF0},
        {"odd height, fill codes", 37, 7, true, 0x4A15, 0xF84F},
        {"runs beyond 255 pixels", 600, 5, false, 0x7654, 0x8421},
        {"one pixel", 1, 1, true, 0x1111, 0xFFFF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        SpuUnit u;
        u.picture = Mixed(row.w, row.h);
        u.x = 17;
        u.y = 33;
        u.fillLineEnds = row.fill;
        u.paletteIndices = row.indices;
        u.contrasts = row.contrasts;
        u.stopDelay = 100;
        CVobSubImage image;
        ASSERT_TRUE(DecodeUnit(image, BuildSpuUnit(u)));
        EXPECT_EQ(row.w, image.Width());
        EXPECT_EQ(row.h, image.Height());
        EXPECT_EQ((RECT{17, 33, 17 + row.w, 33 + row.h}), image.m_rect);
        EXPECT_TRUE(image.m_hasStop);
        EXPECT_EQ(100 * 1024 / 90, image.m_stopDelayMs);
        int wrong = 0;
        for (int y = 0; y < row.h; ++y)
            for (int x = 0; x < row.w; ++x)
                if (image.Pixels()[y * row.w + x] != Expected(u, u.picture.At(x, y))) ++wrong;
        EXPECT_EQ(0, wrong);
    }
}

TEST(VobSubImage, ControlCommands)
{
    LoadPalette();
    CVobSubImage image;
    SpuUnit u = PlainUnit(8, 4, 0, 0, 1, -1, true);
    ASSERT_TRUE(DecodeUnit(image, BuildSpuUnit(u)));
    EXPECT_TRUE(image.m_forced);
    EXPECT_FALSE(image.m_hasStop);
    // Indices 0x0123 and contrasts 0xFFF0: value 3 -> palette 0, opaque;
    // value 1 -> palette 2 (green), opaque; value 0 transparent.
    EXPECT_EQ(0xF0, image.m_colors[3]);
    EXPECT_EQ(0xF2, image.m_colors[1]);
    EXPECT_EQ(0x03, image.m_colors[0]);
    EXPECT_EQ(0xFF00FF00u, image.Pixels()[0]);

    // Without colour commands every pixel value is transparent.
    u.withColours = false;
    ASSERT_TRUE(DecodeUnit(image, BuildSpuUnit(u)));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(0, image.m_colors[i]) << i;
    EXPECT_EQ(0u, image.Pixels()[0] >> 24);

    // Custom colours replace the palette and contrasts.
    const DWORD custom[4] = {0x00000000, 0xFF102030, 0x80405060, 0xFF708090};
    const std::string unit = BuildSpuUnit(PlainUnit(8, 4, 0, 0, 2));
    const auto* bytes = reinterpret_cast<const BYTE*>(unit.data());
    ASSERT_TRUE(
        image.Decode(bytes, static_cast<int>(unit.size()), (bytes[2] << 8) | bytes[3], true, kPalette, custom, false));
    EXPECT_EQ(0x80405060u, image.Pixels()[0]);
}

TEST(VobSubImage, TrimKeepsATransparentBorder)
{
    LoadPalette();
    SpuUnit u;
    u.picture = SpuPicture(50, 30, 0);
    u.picture.Box(10, 5, 20, 8, 1);
    u.x = 100;
    u.y = 200;
    CVobSubImage image;
    ASSERT_TRUE(DecodeUnit(image, BuildSpuUnit(u), true));
    EXPECT_EQ((RECT{109, 204, 131, 214}), image.m_rect);
    ASSERT_EQ(22, image.Width());
    ASSERT_EQ(10, image.Height());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 22; ++x) {
            const bool border = x == 0 || y == 0 || x == 21 || y == 9;
            EXPECT_EQ(border ? 0u : Expected(u, 1), image.Pixels()[y * 22 + x]) << x << "," << y;
        }

    // A picture without a visible pixel keeps its whole rectangle.
    u.picture = SpuPicture(50, 30, 0);
    ASSERT_TRUE(DecodeUnit(image, BuildSpuUnit(u), true));
    EXPECT_EQ((RECT{100, 200, 150, 230}), image.m_rect);
    EXPECT_EQ(50, image.Width());
}

// Units whose structures do not fit give no picture and touch nothing
// outside the unit.
TEST(VobSubImage, DamagedUnits)
{
    LoadPalette();
    const std::string good = BuildSpuUnit(PlainUnit(40, 10, 5, 5, 1, 90));
    const int control = (static_cast<BYTE>(good[2]) << 8) | static_cast<BYTE>(good[3]);
    // Byte offsets of the commands in the first control sequence.
    const size_t rect = good.find(std::string("\x05", 1), control + 4 + 7);
    const size_t fields = good.find(std::string("\x06\x00\x04", 3), control);
    ASSERT_NE(std::string::npos, rect);
    ASSERT_NE(std::string::npos, fields);

    auto with = [&](size_t at, std::initializer_list<int> bytes) {
        std::string s = good;
        for (int b : bytes) s[at++] = static_cast<char>(b);
        return s;
    };
    const struct {
        const char* name;
        std::string unit;
        int control;
    } rows[] = {
        {"control offset before the unit's own header", good, 3},
        {"control offset at the end", good, static_cast<int>(good.size()) - 3},
        {"control offset beyond the unit", good, 70000},
        {"right before left", with(rect + 1, {0x00, 0x50, 0x00}), control},
        {"bottom before top", with(rect + 4, {0x00, 0x50, 0x00}), control},
        {"top field beyond the control sequence", with(fields + 1, {0x7F, 0x00}), control},
        {"bottom field beyond the unit", with(fields + 3, {0xFF, 0xFF}), control},
        {"no field offsets", with(fields, {0xFF}), control},
        {"field offsets inside the unit's header", with(fields + 1, {0x00, 0x01, 0x00, 0x02}), control},
    };
    CVobSubImage image;
    for (const auto& row : rows) {
        const auto* bytes = reinterpret_cast<const BYTE*>(row.unit.data());
        EXPECT_FALSE(
            image.Decode(bytes, static_cast<int>(row.unit.size()), row.control, false, kPalette, kNoCustom, true))
            << row.name;
        EXPECT_EQ(nullptr, image.Pixels()) << row.name;
    }
    // Every cut of a good unit, and every single damaged byte, decodes
    // without reading past the unit (the sanitizer watches the copies).
    for (size_t n = 0; n <= good.size(); ++n) {
        std::vector<BYTE> cut(good.begin(), good.begin() + static_cast<long>(n));
        image.Decode(cut.data(), static_cast<int>(cut.size()), control, false, kPalette, kNoCustom, true);
    }
    for (size_t i = 0; i < good.size(); ++i)
        for (int v : {0x00, 0x01, 0x7F, 0xFF}) {
            std::vector<BYTE> bad(good.begin(), good.end());
            bad[i] = static_cast<BYTE>(v);
            image.Decode(bad.data(), static_cast<int>(bad.size()), control, false, kPalette, kNoCustom, true);
        }
}

TEST(VobSubImage, FieldsThatEndEarlyCutThePicture)
{
    LoadPalette();
    // Lines of a 10-wide picture of value 1: each line is one code (two
    // nibbles: run 10) = one byte. Both fields hold two lines, the picture
    // claims ten.
    std::string unit = std::string("\x00\x00\x00\x08", 4) + "\x29\x29" + "\x29\x29";
    const int control = static_cast<int>(unit.size());
    unit += std::string("\x00\x00", 2) + static_cast<char>(0) + static_cast<char>(control);
    unit += std::string("\x01\x03\x00\x20\x04\x00\xF0", 7);
    unit += std::string("\x05\x00\x00\x09\x00\x00\x09", 7);
    unit += std::string("\x06\x00\x04\x00\x06\xFF", 6);
    unit[1] = static_cast<char>(unit.size());
    unit[3] = static_cast<char>(control);
    CVobSubImage image;
    const auto* bytes = reinterpret_cast<const BYTE*>(unit.data());
    ASSERT_TRUE(image.Decode(bytes, static_cast<int>(unit.size()), control, false, kPalette, kNoCustom, false));
    EXPECT_EQ(4, image.Height());
    EXPECT_EQ(4, image.m_rect.bottom);
}

TEST(VobSubImage, ControlSequencesThatLoopOrRunOut)
{
    LoadPalette();
    const std::string good = BuildSpuUnit(PlainUnit(16, 4, 0, 0, 1, 90));
    const int control = (static_cast<BYTE>(good[2]) << 8) | static_cast<BYTE>(good[3]);
    CVobSubImage image;
    // The first sequence points back before itself: parsing stops at once.
    std::string backwards = good;
    backwards[control + 2] = 0;
    backwards[control + 3] = 2;
    image.ParseControl(reinterpret_cast<const BYTE*>(backwards.data()), static_cast<int>(backwards.size()), control);
    EXPECT_FALSE(image.m_hasStop);
    EXPECT_EQ((RECT{}), image.m_rect);
    // The stop sequence points at the first one again: no endless loop.
    std::string loop = good;
    loop[loop.size() - 4] = static_cast<char>(control >> 8);
    loop[loop.size() - 3] = static_cast<char>(control & 0xFF);
    image.ParseControl(reinterpret_cast<const BYTE*>(loop.data()), static_cast<int>(loop.size()), control);
    EXPECT_TRUE(image.m_hasStop);
    // A rectangle command cut by the end of the unit ends the sequence.
    const size_t rect = good.find(std::string("\x05", 1), control + 4 + 7);
    image.ParseControl(reinterpret_cast<const BYTE*>(good.data()), static_cast<int>(rect + 4), control);
    EXPECT_EQ((RECT{}), image.m_rect);
}

// ---- Drawing -------------------------------------------------------------------------------

struct RenderCase {
    std::vector<std::string> settings;
    SpuUnit unit;
    int targetWidth = 720;
    int targetHeight = 480;
};

ComPtr<CVobSubFile> OpenOne(TempDir& dir, const RenderCase& c)
{
    TestSet set;
    set.extraSettings = c.settings;
    set.Add(0, "en", 1000, c.unit);
    return OpenVobSub(set.Write(dir));
}

TEST(VobSubRender, Targets)
{
    TempDir dir;
    RenderCase c;
    c.unit = PlainUnit(40, 20, 100, 50, 1);
    auto file = OpenOne(dir, c);
    ASSERT_TRUE(file);
    TestSurface target(720, 480);
    RECT drawn{1, 2, 3, 4};
    EXPECT_EQ(S_FALSE, file->GetPicture(Pos(0), &target.surface, &drawn));
    EXPECT_EQ((RECT{}), drawn);
    EXPECT_EQ(E_INVALIDARG, file->GetPicture(Pos(2), &target.surface, &drawn));
    EXPECT_EQ(E_POINTER, file->GetPicture(Pos(1), &target.surface, nullptr));
    EXPECT_EQ(E_FAIL, file->GetPicture(Pos(1), nullptr, &drawn));
    SubPicSurface rgb24 = target.surface;
    rgb24.bitsPerPixel = 24;
    EXPECT_EQ(E_FAIL, file->GetPicture(Pos(1), &rgb24, &drawn));
    ASSERT_EQ(S_OK, file->GetPicture(Pos(1), &target.surface, &drawn));
    // The trimmed picture with its border, where the unit put it.
    EXPECT_EQ((RECT{99, 49, 141, 71}), drawn);
    // Rows run bottom-up: the picture's top row is near the end of memory.
    // Opaque green: alpha byte 0, the colour scaled by 255/256.
    EXPECT_EQ(0x0000FE00u, target.At(120, 60));
    EXPECT_EQ(0x0000FE00u, target.pixels[static_cast<size_t>(480 - 1 - 60) * 720 + 120]);
    EXPECT_EQ(0xFF000000u, target.At(120, 45));
}

TEST(VobSubRender, FrameSizedPicturesAreNotDrawn)
{
    TempDir dir;
    RenderCase c;
    c.unit = PlainUnit(720, 480, 0, 0, 1);
    auto file = OpenOne(dir, c);
    ASSERT_TRUE(file);
    TestSurface target(720, 480);
    RECT drawn;
    EXPECT_EQ(E_FAIL, file->GetPicture(Pos(1), &target.surface, &drawn));
    EXPECT_EQ(0xFF000000u, target.At(100, 100));
}

TEST(VobSubRender, Placement)
{
    const struct {
        const char* name;
        std::vector<std::string> settings;
        int targetWidth, targetHeight;
        RECT expected;
    } rows[] = {
        // The trimmed picture is 42 x 22 at (99, 49).
        {"as placed", {}, 720, 480, {99, 49, 141, 71}},
        {"origin added", {"org: 10, -20"}, 720, 480, {109, 29, 151, 51}},
        {"half-sized target", {}, 360, 240, {50, 25, 71, 36}},
        {"scaled picture", {"scale: 200%, 50%"}, 720, 480, {198, 25, 282, 36}},
        {"centred on the origin", {"align: ON at CENTER BOTTOM", "org: 360, 400"}, 720, 480, {339, 378, 381, 400}},
        {"left and top on the origin", {"align: ON at LEFT TOP", "org: 5, 6"}, 720, 480, {5, 6, 47, 28}},
        {"right of the origin", {"align: ON at RIGHT CENTER", "org: 700, 240"}, 720, 480, {658, 229, 700, 251}},
        {"clipped at the left and top", {"org: -120, -60"}, 720, 480, {0, 0, 21, 11}},
        {"clipped at the right", {"org: 600, 0"}, 720, 480, {699, 49, 720, 71}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        RenderCase c;
        c.settings = row.settings;
        c.unit = PlainUnit(40, 20, 100, 50, 1);
        auto file = OpenOne(dir, c);
        ASSERT_TRUE(file);
        TestSurface target(row.targetWidth, row.targetHeight);
        RECT drawn;
        ASSERT_EQ(S_OK, file->GetPicture(Pos(1), &target.surface, &drawn));
        EXPECT_EQ(row.expected, drawn);
        // Inside the drawn rectangle, away from the transparent border, the
        // picture is opaque green.
        const int cx = (drawn.left + drawn.right) / 2;
        const int cy = (drawn.top + drawn.bottom) / 2;
        EXPECT_EQ(0x0000FE00u, target.At(cx, cy));
    }
    // Entirely outside the target: nothing is drawn.
    TempDir dir;
    RenderCase c;
    c.settings = {"org: 2000, 0"};
    c.unit = PlainUnit(40, 20, 100, 50, 1);
    auto file = OpenOne(dir, c);
    ASSERT_TRUE(file);
    TestSurface target(720, 480);
    RECT drawn;
    EXPECT_EQ(E_FAIL, file->GetPicture(Pos(1), &target.surface, &drawn));
}

// Half-transparent colours come out multiplied by their alpha once: the
// surface holds what a straight-alpha blend over black would give.
TEST(VobSubRender, ColourIsMultipliedByAlphaOnce)
{
    const uint32_t background = 0x284878;
    for (int contrast : {15, 11, 8, 4, 1}) {
        SCOPED_TRACE(contrast);
        TempDir dir;
        RenderCase c;
        c.unit = PlainUnit(40, 20, 100, 50, 1);
        c.unit.paletteIndices = 0x0090;  // value 1 -> palette 9 (0xF0E0D0)
        c.unit.contrasts = static_cast<uint16_t>(contrast << 4);
        auto file = OpenOne(dir, c);
        ASSERT_TRUE(file);
        TestSurface target(720, 480);
        RECT drawn;
        ASSERT_EQ(S_OK, file->GetPicture(Pos(1), &target.surface, &drawn));
        const uint32_t alpha = contrast * 17;
        const uint32_t pixel = target.At(120, 60);
        EXPECT_EQ(255 - alpha, pixel >> 24);
        EXPECT_NEAR(static_cast<int>(0xF0 * alpha / 255), static_cast<int>((pixel >> 16) & 0xFF), 1);
        EXPECT_NEAR(static_cast<int>(0xD0 * alpha / 255), static_cast<int>(pixel & 0xFF), 1);
        EXPECT_LE(
            ChannelDistance(BlendStraight((alpha << 24) | 0xF0E0D0, background), BlendRendered(pixel, background)), 2);
    }
}

}  // namespace
