// The logo in a running graph: its pixels inside its rectangle and the
// picture untouched outside it, before and after its time span, part-way
// through its fades, with an alpha mask and with the picture's own alpha;
// the ffmpeg command line's overlay filter as the oracle for a plain logo;
// and a logo that cannot be read, which leaves the job without one.
#include <algorithm>
#include <cstring>

#include "platform/win32/CodePage.h"
#include "tests/modules/hvf/TreatmentGraph.h"

namespace {

constexpr REFERENCE_TIME kMs = 10000;

// The record as the progress window fills it from the settings.
SLogoInfo LogoRecord(const std::string& image, const std::string& mask, int posX, int posY, int marginX, int marginY,
                     int startMs, int endMs, bool fade, int transparency)
{
    SLogoInfo info{};
    std::u16string i = WideToUtf16(Utf8ToWide(image)), m = WideToUtf16(Utf8ToWide(mask));
    std::memcpy(info.imagePath, i.c_str(), (i.size() + 1) * sizeof(char16_t));
    std::memcpy(info.alphaPath, m.c_str(), (m.size() + 1) * sizeof(char16_t));
    info.posX = posX;
    info.posY = posY;
    info.marginX = marginX;
    info.marginY = marginY;
    info.start = startMs * kMs;
    info.end = endMs == 0 ? kLogoToTheEnd : endMs * kMs;
    info.fade = fade ? 1 : 0;
    info.opacity = static_cast<uint16_t>((100 - transparency) * 655.35);
    return info;
}

// Luma of an RGB colour, as the filter converts it.
int LumaOf(uint32_t rgb)
{
    int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
    return ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
}

class LogoGraphTest : public TreatmentGraphTest {
protected:
    void SetUp() override
    {
        TreatmentGraphTest::SetUp();
        // Two seconds at ten pictures a second.
        source = MakeSource("source.avi", "-f lavfi -i testsrc2=size=320x240:rate=10:duration=2 -c:v mpeg4 -q:v 2");
        plain = FfmpegPictures(source, "", 320, 240);
        ASSERT_EQ(plain.size(), 20u);
    }

    // Runs with the logo; the pictures.
    std::vector<Picture> RunWith(const SLogoInfo& info, HRESULT expected = S_OK)
    {
        EXPECT_EQ(video->SetVideoLogo(0, &info), expected);
        Open(source, CLSID_AviSplitter);
        std::vector<Picture> pictures = RunToEnd();
        EXPECT_EQ(pictures.size(), plain.size());
        return pictures;
    }

    // Checks one picture: luma inside the rectangle blends the logo's luma
    // over the source's by the share (per column, for a mask), outside it
    // the picture is the source's to the byte.
    void Check(const Picture& picture, size_t index, int left, int top, int width, int height,
               const std::function<double(int column)>& share, int logoLuma)
    {
        SCOPED_TRACE("picture " + std::to_string(index));
        I420View ours{320, 240, &picture.data}, theirs{320, 240, &plain[index]};
        int wrongInside = 0, wrongOutside = 0;
        for (int y = 0; y < 240; ++y)
            for (int x = 0; x < 320; ++x) {
                bool inside = x >= left && x < left + width && y >= top && y < top + height;
                if (inside) {
                    double a = share(x - left);
                    double expected = theirs.Y(x, y) * (1 - a) + logoLuma * a;
                    bool wrong = std::abs(ours.Y(x, y) - expected) > 2.5;
                    if (wrong && wrongInside == 0)
                        ADD_FAILURE() << "at " << x << "," << y << ": " << int(ours.Y(x, y)) << " for " << expected
                                      << " (source " << int(theirs.Y(x, y)) << ")";
                    wrongInside += wrong;
                } else {
                    wrongOutside += ours.Y(x, y) != theirs.Y(x, y);
                }
            }
        EXPECT_EQ(wrongInside, 0);
        EXPECT_EQ(wrongOutside, 0);
        // Chroma outside the rectangle's 2x2 blocks is untouched too.
        std::string ourChroma = picture.data.substr(320 * 240), theirChroma = plain[index].substr(320 * 240);
        int changed = 0;
        for (size_t i = 0; i < ourChroma.size(); ++i) {
            int cx = static_cast<int>(i % (160 * 120)) % 160, cy = static_cast<int>(i % (160 * 120)) / 160;
            bool inside = cx * 2 + 1 >= left && cx * 2 < left + width && cy * 2 + 1 >= top && cy * 2 < top + height;
            if (!inside) changed += ourChroma[i] != theirChroma[i];
        }
        EXPECT_EQ(changed, 0);
    }

