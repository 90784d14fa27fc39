// The picture chain: the graph text each setting gives (in the documented
// order and with the documented strengths), that every such graph builds in
// the filtering library, and that pictures come out of it at the layout's
// size, in the asked format, on the same time line.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "modules/hvf/PictureChain.h"

extern "C" {
#include <libavutil/frame.h>
}

namespace {

struct ChainCase {
    const char* name;
    std::function<void(PictureSettings&)> change;
    std::string expected;
    AVPixelFormat input = AV_PIX_FMT_YUV420P;
    bool rgb = false;
};

const std::vector<ChainCase>& Cases()
{
    static const std::vector<ChainCase> cases = {
        {"nothing", [](PictureSettings&) {}, "null"},
        {"RGB output", [](PictureSettings&) {}, "format=bgra", AV_PIX_FMT_YUV420P, true},
        {"packed input", [](PictureSettings&) {}, "format=yuv420p", AV_PIX_FMT_BGR0},
        {"motion-adaptive deinterlacing", [](PictureSettings& s) { s.deinterlace = true; },
         "yadif=mode=send_frame:parity=auto:deint=all"},
        {"blending deinterlacing",
         [](PictureSettings& s) {
             s.deinterlace = true;
             s.deinterlaceMethod = kDeinterlaceBlend;
         },
         "pp=lb"},
        {"line-doubling deinterlacing",
         [](PictureSettings& s) {
             s.deinterlace = true;
             s.deinterlaceMethod = kDeinterlaceLineDouble;
         },
         "field=type=top,scale=w=320:h=240:flags=neighbor"},
        {"frame rate", [](PictureSettings& s) { s.frameRate = 30000.0 / 1001; }, "fps=fps=30000/1001"},
        {"deblocking 10", [](PictureSettings& s) { s.deblockStrength = 10; },
         "deblock=filter=strong:block=8:alpha=0.098:beta=0.05:gamma=0.05:delta=0.05"},
        {"deblocking 20", [](PictureSettings& s) { s.deblockStrength = 20; },
         "deblock=filter=strong:block=8:alpha=0.196:beta=0.1:gamma=0.1:delta=0.1"},
        {"flip", [](PictureSettings& s) { s.flip = true; }, "vflip"},
        {"size",
         [](PictureSettings& s) {
             s.resize = true;
             s.width = 640;
             s.height = 360;
         },
         "scale=w=640:h=360:flags=bicubic"},
        {"size with bars and Lanczos",
         [](PictureSettings& s) {
             s.resize = true;
             s.width = 640;
             s.height = 360;
             s.aspectMode = kAspectPad;
             s.scaleMethod = 3;
         },
         "scale=w=480:h=360:flags=lanczos,pad=w=640:h=360:x=80:y=0:color=black"},
        {"size cropped",
         [](PictureSettings& s) {
             s.resize = true;
             s.width = 640;
             s.height = 360;
             s.aspectMode = kAspectCrop;
         },
         "crop=w=320:h=180:x=0:y=30:exact=1,scale=w=640:h=360:flags=bicubic"},
        {"picture values",
         [](PictureSettings& s) {
             s.brightness = 70;
             s.contrast = 60;
             s.saturation = 25;
         },
         "eq=brightness=0.2:contrast=1.2:saturation=0.5"},
        {"hue", [](PictureSettings& s) { s.hue = 75; }, "hue=h=90"},
        {"blur 64", [](PictureSettings& s) { s.blur = true; }, "gblur=sigma=1"},
        {"blur 100",
         [](PictureSettings& s) {
             s.blur = true;
             s.blurStrength = 100;
         },
         "gblur=sigma=1.5625"},
        {"blur strength without blur", [](PictureSettings& s) { s.blurStrength = 100; }, "null"},
        {"sharpen 64", [](PictureSettings& s) { s.sharpen = true; },
         "unsharp=luma_msize_x=5:luma_msize_y=5:luma_amount=1:chroma_msize_x=5:chroma_msize_y=5:chroma_amount=0"},
        {"everything in order",
         [](PictureSettings& s) {
             s.deinterlace = true;
             s.frameRate = 10;
             s.deblockStrength = 10;
             s.flip = true;
             s.resize = true;
             s.width = 640;
             s.height = 360;
             s.aspectMode = kAspectPad;
             s.brightness = 60;
             s.hue = 40;
             s.blur = true;
             s.sharpen = true;
             s.sharpenStrength = 32;
         },
         "yadif=mode=send_frame:parity=auto:deint=all,fps=fps=10/1,"
         "deblock=filter=strong:block=8:alpha=0.098:beta=0.05:gamma=0.05:delta=0.05,vflip,"
         "scale=w=480:h=360:flags=bicubic,eq=brightness=0.1:contrast=1:saturation=1,hue=h=-36,gblur=sigma=1,"
         "unsharp=luma_msize_x=5:luma_msize_y=5:luma_amount=0.5:chroma_msize_x=5:chroma_msize_y=5:chroma_amount=0,"
         "pad=w=640:h=360:x=80:y=0:color=black",
         AV_PIX_FMT_YUV420P, false},
    };
    return cases;
}

AVFrame* GreyPicture(AVPixelFormat format, int w, int h, int64_t pts)
{
    AVFrame* f = av_frame_alloc();
    f->format = format;
    f->width = w;
    f->height = h;
    EXPECT_GE(av_frame_get_buffer(f, 0), 0);
    for (int p = 0; p < 4 && f->data[p]; ++p) {
        int rows = p == 0 || format != AV_PIX_FMT_YUV420P ? h : h / 2;
        for (int y = 0; y < rows; ++y) std::memset(f->data[p] + y * f->linesize[p], 128, std::abs(f->linesize[p]));
    }
    f->pts = pts;
    f->pkt_duration = 400000;
    return f;
}

// Pushes a picture; the chain takes its data, the frame goes.
int Push(PictureChain& chain, AVFrame* frame)
{
    int r = chain.Push(frame);
    av_frame_free(&frame);
    return r;
}

TEST(PictureChainTest, EachSettingGivesItsFilterText)
{
    for (const ChainCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        PictureSettings s;
        c.change(s);
        s.outputFormat = c.rgb ? kOutputRgb32 : kOutputI420;
        ChainInput input{c.input, 320, 240};
        PictureLayout layout = ComputePictureLayout({320, 240}, s);
        EXPECT_EQ(PictureChain::Describe(input, s, layout, c.rgb), c.expected);
    }
}

TEST(PictureChainTest, EveryGraphBuildsAndGivesPicturesOfTheLayout)
{
    for (const ChainCase& c : Cases()) {
        SCOPED_TRACE(c.name);
        PictureSettings s;
        c.change(s);
        s.outputFormat = c.rgb ? kOutputRgb32 : kOutputI420;
        ChainInput input{c.input, 320, 240};
        PictureLayout layout = ComputePictureLayout({320, 240}, s);
        PictureChain chain;
        std::string error;
        ASSERT_TRUE(chain.Build(input, s, layout, c.rgb, &error)) << error;
        int out = 0;
        AVFrame* got = av_frame_alloc();
        for (int i = 0; i < 10; ++i) {
            ASSERT_GE(Push(chain, GreyPicture(c.input, 320, 240, i * 400000LL)), 0);
            while (chain.Pull(got) >= 0) {
                EXPECT_EQ(got->width, layout.outputWidth);
                EXPECT_EQ(got->height, layout.outputHeight);
                EXPECT_EQ(got->format, c.rgb ? AV_PIX_FMT_BGRA : AV_PIX_FMT_YUV420P);
                ++out;
                av_frame_unref(got);
            }
        }
        ASSERT_GE(chain.Push(nullptr), 0);
        int r = 0;
        while ((r = chain.Pull(got)) >= 0) {
            ++out;
            av_frame_unref(got);
        }
        EXPECT_EQ(r, AVERROR_EOF);
        av_frame_free(&got);
        // Ten pictures of 40 ms: 0.4 s, so 4 at ten frames per second and
        // 12 at 29.97.
        EXPECT_EQ(out, s.frameRate == 10 ? 4 : s.frameRate > 0 ? 12 : 10);
    }
}

TEST(PictureChainTest, TimesStayInReferenceTimeUnits)
{
    PictureSettings s;
    s.frameRate = 50;
    PictureChain chain;
    ChainInput input{AV_PIX_FMT_YUV420P, 64, 48};
    ASSERT_TRUE(chain.Build(input, s, ComputePictureLayout({64, 48}, s), false, nullptr));
    std::vector<int64_t> times;
    AVFrame* got = av_frame_alloc();
    for (int i = 0; i < 5; ++i) {
        ASSERT_GE(Push(chain, GreyPicture(AV_PIX_FMT_YUV420P, 64, 48, 1000000 + i * 400000LL)), 0);
        while (chain.Pull(got) >= 0) {
            times.push_back(got->pts);
            av_frame_unref(got);
        }
    }
    chain.Push(nullptr);
    while (chain.Pull(got) >= 0) {
        times.push_back(got->pts);
        av_frame_unref(got);
    }
    av_frame_free(&got);
    // 25 pictures a second become 50: each twice, 20 ms apart, from 100 ms
    // to the end of the last one at 300 ms.
    ASSERT_EQ(times.size(), 10u);
    for (size_t i = 0; i < times.size(); ++i) EXPECT_EQ(times[i], 1000000 + static_cast<int64_t>(i) * 200000);
}

// A source of a single short picture (as a one-frame file whose rate the
// container guessed at 1000 frames a second) still gives one picture at a
// lower output rate; longer sources keep their count.
TEST(PictureChainTest, AShortLastPictureIsNotLostWhenNothingElseCameOut)
{
    const struct {
        int pictures;
        int64_t duration;  // each, 100-ns units
        int expected;      // at 29.97 frames a second
    } cases[] = {{1, 10000, 1}, {1, 0, 1}, {10, 400000, 12}, {3, 10000, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pictures) + " of " + std::to_string(c.duration));
        PictureSettings s;
        s.frameRate = 30000.0 / 1001;
        PictureChain chain;
        ChainInput input{AV_PIX_FMT_YUV420P, 64, 48};
        ASSERT_TRUE(chain.Build(input, s, ComputePictureLayout({64, 48}, s), false, nullptr));
        int out = 0;
        AVFrame* got = av_frame_alloc();
        for (int i = 0; i < c.pictures; ++i) {
            AVFrame* picture = GreyPicture(AV_PIX_FMT_YUV420P, 64, 48, i * c.duration);
            picture->pkt_duration = c.duration;
            ASSERT_GE(Push(chain, picture), 0);
            while (chain.Pull(got) >= 0) {
                ++out;
                av_frame_unref(got);
            }
        }
        ASSERT_GE(chain.Push(nullptr), 0);
        while (chain.Pull(got) >= 0) {
            ++out;
            av_frame_unref(got);
        }
        av_frame_free(&got);
        EXPECT_EQ(out, c.expected);
    }
}

