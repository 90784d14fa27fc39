// The logo on its own: its opacity over its time with and without fading,
// its place between the margins, and reading its picture and alpha mask
// from BMP, PNG and JPEG files made by the ffmpeg command line, with clear
// failures for files that are missing or no pictures.
#include <gtest/gtest.h>

#include <cstring>

#include "modules/hvf/LogoOverlay.h"
#include "platform/dshow/DShowTypes.h"
#include "tests/support/MediaFixtures.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;

SLogoInfo Info(REFERENCE_TIME start, REFERENCE_TIME end, bool fade, uint16_t opacity = 65535)
{
    SLogoInfo info{};
    info.start = start;
    info.end = end;
    info.fade = fade ? 1 : 0;
    info.opacity = opacity;
    return info;
}

struct OpacityCase {
    const char* name;
    SLogoInfo info;
    REFERENCE_TIME t;
    uint32_t expected;
};

TEST(LogoTest, OpacityOverTheLogosTime)
{
    const OpacityCase cases[] = {
        {"before the start", Info(kSecond, 5 * kSecond, false), kSecond - 1, 0},
        {"at the start", Info(kSecond, 5 * kSecond, false), kSecond, 65536},
        {"just before the end", Info(kSecond, 5 * kSecond, false), 5 * kSecond - 1, 65536},
        {"at the end", Info(kSecond, 5 * kSecond, false), 5 * kSecond, 0},
        {"half transparent", Info(0, kLogoToTheEnd, false, 32767), 3 * kSecond, 32767},
        {"fading in, half way", Info(kSecond, 5 * kSecond, true), kSecond + kSecond / 2, 32768},
        {"faded in", Info(kSecond, 5 * kSecond, true), 2 * kSecond, 65536},
        {"fading out, half way", Info(kSecond, 5 * kSecond, true), 4 * kSecond + kSecond / 2, 32768},
        {"short logo fades over half its time", Info(0, kSecond, true), kSecond / 4, 32768},
        {"short logo at its middle", Info(0, kSecond, true), kSecond / 2, 65536},
        {"a logo to the end only fades in", Info(0, kLogoToTheEnd, true), 1000 * kSecond, 65536},
        {"a logo to the end at a quarter second", Info(0, kLogoToTheEnd, true), kSecond / 4, 16384},
        {"half transparent, half faded", Info(0, 4 * kSecond, true, 32767), kSecond / 2, 16383},
    };
    for (const OpacityCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_NEAR(LogoOpacityAt(c.info, c.t), c.expected, 1);
    }
}

struct PlaceCase {
    int posX, posY, marginX, marginY;
    bool even;
    int x, y;
};

TEST(LogoTest, PlaceBetweenTheMargins)
{
    // A 100x50 logo on 640x360 with margins of 5 percent (32 and 18 pixels).
    const PlaceCase cases[] = {
        {100, 0, 5, 5, true, 508, 18},   {0, 100, 5, 5, true, 32, 292}, {50, 50, 5, 5, false, 270, 155},
        {50, 50, 5, 5, true, 270, 154},  {0, 0, 0, 0, true, 0, 0},      {100, 100, 0, 0, true, 540, 310},
        {150, -20, 5, 5, true, 508, 18},  // positions beyond 0..100 are taken as the nearest end
    };
    for (const PlaceCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.posX << "," << c.posY);
        SLogoInfo info{};
        info.posX = c.posX;
        info.posY = c.posY;
        info.marginX = c.marginX;
        info.marginY = c.marginY;
        LogoPlace p = LogoPlaceIn(info, 100, 50, 640, 360, c.even);
        EXPECT_EQ(p.x, c.x);
        EXPECT_EQ(p.y, c.y);
    }
}

struct LoadCase {
    const char* name;
    std::string image;  // ffmpeg arguments making the picture file, or raw bytes after "bytes:"
    std::string imageName;
    std::string mask;  // the same for the mask; empty: none
    std::string maskName;
    HRESULT expected;
    int width, height;
    // The pixel at (1, 1), 0xAARRGGBB, and how far each channel may be off.
    uint32_t pixel;
    int tolerance;
};

