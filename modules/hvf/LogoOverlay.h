// Where and how strongly the logo is drawn on an output picture, from its
// record (SLogoInfo): inside the margins at its position, during its time
// on the output's time line, at its opacity, fading in over the first
// second of its time and out over the last (over half the time each when it
// is shorter than two seconds; a logo that lasts to the end does not fade
// out).
#pragma once

#include <cstdint>

#include "modules/api/LogoInfo.h"
#include "modules/hvf/LogoPicture.h"
#include "modules/hvf/PictureCanvas.h"
#include "platform/win32/MediaFormats.h"

struct LogoPlace {
    int x = 0;
    int y = 0;
};

// The logo's opacity at time t, 0 (not shown) to 65536 (as the picture
// holds it).
uint32_t LogoOpacityAt(const SLogoInfo& info, REFERENCE_TIME t);
// The logo's top-left in a picture; even for 4:2:0 pictures.
LogoPlace LogoPlaceIn(const SLogoInfo& info, int logoWidth, int logoHeight, int pictureWidth, int pictureHeight,
                      bool even);
// Draws the logo as it shows at time t.
void DrawLogo(const PictureCanvas& canvas, const LogoPicture& logo, const SLogoInfo& info, REFERENCE_TIME t);
