// The values of the video treatment filter's control interface: each setter
// takes its range and refuses what lies outside it (keeping the value it
// had), and the picture generation moves only when a value that decides
// the picture chain really changes.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "modules/hvf/VideoFilterSettings.h"

namespace {

struct SetterCase {
    const char* name;
    std::function<HRESULT(VideoFilterSettings&)> set;
    HRESULT expected;
    // What the picture settings hold afterwards (checked on a copy of the
    // defaults changed the same way).
    std::function<void(PictureSettings&)> effect;
};

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

std::vector<SetterCase> Cases()
{
    auto none = [](PictureSettings&) {};
    return {
        {"threads 0", [](auto& s) { return s.SetThreads(0); }, S_OK, none},
        {"threads 8", [](auto& s) { return s.SetThreads(8); }, S_OK, [](auto& p) { p.threads = 8; }},
        {"threads -1", [](auto& s) { return s.SetThreads(-1); }, E_INVALIDARG, none},
        {"format RGB32", [](auto& s) { return s.SetOutputFormat(2); }, S_OK, [](auto& p) { p.outputFormat = 2; }},
        {"format 3", [](auto& s) { return s.SetOutputFormat(3); }, E_INVALIDARG, none},
        {"format 0", [](auto& s) { return s.SetOutputFormat(0); }, E_INVALIDARG, none},
        {"deinterlace method 1", [](auto& s) { return s.SetDeinterlaceMethod(1); }, S_OK,
         [](auto& p) { p.deinterlaceMethod = 1; }},
        {"deinterlace method 4", [](auto& s) { return s.SetDeinterlaceMethod(4); }, E_INVALIDARG, none},
        {"deinterlace on", [](auto& s) { return s.SetDeinterlace(1); }, S_OK, [](auto& p) { p.deinterlace = true; }},
        {"deinterlace 2 is off", [](auto& s) { return s.SetDeinterlace(2); }, S_OK, none},
        {"deinterlace 3", [](auto& s) { return s.SetDeinterlace(3); }, E_INVALIDARG, none},
        {"frame rate 29.97", [](auto& s) { return s.SetFrameRate(30000.0 / 1001); }, S_OK,
         [](auto& p) { p.frameRate = 30000.0 / 1001; }},
        {"frame rate 0", [](auto& s) { return s.SetFrameRate(0); }, E_INVALIDARG, none},
        {"frame rate -5", [](auto& s) { return s.SetFrameRate(-5); }, E_INVALIDARG, none},
        {"frame rate NaN", [](auto& s) { return s.SetFrameRate(kNaN); }, E_INVALIDARG, none},
        {"frame rate infinite", [](auto& s) { return s.SetFrameRate(kInf); }, E_INVALIDARG, none},
        {"resize on", [](auto& s) { return s.SetResize(1); }, S_OK, [](auto& p) { p.resize = true; }},
        {"resize 2", [](auto& s) { return s.SetResize(2); }, E_INVALIDARG, none},
        {"scale Lanczos", [](auto& s) { return s.SetScaleMethod(3); }, S_OK, [](auto& p) { p.scaleMethod = 3; }},
        {"scale 4", [](auto& s) { return s.SetScaleMethod(4); }, E_INVALIDARG, none},
        {"size 640x360", [](auto& s) { return s.SetSize(640, 360); }, S_OK,
         [](auto& p) {
             p.width = 640;
             p.height = 360;
         }},
        {"size odd while rounding", [](auto& s) { return s.SetSize(641, 361); }, S_OK,
         [](auto& p) {
             p.width = 641;
             p.height = 361;
         }},
        {"size 15 wide", [](auto& s) { return s.SetSize(15, 100); }, E_INVALIDARG, none},
        {"size 8193 high", [](auto& s) { return s.SetSize(100, 8193); }, E_INVALIDARG, none},
        {"size negative", [](auto& s) { return s.SetSize(-640, 360); }, E_INVALIDARG, none},
        {"aspect pad", [](auto& s) { return s.SetAspectMode(1); }, S_OK, [](auto& p) { p.aspectMode = 1; }},
        {"aspect crop", [](auto& s) { return s.SetAspectMode(2); }, S_OK, [](auto& p) { p.aspectMode = 2; }},
        {"aspect auto", [](auto& s) { return s.SetAspectMode(4); }, S_OK, [](auto& p) { p.aspectMode = 4; }},
        {"aspect 3", [](auto& s) { return s.SetAspectMode(3); }, E_INVALIDARG, none},
        {"ratio 16:9", [](auto& s) { return s.SetAspectRatio(16.0 / 9); }, S_OK,
         [](auto& p) { p.aspectRatio = 16.0 / 9; }},
        {"ratio 0", [](auto& s) { return s.SetAspectRatio(0); }, E_INVALIDARG, none},
        {"ratio NaN", [](auto& s) { return s.SetAspectRatio(kNaN); }, E_INVALIDARG, none},
        {"brightness 0", [](auto& s) { return s.SetBrightness(0); }, S_OK, [](auto& p) { p.brightness = 0; }},
        {"brightness 101", [](auto& s) { return s.SetBrightness(101); }, E_INVALIDARG, none},
        {"contrast 100", [](auto& s) { return s.SetContrast(100); }, S_OK, [](auto& p) { p.contrast = 100; }},
        {"contrast -1", [](auto& s) { return s.SetContrast(-1); }, E_INVALIDARG, none},
        {"saturation 70", [](auto& s) { return s.SetSaturation(70); }, S_OK, [](auto& p) { p.saturation = 70; }},
        {"hue 25", [](auto& s) { return s.SetHue(25); }, S_OK, [](auto& p) { p.hue = 25; }},
        {"hue 200", [](auto& s) { return s.SetHue(200); }, E_INVALIDARG, none},
        {"deblock mode 0 0", [](auto& s) { return s.SetDeblockMode(0, 0); }, S_OK, none},
        {"deblock mode 1 0", [](auto& s) { return s.SetDeblockMode(1, 0); }, E_INVALIDARG, none},
        {"deblock mode 0 1", [](auto& s) { return s.SetDeblockMode(0, 1); }, E_INVALIDARG, none},
        {"deblock strength 20", [](auto& s) { return s.SetDeblockStrength(20); }, S_OK,
         [](auto& p) { p.deblockStrength = 20; }},
        {"deblock strength 101", [](auto& s) { return s.SetDeblockStrength(101); }, E_INVALIDARG, none},
        {"blur on", [](auto& s) { return s.SetBlurEnabled(1); }, S_OK, [](auto& p) { p.blur = true; }},
        {"blur 5", [](auto& s) { return s.SetBlurEnabled(5); }, E_INVALIDARG, none},
        {"blur strength 100", [](auto& s) { return s.SetBlurStrength(100); }, S_OK,
         [](auto& p) { p.blurStrength = 100; }},
        {"sharpen on", [](auto& s) { return s.SetSharpenEnabled(1); }, S_OK, [](auto& p) { p.sharpen = true; }},
        {"sharpen strength -3", [](auto& s) { return s.SetSharpenStrength(-3); }, E_INVALIDARG, none},
        {"flip any non-zero", [](auto& s) { return s.SetFlip(7); }, S_OK, [](auto& p) { p.flip = true; }},
    };
}

TEST(VideoFilterSettingsTest, EachSetterTakesItsRangeAndRefusesTheRest)
{
    for (const SetterCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        VideoFilterSettings settings;
        uint64_t before = settings.PictureGeneration();
        EXPECT_EQ(c.set(settings), c.expected);
        PictureSettings expected;
        c.effect(expected);
        EXPECT_TRUE(settings.Picture() == expected);
        // The generation moves exactly when the picture settings changed.
        EXPECT_EQ(settings.PictureGeneration() != before, !(expected == PictureSettings{}));
    }
}

TEST(VideoFilterSettingsTest, OddSizesNeedRounding)
{
    VideoFilterSettings s;
    ASSERT_EQ(s.SetRounding(0), S_OK);
    EXPECT_EQ(s.SetSize(641, 360), E_INVALIDARG);
    EXPECT_EQ(s.SetSize(640, 360), S_OK);
    ASSERT_EQ(s.SetRounding(1), S_OK);
    ASSERT_EQ(s.SetSize(641, 361), S_OK);
    // Rounding cannot be turned off while an odd size is set.
    EXPECT_EQ(s.SetRounding(0), E_INVALIDARG);
    EXPECT_TRUE(s.Picture().roundToEven);
    EXPECT_EQ(s.SetRounding(2), E_INVALIDARG);
}

TEST(VideoFilterSettingsTest, SettingTheSameValueAgainKeepsTheGeneration)
{
    VideoFilterSettings s;
    ASSERT_EQ(s.SetSize(320, 240), S_OK);
    ASSERT_EQ(s.SetBrightness(60), S_OK);
    uint64_t g = s.PictureGeneration();
    EXPECT_EQ(s.SetSize(320, 240), S_OK);
    EXPECT_EQ(s.SetBrightness(60), S_OK);
    EXPECT_EQ(s.SetDeblockMode(0, 0), S_OK);
    EXPECT_EQ(s.PictureGeneration(), g);
    // Overlay values move only the overall generation.
    uint64_t all = s.Generation();
    EXPECT_EQ(s.SetSubtitlePosY(80), S_OK);
    EXPECT_EQ(s.PictureGeneration(), g);
    EXPECT_GT(s.Generation(), all);
}

TEST(VideoFilterSettingsTest, SubtitleValuesAndStyle)
{
    VideoFilterSettings s;
    SubtitleSettings defaults = s.Snapshot().subtitles;
    EXPECT_TRUE(defaults.enabled);
    EXPECT_EQ(defaults.posX, 50);
    EXPECT_EQ(defaults.posY, 90);
    EXPECT_EQ(defaults.style.fontSize, 26);
    EXPECT_EQ(std::u16string(defaults.style.faceName), u"arial");

    struct {
        const char* name;
        HRESULT (VideoFilterSettings::*set)(int);
        int value;
        HRESULT expected;
    } cases[] = {
        {"pos x 0", &VideoFilterSettings::SetSubtitlePosX, 0, S_OK},
        {"pos x 101", &VideoFilterSettings::SetSubtitlePosX, 101, E_INVALIDARG},
        {"pos y -1", &VideoFilterSettings::SetSubtitlePosY, -1, E_INVALIDARG},
        {"margin x 100", &VideoFilterSettings::SetSubtitleMarginX, 100, S_OK},
        {"margin y 101", &VideoFilterSettings::SetSubtitleMarginY, 101, E_INVALIDARG},
        {"char space -30", &VideoFilterSettings::SetSubtitleCharSpace, -30, S_OK},
        {"char space 31", &VideoFilterSettings::SetSubtitleCharSpace, 31, E_INVALIDARG},
        {"line space 30", &VideoFilterSettings::SetSubtitleLineSpace, 30, S_OK},
        {"line space -31", &VideoFilterSettings::SetSubtitleLineSpace, -31, E_INVALIDARG},
        {"enabled 0", &VideoFilterSettings::SetSubtitleEnabled, 0, S_OK},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ((s.*c.set)(c.value), c.expected);
    }
    SubtitleSettings after = s.Snapshot().subtitles;
    EXPECT_EQ(after.posX, 0);
    EXPECT_EQ(after.posY, 90);
    EXPECT_EQ(after.marginX, 100);
    EXPECT_EQ(after.marginY, 2);
    EXPECT_EQ(after.charSpace, -30);
    EXPECT_EQ(after.lineSpace, 30);
    EXPECT_FALSE(after.enabled);

    EXPECT_EQ(s.SetSubtitleStyle(nullptr), E_POINTER);
    SubtitleStyleRecord style{};
    InitSubtitleStyle(&style);
    style.fontSize = 40;
    style.bodyColor = 0x0000FF;
    ASSERT_EQ(s.SetSubtitleStyle(&style), S_OK);
    style.fontSize = 10;  // the filter keeps its own copy
    EXPECT_EQ(s.Snapshot().subtitles.style.fontSize, 40);
    EXPECT_EQ(s.Snapshot().subtitles.style.bodyColor, 0x0000FFu);
}

}  // namespace
