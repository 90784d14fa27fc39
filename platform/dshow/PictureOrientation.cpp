#include "platform/dshow/PictureOrientation.h"

#include <cstdlib>
#include <utility>

#include "platform/dshow/MediaGuids.h"

namespace {

// Bits 3 and 4 hold the quarter turns, bit 5 the mirror: the published
// flags use bits 0 to 2 and, with colour information, bits 7 on.
constexpr DWORD kTurnShift = 3;
constexpr DWORD kTurnMask = 0x3u << kTurnShift;
constexpr DWORD kMirrored = 0x1u << 5;

const VIDEOINFOHEADER2* Info2Of(const AM_MEDIA_TYPE& type)
{
    if (type.formattype != FORMAT_VideoInfo2 || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER2))
        return nullptr;
    return reinterpret_cast<const VIDEOINFOHEADER2*>(type.pbFormat);
}

}  // namespace

PictureOrientation OrientationOfType(const AM_MEDIA_TYPE& type)
{
    PictureOrientation o;
    if (type.majortype != MEDIATYPE_Video) return o;
    const VIDEOINFOHEADER2* v2 = Info2Of(type);
    if (!v2 || !(v2->dwControlFlags & AMCONTROL_USED)) return o;
    o.quarterTurns = static_cast<int>((v2->dwControlFlags & kTurnMask) >> kTurnShift);
    o.mirrored = (v2->dwControlFlags & kMirrored) != 0;
    return o;
}

DWORD OrientationControlFlags(const PictureOrientation& o)
{
    if (o.IsUpright()) return 0;
    return AMCONTROL_USED | ((static_cast<DWORD>(o.quarterTurns) & 0x3u) << kTurnShift) | (o.mirrored ? kMirrored : 0);
}

bool ShownPictureSize(const AM_MEDIA_TYPE& type, int* width, int* height)
{
    const BITMAPINFOHEADER* bih = BitmapHeaderOf(type);
    if (!bih) return false;
    int w = bih->biWidth;
    int h = std::abs(bih->biHeight);
    // rcSource sits at the same place in both video headers.
    if (type.formattype == FORMAT_VideoInfo || type.formattype == FORMAT_VideoInfo2) {
        const RECT& r = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->rcSource;
        if (r.right > r.left && r.bottom > r.top) {
            w = r.right - r.left;
            h = r.bottom - r.top;
        }
    }
    if (OrientationOfType(type).SwapsSides()) std::swap(w, h);
    *width = w;
    *height = h;
    return true;
}

bool PictureAspectOfType(const AM_MEDIA_TYPE& type, DWORD* x, DWORD* y)
{
    if (type.majortype != MEDIATYPE_Video) return false;
    const VIDEOINFOHEADER2* v2 = Info2Of(type);
    if (!v2 || v2->dwPictAspectRatioX == 0 || v2->dwPictAspectRatioY == 0) return false;
    *x = v2->dwPictAspectRatioX;
    *y = v2->dwPictAspectRatioY;
    return true;
}
