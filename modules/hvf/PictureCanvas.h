// An output picture drawn on in place: the logo and the subtitles are
// composited into the sample that leaves the filter, after the picture
// chain. Colours are converted to the picture's Y'CbCr with the BT.601
// studio-range matrix (the one the library's scaler uses by default), and
// 4:2:0 chroma takes the mean of the four pixels it covers.
#pragma once

#include <cstdint>

struct PictureCanvas {
    bool rgb = false;  // packed BGRA; else planar 4:2:0
    int width = 0;
    int height = 0;
    uint8_t* planes[4] = {};
    int lineSizes[4] = {};  // a negative size for rows stored bottom-up
};

// Composites a coverage mask (one byte per pixel, rows top-down) in one
// colour (0xRRGGBB) at an opacity 0..255. Parts outside the picture are
// left out.
void BlendMask(const PictureCanvas& canvas, int x, int y, int width, int height, const uint8_t* mask, int maskStride,
               uint32_t rgb, int opacity);

// Composites pixels 0xAARRGGBB with straight alpha (rows top-down, stride
// in pixels) at an opacity 0..65536 (65536 as they are).
void BlendStraight(const PictureCanvas& canvas, int x, int y, int width, int height, const uint32_t* pixels, int stride,
                   uint32_t opacity);

// Composites pixels as the subtitle pictures are drawn: 0xAARRGGBB with the
// colour already multiplied by its alpha and AA the inverted alpha (0
// opaque, 255 clear); rows top-down, stride in pixels.
void BlendRendered(const PictureCanvas& canvas, int x, int y, int width, int height, const uint32_t* pixels,
                   int stride);