class LogoFileTest : public ::testing::Test {
protected:
    std::string Make(const std::string& recipe, const std::string& name)
    {
        if (recipe.empty()) return std::string();
        if (recipe.rfind("bytes:", 0) == 0) {
            WriteBytes(dir.File(name), recipe.substr(6));
            return dir.File(name);
        }
        if (recipe == "missing") return dir.File(name);
        if (recipe == "folder") {
            RunTool("mkdir -p '" + dir.File(name) + "'");
            return dir.File(name);
        }
        return MakeMedia(dir, name, recipe);
    }
    TempDir dir;
};

int Channel(uint32_t p, int shift) { return static_cast<int>((p >> shift) & 0xFF); }

TEST_F(LogoFileTest, PicturesAndMasksOfEachKind)
{
    const std::string red = "-f lavfi -i color=c=red:s=40x20 -frames:v 1";
    const LoadCase cases[] = {
        {"PNG with alpha", "-f lavfi -i color=c=red@0.5:s=40x20,format=rgba -frames:v 1", "a.png", "", "", S_OK, 40, 20,
         0x80FF0000, 2},
        {"BMP", "-f lavfi -i color=c=0x2040C0:s=30x10 -frames:v 1", "b.bmp", "", "", S_OK, 30, 10, 0xFF2040C0, 3},
        {"JPEG", "-f lavfi -i color=c=0x20C040:s=32x16 -frames:v 1 -q:v 1", "c.jpg", "", "", S_OK, 32, 16, 0xFF20C040,
         6},
        {"a grey mask gives the alpha", red + " -pix_fmt rgb24", "d.png",
         "-f lavfi -i color=c=0x404040:s=40x20 -frames:v 1 -pix_fmt gray", "m.png", S_OK, 40, 20, 0x40FF0000, 2},
        {"a mask of another size is scaled", red + " -pix_fmt rgb24", "e.png",
         "-f lavfi -i color=c=white:s=8x4 -frames:v 1", "m.bmp", S_OK, 40, 20, 0xFFFF0000, 2},
        {"a missing picture", "missing", "none.png", "", "", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), 0, 0, 0, 0},
        {"a missing mask", red, "f.png", "missing", "none.bmp", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), 0, 0, 0, 0},
        {"text that is no picture", "bytes:this is not a picture", "g.png", "", "", VFW_E_INVALID_FILE_FORMAT, 0, 0, 0,
         0},
        {"a PNG cut short", "bytes:\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0", "h.png", "", "", VFW_E_INVALID_FILE_FORMAT, 0, 0,
         0, 0},
        {"a BMP with a broken header", "bytes:BM\x10\0\0\0garbage-garbage", "i.bmp", "", "", VFW_E_INVALID_FILE_FORMAT,
         0, 0, 0, 0},
        {"a folder", "folder", "j.png", "", "", VFW_E_INVALID_FILE_FORMAT, 0, 0, 0, 0},
        {"an empty file", "bytes:", "k.png", "", "", VFW_E_INVALID_FILE_FORMAT, 0, 0, 0, 0},
    };
    for (const LoadCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string image = Make(c.image, c.imageName);
        std::string mask = Make(c.mask, c.maskName);
        std::shared_ptr<const LogoPicture> logo;
        std::string error;
        HRESULT hr = LogoPicture::Load(image, mask, &logo, &error);
        EXPECT_EQ(hr, c.expected) << error;
        if (FAILED(c.expected)) {
            EXPECT_EQ(logo, nullptr);
            // The failure names the file it is about.
            EXPECT_NE(error.find(c.mask.empty() || c.mask != "missing" ? image : mask), std::string::npos) << error;
            continue;
        }
        ASSERT_NE(logo, nullptr);
        EXPECT_EQ(logo->Width(), c.width);
        EXPECT_EQ(logo->Height(), c.height);
        uint32_t p = logo->Pixels()[static_cast<size_t>(logo->Width()) + 1];
        for (int shift = 0; shift < 32; shift += 8)
            EXPECT_NEAR(Channel(p, shift), Channel(c.pixel, shift), c.tolerance) << std::hex << p << " bits " << shift;
    }
}

