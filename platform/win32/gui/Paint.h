// Painting. Each window keeps a backing image of itself that its widget
// shows; the invalid part of the client area (the update region) makes the
// queue produce WM_PAINT once nothing else waits, and BeginPaint hands out a
// DC clipped to it, after WM_NCPAINT and WM_ERASEBKGND as needed. GetDC may
// draw into the image at any time.
#pragma once

#include "UserTypes.h"

HDC BeginPaint(HWND window, PAINTSTRUCT* ps);
BOOL EndPaint(HWND window, const PAINTSTRUCT* ps);
// A null rectangle stands for the whole client area; a null window for
// every window.
BOOL InvalidateRect(HWND window, const RECT* r, BOOL erase);
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* r);
BOOL ValidateRgn(HWND window, HRGN region);
BOOL GetUpdateRect(HWND window, RECT* r, BOOL erase);
int GetUpdateRgn(HWND window, HRGN region, BOOL erase);
// Sends WM_PAINT at once when the window has an invalid part.
BOOL UpdateWindow(HWND window);

constexpr UINT RDW_INVALIDATE = 0x0001;
constexpr UINT RDW_INTERNALPAINT = 0x0002;
constexpr UINT RDW_ERASE = 0x0004;
constexpr UINT RDW_VALIDATE = 0x0008;
constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
constexpr UINT RDW_NOERASE = 0x0020;
constexpr UINT RDW_NOCHILDREN = 0x0040;
constexpr UINT RDW_ALLCHILDREN = 0x0080;
constexpr UINT RDW_UPDATENOW = 0x0100;
constexpr UINT RDW_ERASENOW = 0x0200;
constexpr UINT RDW_FRAME = 0x0400;
constexpr UINT RDW_NOFRAME = 0x0800;
BOOL RedrawWindow(HWND window, const RECT* r, HRGN region, UINT flags);

namespace win32_gui {
struct MessageFilter;
// A WM_PAINT for the first visible window (in stacking order, parents
// before children) that needs painting and that the filter takes.
bool TakePaintMessage(const MessageFilter& filter, MSG* msg);
}  // namespace win32_gui
