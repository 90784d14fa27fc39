// Picture memory laid out for the decoding, scaling and filtering libraries:
// rows aligned, room after the picture, and the scaler's own conversions at
// the row lengths of real sources (168, 200, 360, 856 and 1080 pixels wide,
// logos of 40, 120 and 200) staying inside it.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/dshow/PictureMemory.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace {

const int kWidths[] = {168, 200, 360, 856, 1080, 40, 120, 1, 3};

TEST(PictureMemory, RowsAreAlignedAndThePictureIsFollowedByItsPadding)
{
    const AVPixelFormat formats[] = {AV_PIX_FMT_BGRA, AV_PIX_FMT_BGR0,    AV_PIX_FMT_GRAY8, AV_PIX_FMT_YUV420P,
                                     AV_PIX_FMT_NV12, AV_PIX_FMT_YUYV422, AV_PIX_FMT_BGR24};
    for (AVPixelFormat format : formats)
        for (int width : kWidths) {
            SCOPED_TRACE(std::string(av_get_pix_fmt_name(format)) + " " + std::to_string(width));
            PictureBuffer b;
            ASSERT_TRUE(b.Allocate(format, width, 37));
            int packed[4] = {};
            ASSERT_GE(av_image_fill_linesizes(packed, format, width), 0);
            size_t end = 0;
            for (int i = 0; i < 4 && b.Planes()[i]; ++i) {
                EXPECT_EQ(reinterpret_cast<uintptr_t>(b.Planes()[i]) % kPictureRowAlign, 0u) << "plane " << i;
                EXPECT_EQ(b.LineSizes()[i] % kPictureRowAlign, 0) << "plane " << i;
                EXPECT_GE(b.LineSizes()[i], packed[i]) << "plane " << i;
                int rows = i == 0 ? 37 : AV_CEIL_RSHIFT(37, av_pix_fmt_desc_get(format)->log2_chroma_h);
                end = static_cast<size_t>(b.Planes()[i] - b.Planes()[0]) +
                      static_cast<size_t>(b.LineSizes()[i]) * static_cast<size_t>(rows);
            }
            EXPECT_TRUE(RowsSuitLibraries(b.Planes(), b.LineSizes()));
            EXPECT_GE(b.Bytes(), end + static_cast<size_t>(kPicturePadding));
            // The same format and size keep the memory.
            uint8_t* before = b.Planes()[0];
            ASSERT_TRUE(b.Allocate(format, width, 37));
            EXPECT_EQ(b.Planes()[0], before);
        }
}

