// Scoped clipping for text and outlines drawn into a skin bitmap: drawing
// is limited to a rectangle within whatever clip the bitmap (or its DC)
// already has, and the previous clip comes back when the scope ends, so a
// control never draws outside the part of the window being repainted.
#pragma once

#include "skin/HDib.h"

// The bitmap's clip rectangle becomes its intersection with the rectangle.
class DibClipScope {
public:
    DibClipScope(HDib* dib, const RECT& rect);
    ~DibClipScope();
    DibClipScope(const DibClipScope&) = delete;
    DibClipScope& operator=(const DibClipScope&) = delete;

private:
    HDib* m_pDib;
    int m_bHadClip = 0;
    RECT m_rcOld{};
};

// GDI drawing on the DC is limited to the bitmap's clip rectangle (when it
// has one); the DC's own clip is kept and restored.
class DcClipScope {
public:
    DcClipScope(HDC dc, const HDib* dib);
    ~DcClipScope();
    DcClipScope(const DcClipScope&) = delete;
    DcClipScope& operator=(const DcClipScope&) = delete;

private:
    HDC m_hDC;
    int m_nSaved = 0;
};
