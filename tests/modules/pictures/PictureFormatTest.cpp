// The media types of the pictures the modules exchange: a layout written as
// a type reads back as the same layout, the shape of its pixels with it.
#include <gtest/gtest.h>

#include "modules/pictures/PictureFormat.h"
#include "platform/dshow/MediaGuids.h"

namespace {

struct ShapeRow {
    const char* name;
    bool rgb;
    int width, height;
    double displayAspect;  // as set on the layout
    bool secondHeader;     // the type carries it in a VIDEOINFOHEADER2
    DWORD x, y;            // the picture aspect written there
    double readBack;       // the shape the type gives back
};

const ShapeRow kShapes[] = {
    {"square pixels", false, 720, 576, 0, false, 0, 0, 0},
    {"a shape that is the size's own", false, 640, 360, 640.0 / 360, false, 0, 0, 0},
    {"a DVD shown as 16:9", false, 720, 576, 16.0 / 9, true, 16, 9, 16.0 / 9},
    {"a DVD shown as 4:3", false, 720, 576, 4.0 / 3, true, 4, 3, 4.0 / 3},
    {"NTSC 16:9 in RGB", true, 720, 480, 16.0 / 9, true, 16, 9, 16.0 / 9},
};

TEST(PictureFormat, APackedLayoutKeepsTheShapeOfItsPixelsThroughItsType)
{
    for (const ShapeRow& row : kShapes) {
        SCOPED_TRACE(row.name);
        PictureFormat f = PackedPictureFormat(row.rgb, row.width, row.height, 400000);
        f.displayAspect = row.displayAspect;
        CMediaType type;
        TypeOfPictureFormat(f, &type);
        const AM_MEDIA_TYPE& t = type;
        ASSERT_EQ(t.formattype == FORMAT_VideoInfo2, row.secondHeader);
        if (row.secondHeader) {
            ASSERT_GE(t.cbFormat, sizeof(VIDEOINFOHEADER2));
            const auto* v2 = reinterpret_cast<const VIDEOINFOHEADER2*>(t.pbFormat);
            EXPECT_EQ(v2->dwPictAspectRatioX, row.x);
            EXPECT_EQ(v2->dwPictAspectRatioY, row.y);
            EXPECT_EQ(v2->bmiHeader.biWidth, row.width);
        }
        PictureFormat back;
        ASSERT_TRUE(PictureFormatOfType(t, &back));
        // RGB32 reads back as its bytes, the fourth unused.
        EXPECT_EQ(back.pixelFormat, row.rgb ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_YUV420P);
        EXPECT_EQ(back.width, row.width);
        EXPECT_EQ(back.height, row.height);
        EXPECT_EQ(back.bottomUp, f.bottomUp);
        EXPECT_EQ(back.frameTime, 400000);
        EXPECT_DOUBLE_EQ(back.displayAspect, row.readBack);
    }
}

}  // namespace