TEST(PictureMemory, FormatsAndSizesItCannotLayOutAreRefused)
{
    const struct {
        const char* name;
        AVPixelFormat format;
        int width, height;
    } cases[] = {
        {"no format", AV_PIX_FMT_NONE, 16, 16},  {"a palette", AV_PIX_FMT_PAL8, 16, 16},
        {"no width", AV_PIX_FMT_BGRA, 0, 16},    {"negative height", AV_PIX_FMT_BGRA, 16, -2},
        {"too wide", AV_PIX_FMT_BGRA, 40000, 2}, {"too tall", AV_PIX_FMT_GRAY8, 2, 40000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PictureBuffer b;
        ASSERT_TRUE(b.Allocate(AV_PIX_FMT_GRAY8, 8, 8));
        EXPECT_FALSE(b.Allocate(c.format, c.width, c.height));
        // A refusal leaves no picture behind.
        EXPECT_EQ(b.Planes()[0], nullptr);
        EXPECT_EQ(b.Bytes(), 0u);
    }
}

TEST(PictureMemory, PaddedPicturesAreToldFromTightOnes)
{
    EXPECT_EQ(PictureAllocationBytes(1000), 1000 + kPicturePadding);
    EXPECT_EQ(PictureAllocationBytes(-1), 0);
    EXPECT_EQ(PictureAllocationBytes(std::numeric_limits<LONG>::max()), 0);
    std::vector<BYTE> block(1000 + kPicturePadding);
    const struct {
        const char* name;
        size_t offset;
        LONG imageBytes;
        bool holds;
    } cases[] = {
        {"picture and padding fill the block", 0, 1000, true},
        {"one byte of padding short", 1, 1000, false},
        {"a smaller picture further in", 10, 900, true},
        {"a picture outside the block", 2000, 0, false},
        {"no picture", 0, -1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(
            HoldsPaddedPicture(block.data() + c.offset, c.imageBytes, block.data(), static_cast<LONG>(block.size())),
            c.holds);
    }
    PayloadRef payload = CreatePicturePayload(1000);
    ASSERT_TRUE(payload);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(payload->Data()) % kPictureRowAlign, 0u);
    EXPECT_TRUE(HoldsPaddedPicture(payload->Data(), 1000, payload->Data(), payload->Size()));
    uint8_t* tight[4] = {block.data() + 1};
    int tightLines[4] = {168 * 4};
    EXPECT_FALSE(RowsSuitLibraries(tight, tightLines));
}

// The scaler's conversions into a PictureBuffer, as the logo reader, the
// renderer and the decoder make them: whatever it writes past a row's end
// stays inside the buffer's rows, so nothing after the last plane changes.
TEST(PictureMemory, TheScalersConversionsStayInsideTheBuffer)
{
    const struct {
        AVPixelFormat from, to;
        int flags;
    } conversions[] = {
        {AV_PIX_FMT_YUV420P, AV_PIX_FMT_BGR0, SWS_POINT},     // the renderer
        {AV_PIX_FMT_YUV420P, AV_PIX_FMT_BGRA, SWS_BILINEAR},  // the decoder's RGB32
        {AV_PIX_FMT_NV12, AV_PIX_FMT_YUV420P, SWS_BILINEAR},  // the decoder's I420
        {AV_PIX_FMT_YUV422P, AV_PIX_FMT_YUV420P, SWS_BILINEAR},
        {AV_PIX_FMT_YUV420P, AV_PIX_FMT_BGRA, SWS_BICUBIC},  // JPEG logos
        {AV_PIX_FMT_RGB24, AV_PIX_FMT_BGRA, SWS_BICUBIC},    // PNG logos
        {AV_PIX_FMT_GRAY8, AV_PIX_FMT_GRAY8, SWS_BICUBIC},   // masks
    };
    const int sizes[][2] = {{168, 36}, {200, 36}, {360, 36}, {856, 36}, {1080, 36}, {40, 20}, {120, 60}, {200, 80}};
    for (const auto& c : conversions)
        for (const auto& size : sizes) {
            const int w = size[0], h = size[1];
            SCOPED_TRACE(std::string(av_get_pix_fmt_name(c.from)) + " to " + av_get_pix_fmt_name(c.to) + " at " +
                         std::to_string(w) + "x" + std::to_string(h));
            PictureBuffer in, out;
            ASSERT_TRUE(in.Allocate(c.from, w, h));
            std::memset(in.Planes()[0], 0x5A, in.Bytes());
            SwsContext* scaler = sws_getContext(w, h, c.from, w, h, c.to, c.flags, nullptr, nullptr, nullptr);
            ASSERT_NE(scaler, nullptr);
            ASSERT_TRUE(out.Allocate(c.to, w, h));
            // Two fillings, so that a byte written with the filling's own
            // value still shows.
            const uint8_t* base = out.Planes()[0];
            int lastPlane = 0;
            while (lastPlane < 3 && out.Planes()[lastPlane + 1]) ++lastPlane;
            int lastRows = lastPlane == 0 ? h : AV_CEIL_RSHIFT(h, av_pix_fmt_desc_get(c.to)->log2_chroma_h);
            size_t end = static_cast<size_t>(out.Planes()[lastPlane] - base) +
                         static_cast<size_t>(out.LineSizes()[lastPlane]) * static_cast<size_t>(lastRows);
            for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
                std::memset(out.Planes()[0], fill, out.Bytes());
                sws_scale(scaler, in.Planes(), in.LineSizes(), 0, h, out.Planes(), out.LineSizes());
                size_t touched = 0;
                for (size_t i = end; i < out.Bytes(); ++i)
                    if (base[i] != fill) ++touched;
                EXPECT_EQ(touched, 0u) << "bytes after the picture's planes written";
            }
            sws_freeContext(scaler);
        }
}

}  // namespace
