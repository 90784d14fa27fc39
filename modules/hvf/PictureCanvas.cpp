#include "modules/hvf/PictureCanvas.h"

#include <algorithm>
#include <cstddef>

namespace {

// One source pixel: its alpha 0..65536 and its colour multiplied by it.
struct Weighted {
    int64_t a = 0;
    int64_t r = 0;
    int64_t g = 0;
    int64_t b = 0;
};

constexpr int64_t kOne = 65536;

// Y'CbCr of a weighted colour, each still multiplied by the alpha.
int64_t LumaOf(const Weighted& p) { return 16 * p.a + ((66 * p.r + 129 * p.g + 25 * p.b) >> 8); }
int64_t BlueOf(const Weighted& p) { return 128 * p.a + ((-38 * p.r - 74 * p.g + 112 * p.b) >> 8); }
int64_t RedOf(const Weighted& p) { return 128 * p.a + ((112 * p.r - 94 * p.g - 18 * p.b) >> 8); }

uint8_t Mix(uint8_t under, int64_t alpha, int64_t over)
{
    int64_t v = (under * (kOne - alpha) + over + kOne / 2) >> 16;
    return static_cast<uint8_t>(std::clamp<int64_t>(v, 0, 255));
}

// Composites the image whose pixel (i, j) fetch gives, placed at (x, y).
template <class Fetch>
void Composite(const PictureCanvas& c, int x, int y, int width, int height, Fetch fetch)
{
    int x0 = std::max(x, 0), y0 = std::max(y, 0);
    int x1 = std::min(x + width, c.width), y1 = std::min(y + height, c.height);
    if (x0 >= x1 || y0 >= y1) return;
    if (c.rgb) {
        for (int py = y0; py < y1; ++py) {
            uint8_t* row = c.planes[0] + static_cast<ptrdiff_t>(py) * c.lineSizes[0];
            for (int px = x0; px < x1; ++px) {
                Weighted p = fetch(px - x, py - y);
                if (p.a <= 0) continue;
                uint8_t* d = row + px * 4;
                d[0] = Mix(d[0], p.a, p.b);
                d[1] = Mix(d[1], p.a, p.g);
                d[2] = Mix(d[2], p.a, p.r);
            }
        }
        return;
    }
    for (int py = y0; py < y1; ++py) {
        uint8_t* row = c.planes[0] + static_cast<ptrdiff_t>(py) * c.lineSizes[0];
        for (int px = x0; px < x1; ++px) {
            Weighted p = fetch(px - x, py - y);
            if (p.a > 0) row[px] = Mix(row[px], p.a, LumaOf(p));
        }
    }
    // Each chroma sample takes the mean of its four pixels (those outside
    // the image count as clear).
    for (int cy = y0 / 2; cy <= (y1 - 1) / 2; ++cy) {
        uint8_t* u = c.planes[1] + static_cast<ptrdiff_t>(cy) * c.lineSizes[1];
        uint8_t* v = c.planes[2] + static_cast<ptrdiff_t>(cy) * c.lineSizes[2];
        for (int cx = x0 / 2; cx <= (x1 - 1) / 2; ++cx) {
            Weighted sum;
            int64_t blue = 0, red = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) {
                    int px = cx * 2 + dx, py = cy * 2 + dy;
                    if (px < x0 || px >= x1 || py < y0 || py >= y1) continue;
                    Weighted p = fetch(px - x, py - y);
                    if (p.a <= 0) continue;
                    sum.a += p.a;
                    blue += BlueOf(p);
                    red += RedOf(p);
                }
            if (sum.a <= 0) continue;
            u[cx] = Mix(u[cx], sum.a / 4, blue / 4);
            v[cx] = Mix(v[cx], sum.a / 4, red / 4);
        }
    }
}

Weighted Weigh(uint32_t rgb, int64_t alpha)
{
    return Weighted{alpha, ((rgb >> 16) & 0xFF) * alpha, ((rgb >> 8) & 0xFF) * alpha, (rgb & 0xFF) * alpha};
}

}  // namespace

void BlendMask(const PictureCanvas& canvas, int x, int y, int width, int height, const uint8_t* mask, int maskStride,
               uint32_t rgb, int opacity)
{
    if (!mask || opacity <= 0) return;
    int64_t scale = std::min(opacity, 255);
    Composite(canvas, x, y, width, height, [&](int i, int j) {
        int64_t m = mask[static_cast<ptrdiff_t>(j) * maskStride + i];
        return Weigh(rgb, m * scale * kOne / (255 * 255));
    });
}

void BlendStraight(const PictureCanvas& canvas, int x, int y, int width, int height, const uint32_t* pixels, int stride,
                   uint32_t opacity)
{
    if (!pixels || opacity == 0) return;
    int64_t scale = std::min<int64_t>(opacity, kOne);
    Composite(canvas, x, y, width, height, [&](int i, int j) {
        uint32_t p = pixels[static_cast<ptrdiff_t>(j) * stride + i];
        return Weigh(p & 0xFFFFFF, static_cast<int64_t>(p >> 24) * scale / 255);
    });
}

void BlendRendered(const PictureCanvas& canvas, int x, int y, int width, int height, const uint32_t* pixels, int stride)
{
    if (!pixels) return;
    Composite(canvas, x, y, width, height, [&](int i, int j) {
        uint32_t p = pixels[static_cast<ptrdiff_t>(j) * stride + i];
        int64_t alpha = 255 - static_cast<int64_t>(p >> 24);
        // The colour is already weighted (0..255 scale).
        return Weighted{alpha * kOne / 255, static_cast<int64_t>((p >> 16) & 0xFF) << 16,
                        static_cast<int64_t>((p >> 8) & 0xFF) << 16, static_cast<int64_t>(p & 0xFF) << 16};
    });
}
