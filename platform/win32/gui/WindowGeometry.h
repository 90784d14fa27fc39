// Rectangles, window geometry and stacking. A top-level window's rectangle
// is in screen coordinates, a child's in its parent's client coordinates; the
// client area lies inside the window rectangle as WM_NCCALCSIZE says.
#pragma once

#include "UserTypes.h"

BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL CopyRect(RECT* dst, const RECT* src);
BOOL IsRectEmpty(const RECT* r);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* r, POINT p);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);

BOOL GetWindowRect(HWND window, RECT* r);  // screen coordinates
BOOL GetClientRect(HWND window, RECT* r);  // (0, 0, width, height) of the client area
BOOL ClientToScreen(HWND window, POINT* p);
BOOL ScreenToClient(HWND window, POINT* p);
// Converts points between two windows' client areas (null is the screen);
// the result packs the horizontal and vertical shift.
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
BOOL AdjustWindowRectEx(RECT* r, DWORD style, BOOL menu, DWORD exStyle);

// Sends WM_WINDOWPOSCHANGING (which may change the position), applies it and
// sends WM_WINDOWPOSCHANGED, whose default handling sends WM_MOVE and WM_SIZE
// for what really changed.
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND window);

struct WINDOWPLACEMENT {
    UINT length = sizeof(WINDOWPLACEMENT);
    UINT flags = 0;
    UINT showCmd = 0;
    POINT ptMinPosition;
    POINT ptMaxPosition;
    RECT rcNormalPosition;
};
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);

// The deepest visible, enabled window of ours at a screen point, honouring
// window regions; null when none is there.
HWND WindowFromPoint(POINT screen);
constexpr UINT CWP_ALL = 0x0000;
constexpr UINT CWP_SKIPINVISIBLE = 0x0001;
constexpr UINT CWP_SKIPDISABLED = 0x0002;
constexpr UINT CWP_SKIPTRANSPARENT = 0x0004;
// The direct child at a point of the parent's client area, else the parent
// itself when the point is inside it, else null.
HWND ChildWindowFromPointEx(HWND parent, POINT client, UINT flags);
inline HWND ChildWindowFromPoint(HWND parent, POINT client) { return ChildWindowFromPointEx(parent, client, CWP_ALL); }

namespace win32_gui {
// Asks the window for its client area (WM_NCCALCSIZE) and stores it.
void RecalcClientArea(HWND window);
// The frame thickness and caption height the default handling gives a style.
RECT DefaultNonClientInsets(DWORD style, DWORD exStyle);
// The thickness of the frame alone (sizing, dialog or thin border).
int DefaultFrameThickness(DWORD style, DWORD exStyle);
}  // namespace win32_gui