// Logos of the sizes users pick, in the formats they use, against the
// ffmpeg command line's own reading of the same file. The picture is
// converted through memory that the scaler may write whole blocks past a
// row's end of, so row lengths that are no multiple of its blocks count.
TEST_F(LogoFileTest, JpegAndPngLogosOfCommonSizesReadAsTheCommandLineReadsThem)
{
    struct SizeCase {
        const char* name;
        int width, height;
        // Allowed difference per channel on average and at worst (JPEG
        // pictures are converted from their colour planes by both sides).
        double meanTolerance;
        int maxTolerance;
    };
    const SizeCase cases[] = {
        {"logo.png", 40, 20, 0, 0},  {"logo.png", 120, 60, 0, 0},  {"logo.png", 200, 80, 0, 0},
        {"logo.jpg", 40, 20, 2, 24}, {"logo.jpg", 120, 60, 2, 24}, {"logo.jpg", 200, 80, 2, 24},
    };
    for (const SizeCase& c : cases) {
        std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        SCOPED_TRACE(std::string(c.name) + " " + size);
        std::string path = MakeMedia(dir, size + "-" + c.name, "-f lavfi -i testsrc=s=" + size + " -frames:v 1 -q:v 2");
        std::string theirs =
            ReadBytes(MakeMedia(dir, size + "-" + c.name + ".bgra", "-i '" + path + "' -f rawvideo -pix_fmt bgra"));
        std::shared_ptr<const LogoPicture> logo;
        std::string error;
        ASSERT_EQ(LogoPicture::Load(path, "", &logo, &error), S_OK) << error;
        ASSERT_EQ(logo->Width(), c.width);
        ASSERT_EQ(logo->Height(), c.height);
        ASSERT_EQ(theirs.size(), logo->Pixels().size() * 4);
        // BGRA bytes are the 0xAARRGGBB words of the logo on this machine.
        const auto* ours = reinterpret_cast<const uint8_t*>(logo->Pixels().data());
        double sum = 0;
        int worst = 0;
        for (size_t i = 0; i < theirs.size(); ++i) {
            int d = std::abs(ours[i] - static_cast<uint8_t>(theirs[i]));
            sum += d;
            worst = std::max(worst, d);
        }
        EXPECT_LE(sum / static_cast<double>(theirs.size()), c.meanTolerance);
        EXPECT_LE(worst, c.maxTolerance);
    }
}

TEST_F(LogoFileTest, DrawingKeepsThePictureOutsideTheLogo)
{
    std::string path = MakeMedia(dir, "logo.png", "-f lavfi -i color=c=white:s=20x10 -frames:v 1");
    std::shared_ptr<const LogoPicture> logo;
    ASSERT_EQ(LogoPicture::Load(path, "", &logo, nullptr), S_OK);
    // A grey RGB picture, the logo against its top-left corner.
    std::vector<uint32_t> pixels(64 * 32, 0xFF808080u);
    PictureCanvas canvas;
    canvas.rgb = true;
    canvas.width = 64;
    canvas.height = 32;
    canvas.planes[0] = reinterpret_cast<uint8_t*>(pixels.data());
    canvas.lineSizes[0] = 64 * 4;
    SLogoInfo info = Info(0, kLogoToTheEnd, false);
    DrawLogo(canvas, *logo, info, kSecond);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 64; ++x) {
            uint32_t expected = x < 20 && y < 10 ? 0xFFFFFFFFu : 0xFF808080u;
            ASSERT_EQ(pixels[static_cast<size_t>(y) * 64 + x], expected) << x << "," << y;
        }
    // Before its start nothing is drawn.
    std::fill(pixels.begin(), pixels.end(), 0xFF808080u);
    info.start = 2 * kSecond;
    DrawLogo(canvas, *logo, info, kSecond);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), 0xFF808080u), 64 * 32);
}

}  // namespace
