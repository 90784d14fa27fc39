// Regions: sets of pixels built from rectangles, ellipses and rounded
// rectangles, combined with CombineRgn. A window region limits where the
// window shows and where it is hit by the mouse.
#pragma once

#include "DeviceContext.h"

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int width, int height);

struct RGNDATAHEADER {
    DWORD dwSize = sizeof(RGNDATAHEADER);
    DWORD iType = 1;  // RDH_RECTANGLES
    DWORD nCount = 0;
    DWORD nRgnSize = 0;
    RECT rcBound;
};
static_assert(sizeof(RGNDATAHEADER) == 32);
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1];
};
constexpr DWORD RDH_RECTANGLES = 1;
// A region from a header and its rectangles (the size counts both); a
// transform is not supported and must be null.
HRGN ExtCreateRegion(const void* transform, DWORD size, const RGNDATA* data);

// The destination must exist; RGN_COPY ignores the second source. Returns
// NULLREGION, SIMPLEREGION, COMPLEXREGION or ERROR.
int CombineRgn(HRGN dst, HRGN src1, HRGN src2, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* r);
BOOL EqualRgn(HRGN a, HRGN b);
int GetRgnBox(HRGN region, RECT* box);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);

// The window takes ownership of the region (null removes it); the region
// is in window coordinates. Hit testing and the widget's shape follow it.
int SetWindowRgn(HWND window, HRGN region, BOOL redraw);
// Copies the window region into an existing region; ERROR when there is none.
int GetWindowRgn(HWND window, HRGN region);
