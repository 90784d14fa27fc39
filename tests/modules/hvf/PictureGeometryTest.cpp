// Where the source picture goes in the output: the output size, the part of
// the source kept, its scaled size and its place between the bars, for the
// ways a picture can be fitted.
#include <gtest/gtest.h>

#include "modules/hvf/PictureGeometry.h"

namespace {

struct GeometryCase {
    const char* name;
    SourcePicture source;
    // The settings: output size (0: none), aspect mode, ratio, format.
    int width = 0;
    int height = 0;
    int mode = kAspectStretch;
    double ratio = 0;
    int format = kOutputI420;
    PictureLayout expected;
};

PictureLayout Layout(int ow, int oh, int cx, int cy, int cw, int ch, int sw, int sh, int ox, int oy)
{
    return PictureLayout{ow, oh, cx, cy, cw, ch, sw, sh, ox, oy};
}

const GeometryCase kCases[] = {
    {"no size keeps the source",
     {320, 240},
     0,
     0,
     kAspectStretch,
     0,
     kOutputI420,
     Layout(320, 240, 0, 0, 320, 240, 320, 240, 0, 0)},
    {"odd source loses its last row and column in 4:2:0",
     {161, 121},
     0,
     0,
     kAspectStretch,
     0,
     kOutputI420,
     Layout(160, 120, 0, 0, 160, 120, 160, 120, 0, 0)},
    {"odd source stays whole in RGB",
     {161, 121},
     0,
     0,
     kAspectStretch,
     0,
     kOutputRgb32,
     Layout(161, 121, 0, 0, 161, 121, 161, 121, 0, 0)},
    {"stretched",
     {320, 240},
     640,
     360,
     kAspectStretch,
     0,
     kOutputI420,
     Layout(640, 360, 0, 0, 320, 240, 640, 360, 0, 0)},
    {"4:3 padded into 16:9 has bars left and right",
     {320, 240},
     640,
     360,
     kAspectPad,
     0,
     kOutputI420,
     Layout(640, 360, 0, 0, 320, 240, 480, 360, 80, 0)},
    {"16:9 padded into 4:3 has bars above and below",
     {640, 360},
     320,
     240,
     kAspectPad,
     0,
     kOutputI420,
     Layout(320, 240, 0, 0, 640, 360, 320, 180, 0, 30)},
    {"4:3 cropped to 16:9 loses rows above and below",
     {320, 240},
     640,
     360,
     kAspectCrop,
     0,
     kOutputI420,
     Layout(640, 360, 0, 30, 320, 180, 640, 360, 0, 0)},
    {"16:9 cropped to 4:3 loses columns",
     {640, 360},
     320,
     240,
     kAspectCrop,
     0,
     kOutputI420,
     Layout(320, 240, 80, 0, 480, 360, 320, 240, 0, 0)},
    {"automatic pads when cropping would cut a quarter",
     {320, 240},
     640,
     360,
     kAspectAuto,
     0,
     kOutputI420,
     Layout(640, 360, 0, 0, 320, 240, 480, 360, 80, 0)},
    {"automatic crops a sixteenth",
     {320, 240},
     320,
     256,
     kAspectAuto,
     0,
     kOutputI420,
     Layout(320, 256, 10, 0, 300, 240, 320, 256, 0, 0)},
    {"an anamorphic source shown 16:9 fills 16:9",
     {720, 576, 16.0 / 9},
     640,
     360,
     kAspectPad,
     0,
     kOutputI420,
     Layout(640, 360, 0, 0, 720, 576, 640, 360, 0, 0)},
    {"an anamorphic source padded into 4:3",
     {720, 576, 16.0 / 9},
     640,
     480,
     kAspectPad,
     0,
     kOutputI420,
     Layout(640, 480, 0, 0, 720, 576, 640, 360, 0, 60)},
    {"an output shown 16:9 takes a 16:9 source whole",
     {640, 360},
     640,
     480,
     kAspectPad,
     16.0 / 9,
     kOutputI420,
     Layout(640, 480, 0, 0, 640, 360, 640, 480, 0, 0)},
    {"odd sizes are rounded down",
     {320, 240},
     641,
     361,
     kAspectStretch,
     0,
     kOutputI420,
     Layout(640, 360, 0, 0, 320, 240, 640, 360, 0, 0)},
    {"bars of an odd room stay on even places",
     {320, 240},
     642,
     360,
     kAspectPad,
     0,
     kOutputI420,
     Layout(642, 360, 0, 0, 320, 240, 480, 360, 80, 0)},
    {"a source below 2x2 gives nothing", {1, 1}, 0, 0, kAspectStretch, 0, kOutputI420, PictureLayout{}},
};

TEST(PictureGeometryTest, LayoutsOfTheFittingModes)
{
    for (const GeometryCase& c : kCases) {
        SCOPED_TRACE(c.name);
        PictureSettings s;
        s.outputFormat = c.format;
        if (c.width > 0) {
            s.resize = true;
            s.width = c.width;
            s.height = c.height;
        }
        s.aspectMode = c.mode;
        s.aspectRatio = c.ratio;
        PictureLayout l = ComputePictureLayout(c.source, s);
        EXPECT_EQ(l.outputWidth, c.expected.outputWidth);
        EXPECT_EQ(l.outputHeight, c.expected.outputHeight);
        EXPECT_EQ(l.cropX, c.expected.cropX);
        EXPECT_EQ(l.cropY, c.expected.cropY);
        EXPECT_EQ(l.cropWidth, c.expected.cropWidth);
        EXPECT_EQ(l.cropHeight, c.expected.cropHeight);
        EXPECT_EQ(l.scaledWidth, c.expected.scaledWidth);
        EXPECT_EQ(l.scaledHeight, c.expected.scaledHeight);
        EXPECT_EQ(l.offsetX, c.expected.offsetX);
        EXPECT_EQ(l.offsetY, c.expected.offsetY);
    }
}

TEST(PictureGeometryTest, ASizeWithoutResizingIsNotUsed)
{
    PictureSettings s;
    s.width = 640;
    s.height = 360;
    s.aspectMode = kAspectPad;
    PictureLayout l = ComputePictureLayout({320, 240}, s);
    EXPECT_EQ(l.outputWidth, 320);
    EXPECT_EQ(l.outputHeight, 240);
    EXPECT_FALSE(l.Pads());
    EXPECT_FALSE(l.Scales());
}

}  // namespace
