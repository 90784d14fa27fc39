// Decoding a picture of the set and drawing it, scaled and placed by the
// index settings, into a 32-bit frame surface.
#include <algorithm>

#include "VobSubFile.h"

namespace {

struct Sample {
    int64_t a, r, g, b;
};

// The picture at a 16.16 position, weighing its four neighbouring pixels;
// the colour comes out multiplied by the pixels' alpha.
Sample Bilinear(const DWORD* pixels, int width, int height, int64_t x, int64_t y)
{
    const int64_t fx = x & 0xFFFF;
    const int64_t fy = y & 0xFFFF;
    const int64_t x0 = std::min<int64_t>(x >> 16, width - 1);
    const int64_t y0 = std::min<int64_t>(y >> 16, height - 1);
    const int64_t x1 = std::min<int64_t>(x0 + 1, width - 1);
    const int64_t y1 = std::min<int64_t>(y0 + 1, height - 1);
    const struct {
        int64_t x, y, weight;
    } taps[4] = {
        {x0, y0, ((0x10000 - fx) * (0x10000 - fy)) >> 16},
        {x1, y0, (fx * (0x10000 - fy)) >> 16},
        {x0, y1, ((0x10000 - fx) * fy) >> 16},
        {x1, y1, (fx * fy) >> 16},
    };
    int64_t a = 0, r = 0, g = 0, b = 0;
    for (const auto& tap : taps) {
        const DWORD p = pixels[tap.y * width + tap.x];
        const int64_t wa = tap.weight * (p >> 24);
        a += wa;
        r += wa * ((p >> 16) & 0xFF);
        g += wa * ((p >> 8) & 0xFF);
        b += wa * (p & 0xFF);
    }
    return Sample{a >> 16, r >> 24, g >> 24, b >> 24};
}

}  // namespace

bool CVobSubFile::DecodePicture(int index, int language)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (language < 0 || language >= kVobSubLanguageCount) language = m_currentLanguage;
    if (index < 0 || index >= m_languages[language].subpos.GetSize()) return false;
    if (language != m_cachedLanguage || index != m_cachedIndex) {
        // A failed decode leaves the image half changed: nothing is cached
        // until a decode succeeds.
        m_cachedLanguage = m_cachedIndex = -1;
        std::vector<BYTE> unit;
        if (!ReadPacket(index, language, &unit)) return false;
        const int control = (unit[2] << 8) | unit[3];
        if (!m_image.Decode(unit.data(), static_cast<int>(unit.size()), control, m_customColorsOn, m_palette,
                            m_customColors, true))
            return false;
        m_cachedLanguage = language;
        m_cachedIndex = index;
    }
    return m_forcedOnly ? m_image.m_forced : true;
}

bool CVobSubFile::Render(int index, SubPicSurface* target, RECT* drawn)
{
    std::lock_guard<std::recursive_mutex> hold(m_lock);
    if (drawn) *drawn = RECT{};
    if (!target || !drawn || target->bitsPerPixel != 32 || !target->bits || target->width <= 0 || target->height <= 0 ||
        static_cast<int64_t>(target->pitch) < static_cast<int64_t>(target->width) * 4)
        return false;
    if (!DecodePicture(index, -1)) return false;
    const int pw = m_image.Width();
    const int ph = m_image.Height();
    // A picture as large as the frame is a menu highlight, not a subtitle.
    if (pw + 2 >= m_originalSize.cx && ph + 2 >= m_originalSize.cy) return false;

    const RECT placed = PlacePicture(m_image.m_rect, target->width, target->height);
    int64_t left = placed.left, top = placed.top, right = placed.right, bottom = placed.bottom;
    if (right <= left || bottom <= top) return false;

    // 16.16 steps through the picture per target pixel, and half steps for
    // the second sample in each direction.
    const int64_t sx = (static_cast<int64_t>(pw) << 16) / (right - left);
    const int64_t sy = (static_cast<int64_t>(ph) << 16) / (bottom - top);
    const int64_t hx = sx >> 1;
    const int64_t hy = sy >> 1;
    int64_t x0 = 0, y0 = 0;
    if (left < 0) {
        x0 = -(sx & ~int64_t(1)) * left;
        left = 0;
    }
    if (top < 0) {
        y0 = -(sy & ~int64_t(1)) * top;
        top = 0;
    }
    right = std::min<int64_t>(right, target->width);
    bottom = std::min<int64_t>(bottom, target->height);
    if (right <= left || bottom <= top) return false;

    const DWORD* pixels = m_image.Pixels();
    int64_t y = y0;
    for (int64_t ty = top; ty < bottom; ++ty, y += 2 * hy) {
        // Rows run bottom-up in the target.
        auto* row = reinterpret_cast<DWORD*>(target->bits + (target->height - 1 - ty) * target->pitch);
        int64_t x = x0;
        for (int64_t tx = left; tx < right; ++tx, x += 2 * hx) {
            const Sample s[4] = {Bilinear(pixels, pw, ph, x, y), Bilinear(pixels, pw, ph, x + hx, y),
                                 Bilinear(pixels, pw, ph, x, y + hy), Bilinear(pixels, pw, ph, x + hx, y + hy)};
            const int64_t a = (s[0].a + s[1].a + s[2].a + s[3].a) >> 2;
            // The samples' colours already carry their alpha; averaging them
            // is the whole of the premultiplication.
            const int64_t r = (s[0].r + s[1].r + s[2].r + s[3].r) >> 2;
            const int64_t g = (s[0].g + s[1].g + s[2].g + s[3].g) >> 2;
            const int64_t b = (s[0].b + s[1].b + s[2].b + s[3].b) >> 2;
            row[tx] = (static_cast<DWORD>(255 - a) << 24) | (static_cast<DWORD>(r) << 16) |
                      (static_cast<DWORD>(g) << 8) | static_cast<DWORD>(b);
        }
    }
    *drawn = RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right), static_cast<LONG>(bottom)};
    return true;
}
