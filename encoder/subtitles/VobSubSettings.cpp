#include "VobSubSettings.h"

#include <climits>

void CVobSubSettings::InitSettings()
{
    m_originalSize = SIZE{720, 480};
    m_origin = POINT{0, 0};
    m_offset = POINT{0, 0};
    m_scaleX = m_scaleY = 100;
    m_alpha = 100;
    m_smooth = 0;
    m_fadeIn = m_fadeOut = 50;
    m_alignOn = false;
    m_alignHorizontal = m_alignVertical = kVobSubAlignNear;
    m_timeOffsetMs = 0;
    m_forcedOnly = false;
    m_customColorsOn = false;
    m_transparentFlags = 0;
    for (DWORD& c : m_palette) c = 0;
    for (DWORD& c : m_customColors) c = 0;
}

namespace {

// One axis of the placement: the scaled extent aligned on the origin, or the
// scaled picture edges when alignment is off or unknown.
void PlaceAxis(bool alignOn, int align, LONG low, LONG high, int scale, LONG* outLow, LONG* outHigh)
{
    int extent = MulDiv(high - low, scale, 100);
    if (alignOn && align == kVobSubAlignNear) {
        *outLow = 0;
        *outHigh = extent;
    } else if (alignOn && align == kVobSubAlignCenter) {
        *outLow = -(extent >> 1);
        *outHigh = extent - (extent >> 1);
    } else if (alignOn && align == kVobSubAlignFar) {
        *outLow = -extent;
        *outHigh = 0;
    } else {
        *outLow = MulDiv(low, scale, 100);
        *outHigh = MulDiv(high, scale, 100);
    }
}

LONG AddClamped(LONG a, LONG b)
{
    int64_t sum = static_cast<int64_t>(a) + b;
    if (sum > INT_MAX) return INT_MAX;
    if (sum < INT_MIN) return INT_MIN;
    return static_cast<LONG>(sum);
}

}  // namespace

RECT CVobSubSettings::PlacePicture(const RECT& picture, int targetWidth, int targetHeight) const
{
    RECT r;
    PlaceAxis(m_alignOn, m_alignHorizontal, picture.left, picture.right, m_scaleX, &r.left, &r.right);
    PlaceAxis(m_alignOn, m_alignVertical, picture.top, picture.bottom, m_scaleY, &r.top, &r.bottom);
    r.left = AddClamped(r.left, m_offset.x);
    r.right = AddClamped(r.right, m_offset.x);
    r.top = AddClamped(r.top, m_offset.y);
    r.bottom = AddClamped(r.bottom, m_offset.y);
    r.left = MulDiv(r.left, targetWidth, m_originalSize.cx);
    r.right = MulDiv(r.right, targetWidth, m_originalSize.cx);
    r.top = MulDiv(r.top, targetHeight, m_originalSize.cy);
    r.bottom = MulDiv(r.bottom, targetHeight, m_originalSize.cy);
    return r;
}
