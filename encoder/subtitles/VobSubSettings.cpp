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

int MulDivRound(int a, int b, int c)
{
    if (c == 0) return -1;
    int64_t product = static_cast<int64_t>(a) * b;
    bool negative = (product < 0) != (c < 0);
    uint64_t magnitude = product < 0 ? 0 - static_cast<uint64_t>(product) : static_cast<uint64_t>(product);
    uint64_t divisor = c < 0 ? 0 - static_cast<uint64_t>(static_cast<int64_t>(c)) : static_cast<uint64_t>(c);
    uint64_t quotient = (magnitude + divisor / 2) / divisor;
    if (negative) {
        if (quotient > static_cast<uint64_t>(INT_MAX) + 1) return -1;
        return static_cast<int>(-static_cast<int64_t>(quotient));
    }
    if (quotient > static_cast<uint64_t>(INT_MAX)) return -1;
    return static_cast<int>(quotient);
}

namespace {

// One axis of the placement: the scaled extent aligned on the origin, or the
// scaled picture edges when alignment is off or unknown.
void PlaceAxis(bool alignOn, int align, LONG low, LONG high, int scale, LONG* outLow, LONG* outHigh)
{
    int extent = MulDivRound(high - low, scale, 100);
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
        *outLow = MulDivRound(low, scale, 100);
        *outHigh = MulDivRound(high, scale, 100);
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
    r.left = MulDivRound(r.left, targetWidth, m_originalSize.cx);
    r.right = MulDivRound(r.right, targetWidth, m_originalSize.cx);
    r.top = MulDivRound(r.top, targetHeight, m_originalSize.cy);
    r.bottom = MulDivRound(r.bottom, targetHeight, m_originalSize.cy);
    return r;
}
