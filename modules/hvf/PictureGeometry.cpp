#include "modules/hvf/PictureGeometry.h"

#include <algorithm>
#include <cmath>

namespace {

int Even(int value, bool even) { return even ? value & ~1 : value; }

// A length in pixels rounded to the nearest whole (even) size, at least the
// smallest one.
int Length(double value, bool even)
{
    int step = even ? 2 : 1;
    int n = static_cast<int>(std::lround(value / step)) * step;
    return std::max(n, step);
}

// Both shapes alike: nothing to cut and no bars.
bool SameShape(double a, double b) { return std::fabs(a - b) <= 1e-6 * std::max(a, b); }

}  // namespace

SourcePicture TurnedPicture(const SourcePicture& stored, const PictureOrientation& orientation)
{
    if (!orientation.SwapsSides()) return stored;
    return SourcePicture{stored.height, stored.width, stored.displayAspect > 0 ? 1.0 / stored.displayAspect : 0};
}

PictureLayout ComputePictureLayout(const SourcePicture& source, const PictureSettings& settings)
{
    PictureLayout l;
    bool even = settings.outputFormat == kOutputI420;
    int sw = Even(source.width, even), sh = Even(source.height, even);
    if (sw < 2 || sh < 2) return l;
    l.cropWidth = sw;
    l.cropHeight = sh;
    bool resize = settings.resize && settings.width > 0 && settings.height > 0;
    if (!resize) {
        l.outputWidth = l.scaledWidth = sw;
        l.outputHeight = l.scaledHeight = sh;
        return l;
    }
    bool round = settings.roundToEven || even;
    l.outputWidth = Even(settings.width, round);
    l.outputHeight = Even(settings.height, round);
    l.scaledWidth = l.outputWidth;
    l.scaledHeight = l.outputHeight;

    double shown = source.displayAspect > 0 ? source.displayAspect : static_cast<double>(source.width) / source.height;
    double target =
        settings.aspectRatio > 0 ? settings.aspectRatio : static_cast<double>(l.outputWidth) / l.outputHeight;
    int mode = settings.aspectMode;
    if (mode == kAspectStretch || SameShape(shown, target)) return l;
    if (mode == kAspectAuto) {
        // Cropping is chosen while it cuts at most an eighth of the picture.
        double cut = 1.0 - std::min(shown, target) / std::max(shown, target);
        mode = cut <= 0.125 + 1e-9 ? kAspectCrop : kAspectPad;
    }
    if (mode == kAspectPad) {
        if (shown > target)
            l.scaledHeight = std::min(l.outputHeight, Length(l.outputHeight * target / shown, even));
        else
            l.scaledWidth = std::min(l.outputWidth, Length(l.outputWidth * shown / target, even));
        l.offsetX = Even((l.outputWidth - l.scaledWidth) / 2, even);
        l.offsetY = Even((l.outputHeight - l.scaledHeight) / 2, even);
    } else {
        if (shown > target)
            l.cropWidth = std::min(sw, Length(sw * target / shown, even));
        else
            l.cropHeight = std::min(sh, Length(sh * shown / target, even));
        l.cropX = Even((sw - l.cropWidth) / 2, even);
        l.cropY = Even((sh - l.cropHeight) / 2, even);
    }
    return l;
}
