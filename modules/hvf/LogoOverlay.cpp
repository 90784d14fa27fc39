#include "modules/hvf/LogoOverlay.h"

#include <algorithm>

namespace {

constexpr REFERENCE_TIME kFadeTime = 10000000;  // one second
constexpr int64_t kFull = 65536;

int Percent(int value) { return std::clamp(value, 0, 100); }

}  // namespace

uint32_t LogoOpacityAt(const SLogoInfo& info, REFERENCE_TIME t)
{
    if (t < info.start || t >= info.end) return 0;
    int64_t opacity = static_cast<int64_t>(info.opacity) * kFull / 65535;
    if (!info.fade) return static_cast<uint32_t>(opacity);
    bool toTheEnd = info.end == kLogoToTheEnd;
    REFERENCE_TIME fade = kFadeTime;
    if (!toTheEnd) fade = std::min(fade, (info.end - info.start) / 2);
    if (fade <= 0) return static_cast<uint32_t>(opacity);
    // The share of the fade that has passed, in and (before a set end) out.
    REFERENCE_TIME in = t - info.start;
    REFERENCE_TIME part = std::min(in, fade);
    if (!toTheEnd) part = std::min(part, info.end - t);
    return static_cast<uint32_t>(opacity * part / fade);
}

LogoPlace LogoPlaceIn(const SLogoInfo& info, int logoWidth, int logoHeight, int pictureWidth, int pictureHeight,
                      bool even)
{
    // The margins, then the room the logo leaves inside them; the position
    // is a share of that room.
    int64_t mx = static_cast<int64_t>(pictureWidth) * Percent(info.marginX) / 100;
    int64_t my = static_cast<int64_t>(pictureHeight) * Percent(info.marginY) / 100;
    int64_t roomX = pictureWidth - 2 * mx - logoWidth;
    int64_t roomY = pictureHeight - 2 * my - logoHeight;
    LogoPlace p{static_cast<int>(mx + roomX * Percent(info.posX) / 100),
                static_cast<int>(my + roomY * Percent(info.posY) / 100)};
    if (even) {
        p.x &= ~1;
        p.y &= ~1;
    }
    return p;
}

void DrawLogo(const PictureCanvas& canvas, const LogoPicture& logo, const SLogoInfo& info, REFERENCE_TIME t)
{
    uint32_t opacity = LogoOpacityAt(info, t);
    if (opacity == 0 || logo.Width() <= 0) return;
    LogoPlace p = LogoPlaceIn(info, logo.Width(), logo.Height(), canvas.width, canvas.height, !canvas.rgb);
    BlendStraight(canvas, p.x, p.y, logo.Width(), logo.Height(), logo.Pixels().data(), logo.Width(), opacity);
}