    std::string source;
    std::vector<std::string> plain;
};

TEST_F(LogoGraphTest, AnOpaqueLogoMatchesTheOverlayOfTheCommandLine)
{
    std::string logo = MakeMedia(dir, "logo.png", "-f lavfi -i color=c=red:s=40x20 -frames:v 1");
    // Top right inside margins of 5 percent: x 16 + (320 - 32 - 40), y 12.
    std::vector<Picture> ours = RunWith(LogoRecord(logo, "", 100, 0, 5, 5, 400, 1200, false, 0));
    ASSERT_EQ(ours.size(), 20u);
    std::string out = dir.File("overlay.yuv");
    int code = -1;
    std::string log = RunTool("ffmpeg -hide_banner -loglevel error -nostdin -y -i '" + source + "' -i '" + logo +
                                  "' -filter_complex \"[0:v][1:v]overlay=264:12:enable='between(t,0.4,1.19)'\" "
                                  "-fps_mode passthrough -f rawvideo -pix_fmt yuv420p '" +
                                  out + "' 2>&1",
                              &code);
    ASSERT_EQ(code, 0) << log;
    std::string theirs = ReadBytes(out);
    ASSERT_EQ(theirs.size(), 20u * 320 * 240 * 3 / 2);
    for (size_t i = 0; i < ours.size(); ++i)
        EXPECT_GT(Psnr(ours[i].data, theirs.substr(i * 320 * 240 * 3 / 2, 320 * 240 * 3 / 2)), 40.0) << i;
    // Before its start and from its end on, the pictures are the source's.
    for (size_t i : {0u, 3u, 12u, 19u}) EXPECT_EQ(ours[i].data, plain[i]) << "picture " << i;
    for (size_t i : {4u, 11u})
        Check(
            ours[i], i, 264, 12, 40, 20, [](int) { return 1.0; }, LumaOf(0xFF0000));
}

TEST_F(LogoGraphTest, ALogoIsDrawnOnACopyNeverOnTheDecodersPictures)
{
    std::string logo = MakeMedia(dir, "logo.png", "-f lavfi -i color=c=red:s=40x20 -frames:v 1");
    SLogoInfo info = LogoRecord(logo, "", 100, 0, 5, 5, 0, 0, false, 0);
    ASSERT_EQ(video->SetVideoLogo(0, &info), S_OK);
    Open(source, CLSID_AviSplitter, true);
    std::vector<Picture> ours = RunToEnd();
    ASSERT_EQ(ours.size(), 20u);
    // The decoder predicts pictures from the ones it gave out: drawing into
    // those would carry the logo into pictures where it has no place.
    std::vector<const BYTE*> decoded = inputWatch->Pointers();
    for (const SinkRecord& r : sink->Records())
        EXPECT_EQ(std::find(decoded.begin(), decoded.end(), r.pointer), decoded.end());
    for (size_t i = 0; i < ours.size(); ++i)
        Check(
            ours[i], i, 264, 12, 40, 20, [](int) { return 1.0; }, LumaOf(0xFF0000));
}

TEST_F(LogoGraphTest, OpacityFadesAndPlaces)
{
    struct FadeCase {
        const char* name;
        int posX, posY, startMs, endMs;
        bool fade;
        int transparency;
        int left, top;
        // Pictures (by index, 100 ms each) and the share of the logo in them.
        std::vector<std::pair<size_t, double>> expected;
    };
    const FadeCase cases[] = {
        {"half transparent, bottom left", 0, 100, 0, 0, false, 50, 16, 208, {{0, 1.0}, {10, 1.0}, {19, 1.0}}},
        {"fading in and out over a second each",
         50,
         50,
         0,
         2000,
         true,
         0,
         140,
         110,
         {{0, 0.0}, {3, 0.3}, {5, 0.5}, {10, 1.0}, {15, 0.5}, {18, 0.2}}},
        {"a short logo fades over half its time",
         50,
         50,
         500,
         1300,
         true,
         0,
         140,
         110,
         {{4, 0.0}, {6, 0.25}, {9, 1.0}, {11, 0.5}, {13, 0.0}}},
    };
    std::string logo = MakeMedia(dir, "logo.bmp", "-f lavfi -i color=c=white:s=40x20 -frames:v 1");
    for (const FadeCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        std::vector<Picture> ours =
            RunWith(LogoRecord(logo, "", c.posX, c.posY, 5, 5, c.startMs, c.endMs, c.fade, c.transparency));
        ASSERT_EQ(ours.size(), 20u);
        for (auto [index, share] : c.expected) {
            double s = share * (100 - c.transparency) / 100.0;
            Check(
                ours[index], index, c.left, c.top, 40, 20, [&](int) { return s; }, 235);
        }
    }
}

TEST_F(LogoGraphTest, AMaskOrThePicturesOwnAlphaGivesTheOpacity)
{
    // Left half white, right half black: the logo shows on the left only.
    std::string mask = MakeMedia(dir, "mask.png",
                                 "-f lavfi -i color=c=white:s=20x20 -f lavfi -i color=c=black:s=20x20 "
                                 "-filter_complex hstack -frames:v 1 -pix_fmt gray");
    std::string logo = MakeMedia(dir, "logo.jpg", "-f lavfi -i color=c=white:s=40x20 -frames:v 1 -q:v 1");
    std::vector<Picture> ours = RunWith(LogoRecord(logo, mask, 0, 0, 0, 0, 0, 0, false, 0));
    ASSERT_EQ(ours.size(), 20u);
    Check(
        ours[5], 5, 0, 0, 40, 20, [](int column) { return column < 20 ? 1.0 : 0.0; }, 235);

    TearDown();
    SetUp();
    // A PNG whose own alpha is a half.
    std::string alpha = MakeMedia(dir, "alpha.png", "-f lavfi -i color=c=white@0.5:s=40x20,format=rgba -frames:v 1");
    ours = RunWith(LogoRecord(alpha, "", 0, 0, 0, 0, 0, 0, false, 0));
    ASSERT_EQ(ours.size(), 20u);
    Check(
        ours[5], 5, 0, 0, 40, 20, [](int) { return 128.0 / 255; }, 235);
}

TEST_F(LogoGraphTest, ALogoThatCannotBeReadLeavesTheJobWithoutOne)
{
    struct BadCase {
        const char* name;
        std::string image, mask;
        HRESULT expected;
    };
    std::string good = MakeMedia(dir, "good.png", "-f lavfi -i color=c=red:s=40x20 -frames:v 1");
    WriteBytes(dir.File("broken.png"), std::string("\x89PNG\r\n\x1a\n", 8) + "broken");
    const BadCase cases[] = {
        {"missing picture", dir.File("missing.png"), "", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {"broken picture", dir.File("broken.png"), "", VFW_E_INVALID_FILE_FORMAT},
        {"missing mask", good, dir.File("missing-mask.png"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        // A logo that worked before is replaced by none.
        SLogoInfo ok = LogoRecord(good, "", 0, 0, 0, 0, 0, 0, false, 0);
        ASSERT_EQ(video->SetVideoLogo(0, &ok), S_OK);
        std::vector<Picture> ours = RunWith(LogoRecord(c.image, c.mask, 0, 0, 0, 0, 0, 0, false, 0), c.expected);
        EXPECT_NE(filter->LogoError().find(c.mask.empty() ? c.image : c.mask), std::string::npos)
            << filter->LogoError();
        ASSERT_EQ(ours.size(), plain.size());
        for (size_t i = 0; i < ours.size(); ++i) EXPECT_EQ(ours[i].data, plain[i]) << "picture " << i;
    }
}

TEST_F(LogoGraphTest, LogoNumbersAndRemoval)
{
    std::string logo = MakeMedia(dir, "logo.png", "-f lavfi -i color=c=red:s=40x20 -frames:v 1");
    SLogoInfo info = LogoRecord(logo, "", 0, 0, 0, 0, 0, 0, false, 0);
    EXPECT_EQ(video->SetVideoLogo(1, &info), E_INVALIDARG);
    ASSERT_EQ(video->SetVideoLogo(0, &info), S_OK);
    // An empty path, or none, takes the logo away.
    SLogoInfo empty{};
    EXPECT_EQ(video->SetVideoLogo(0, &empty), S_OK);
    Open(source, CLSID_AviSplitter);
    std::vector<Picture> ours = RunToEnd();
    ASSERT_EQ(ours.size(), plain.size());
    EXPECT_EQ(ours[5].data, plain[5]);
    // Set after the connection, the logo shows in the next run.
    ASSERT_EQ(video->SetVideoLogo(0, &info), S_OK);
    ours = RunToEnd();
    ASSERT_EQ(ours.size(), plain.size());
    Check(
        ours[5], 5, 0, 0, 40, 20, [](int) { return 1.0; }, LumaOf(0xFF0000));
    EXPECT_EQ(video->SetVideoLogo(0, nullptr), S_OK);
    ours = RunToEnd();
    EXPECT_EQ(ours[5].data, plain[5]);
}

}  // namespace