// A picture whose every luma sample differs from the others, 8x4.
AVFrame* PatternPicture(int64_t pts)
{
    AVFrame* f = GreyPicture(AV_PIX_FMT_YUV420P, 8, 4, pts);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x) f->data[0][y * f->linesize[0] + x] = static_cast<uint8_t>(40 + 5 * (y * 8 + x));
    return f;
}

// Where a stored sample (x, y) of a w x h picture lands once the picture is
// mirrored from left to right (when asked) and then turned clockwise by the
// quarters: each quarter moves (x, y) of a w x h picture to (h - 1 - y, x).
void Place(const PictureOrientation& o, int w, int h, int* x, int* y)
{
    if (o.mirrored) *x = w - 1 - *x;
    for (int q = 0; q < o.quarterTurns; ++q) {
        int nx = h - 1 - *y, ny = *x;
        *x = nx;
        *y = ny;
        std::swap(w, h);
    }
}

TEST(PictureChainTest, TurnsShowTheStoredPictureAsItIsMeantToBeSeen)
{
    for (int mirrored = 0; mirrored < 2; ++mirrored)
        for (int turns = 0; turns < 4; ++turns) {
            const PictureOrientation o{turns, mirrored != 0};
            SCOPED_TRACE("turns " + std::to_string(turns) + (mirrored ? ", mirrored" : ""));
            PictureSettings s;
            ChainInput input{AV_PIX_FMT_YUV420P, 8, 4, {1, 1}, o};
            PictureLayout layout = ComputePictureLayout(TurnedPicture({8, 4}, o), s);
            PictureChain chain;
            std::string error;
            ASSERT_TRUE(chain.Build(input, s, layout, false, &error)) << error;
            ASSERT_GE(Push(chain, PatternPicture(0)), 0);
            ASSERT_GE(chain.Push(nullptr), 0);
            AVFrame* got = av_frame_alloc();
            ASSERT_GE(chain.Pull(got), 0);
            const int w = o.SwapsSides() ? 4 : 8, h = o.SwapsSides() ? 8 : 4;
            ASSERT_EQ(got->width, w);
            ASSERT_EQ(got->height, h);
            for (int y = 0; y < 4; ++y)
                for (int x = 0; x < 8; ++x) {
                    int px = x, py = y;
                    Place(o, 8, 4, &px, &py);
                    EXPECT_EQ(got->data[0][py * got->linesize[0] + px], 40 + 5 * (y * 8 + x))
                        << "stored (" << x << ", " << y << ")";
                }
            av_frame_free(&got);
        }
}

TEST(PictureChainTest, ABadSourceLayoutIsRefusedWithWords)
{
    PictureChain chain;
    std::string error;
    EXPECT_FALSE(chain.Build(ChainInput{AV_PIX_FMT_NONE, 320, 240}, PictureSettings{}, PictureLayout{}, false, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(chain.IsBuilt());
    EXPECT_LT(chain.Push(nullptr), 0);
}

}  // namespace
