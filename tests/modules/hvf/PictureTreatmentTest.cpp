// The picture treatments through a real graph: each one against the same
// filter of the ffmpeg command line applied to the same decoded pictures,
// the output geometry of the fitting modes, deinterlacing of an interlaced
// source and frame-rate changes.
#include <functional>

#include "tests/modules/hvf/TreatmentGraph.h"

namespace {

struct TreatmentCase {
    const char* name;
    std::function<void(IVideoFilterControl*)> set;
    std::string vf;  // the ffmpeg filters that do the same
    int width = 320;
    int height = 240;
};

void Size(IVideoFilterControl* v, int w, int h)
{
    EXPECT_EQ(v->SetVideoResizeA(1), S_OK);
    EXPECT_EQ(v->SetVideoResizeB(2), S_OK);
    EXPECT_EQ(v->SetVideoResizeC(1), S_OK);
    EXPECT_EQ(v->SetVideoSize(w, h), S_OK);
}

const std::vector<TreatmentCase>& Cases()
{
    static const std::vector<TreatmentCase> cases = {
        {"untouched", [](IVideoFilterControl*) {}, ""},
        {"neutral values change nothing",
         [](IVideoFilterControl* v) {
             v->SetVideoBrightness(50);
             v->SetVideoContrast(50);
             v->SetVideoSaturation(50);
             v->SetVideoHue(50);
             v->SetVideoDeinterlace(2);
             v->SetVideoFlip(0);
         },
         ""},
        {"brightness, contrast, saturation",
         [](IVideoFilterControl* v) {
             v->SetVideoBrightness(70);
             v->SetVideoContrast(60);
             v->SetVideoSaturation(25);
         },
         "eq=brightness=0.2:contrast=1.2:saturation=0.5"},
        {"darker and flatter",
         [](IVideoFilterControl* v) {
             v->SetVideoBrightness(30);
             v->SetVideoContrast(40);
         },
         "eq=brightness=-0.2:contrast=0.8"},
        {"hue", [](IVideoFilterControl* v) { v->SetVideoHue(75); }, "hue=h=90"},
        {"strong deblocking",
         [](IVideoFilterControl* v) {
             v->SetVideoDeblockMode(0, 0);
             v->SetVideoDeblockStrength(20);
         },
         "deblock=filter=strong:block=8:alpha=0.196:beta=0.1:gamma=0.1:delta=0.1"},
        {"strong blur",
         [](IVideoFilterControl* v) {
             v->SetVideoBlurEnabled(1);
             v->SetVideoBlurStrength(100);
         },
         "gblur=sigma=1.5625"},
        {"sharpening",
         [](IVideoFilterControl* v) {
             v->SetVideoSharpenEnabled(1);
             v->SetVideoSharpenStrength(64);
         },
         "unsharp=5:5:1:5:5:0"},
        {"flip", [](IVideoFilterControl* v) { v->SetVideoFlip(1); }, "vflip"},
        {"stretched to 640x360", [](IVideoFilterControl* v) { Size(v, 640, 360); }, "scale=640:360:flags=bicubic", 640,
         360},
        {"padded into 640x360",
         [](IVideoFilterControl* v) {
             Size(v, 640, 360);
             v->SetVideoAspectMode(1);
             v->SetVideoAspectRatio(640.0 / 360);
         },
         "scale=480:360:flags=bicubic,pad=640:360:80:0", 640, 360},
        {"cropped into 640x360",
         [](IVideoFilterControl* v) {
             Size(v, 640, 360);
             v->SetVideoAspectMode(2);
             v->SetVideoAspectRatio(640.0 / 360);
         },
         "crop=320:180:0:30,scale=640:360:flags=bicubic", 640, 360},
        {"automatic into 320x256 crops",
         [](IVideoFilterControl* v) {
             Size(v, 320, 256);
             v->SetVideoAspectMode(4);
             v->SetVideoAspectRatio(320.0 / 256);
         },
         "crop=300:240:10:0,scale=320:256:flags=bicubic", 320, 256},
        {"everything the program passes",
         [](IVideoFilterControl* v) {
             v->SetVideoPresetC(0);
             v->SetVideoPresetA(1);
             v->SetVideoPresetB(3);
             Size(v, 640, 360);
             v->SetVideoAspectMode(4);
             v->SetVideoAspectRatio(640.0 / 360);
             v->SetVideoBrightness(55);
             v->SetVideoContrast(50);
             v->SetVideoSaturation(50);
             v->SetVideoHue(50);
             v->SetVideoSharpenEnabled(1);
             v->SetVideoSharpenStrength(64);
             v->SetVideoFlip(0);
             v->SetVideoDeinterlace(2);
         },
         "scale=480:360:flags=bicubic,eq=brightness=0.05,unsharp=5:5:1:5:5:0,pad=640:360:80:0", 640, 360},
    };
    return cases;
}

void PrintTo(const TreatmentCase& c, std::ostream* os) { *os << c.name; }

class PictureTreatmentTest : public TreatmentGraphTest, public ::testing::WithParamInterface<TreatmentCase> {};

TEST_P(PictureTreatmentTest, MatchesTheSameFilterOfTheCommandLine)
{
    const TreatmentCase& c = GetParam();
    // A blocky, moving picture, so that every treatment has work to do.
    std::string path =
        MakeSource("source.avi", "-f lavfi -i testsrc2=size=320x240:rate=25:duration=0.6 -c:v mpeg4 -q:v 12");
    c.set(video.Get());
    Open(path, CLSID_AviSplitter);
    // The decoder's own padded layout reached the filter: its buffer is
    // wider than the picture, which rcSource gives.
    AM_MEDIA_TYPE input{};
    ASSERT_EQ(FirstPin(filterObject.Get(), PINDIR_INPUT)->ConnectionMediaType(&input), S_OK);
    ASSERT_NE(BitmapHeaderOf(input), nullptr);
    EXPECT_GT(BitmapHeaderOf(input)->biWidth, 320);
    EXPECT_EQ(reinterpret_cast<const VIDEOINFOHEADER*>(input.pbFormat)->rcSource.right, 320);
    FreeMediaType(input);
    int width = 0, height = 0;
    OutputSize(&width, &height);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    std::vector<Picture> ours = RunToEnd();
    std::vector<std::string> theirs = FfmpegPictures(path, c.vf, c.width, c.height);
    ASSERT_EQ(ours.size(), theirs.size());
    ASSERT_EQ(ours.size(), 15u);
    for (size_t i = 0; i < ours.size(); ++i) {
        SCOPED_TRACE("picture " + std::to_string(i));
        EXPECT_EQ(ours[i].start, static_cast<REFERENCE_TIME>(i) * 400000);
        EXPECT_EQ(ours[i].stop, static_cast<REFERENCE_TIME>(i + 1) * 400000);
        EXPECT_GT(Psnr(ours[i].data, theirs[i]), 40.0);
    }
    if (!c.vf.empty() && c.width == 320 && c.height == 240) {
        // The treatment really changed the pictures (deblocking only
        // touches the blocks' edges).
        std::vector<std::string> untreated = FfmpegPictures(path, "", 320, 240);
        ASSERT_EQ(untreated.size(), ours.size());
        EXPECT_LT(Psnr(ours[7].data, untreated[7]), 60.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Treatments, PictureTreatmentTest, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TreatmentCase>& i) {
                             std::string name;
                             for (const char* p = i.param.name; *p; ++p)
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

}  // namespace
