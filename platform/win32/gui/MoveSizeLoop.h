// Moving and sizing a window with the mouse, for frameless windows too: the
// default handling of WM_NCLBUTTONDOWN on a caption or border hit code runs
// this loop, which captures the mouse, sends WM_ENTERSIZEMOVE, asks
// WM_GETMINMAXINFO, sends WM_MOVING or WM_SIZING (whose rectangle the
// window may change) for every move, places the window, and ends with
// WM_EXITSIZEMOVE when the button is released (Escape puts the window back).
// Once the pointer drags a top-level window beyond the drag distance, the
// desktop's window manager takes the rest of the drag over where one runs,
// as it drags every other window; WM_EXITSIZEMOVE then comes when input
// reaches the program again.
#pragma once

#include "UserTypes.h"

namespace win32_gui {
// command: SC_MOVE or SC_SIZE plus the WMSZ_ edge; start: the screen point
// where the drag began.
void RunMoveSizeLoop(HWND window, WPARAM command, POINT start);
// The default limits of WM_GETMINMAXINFO for a window.
MINMAXINFO DefaultMinMaxInfo(HWND window);
}  // namespace win32_gui
