// The system menu of top-level windows with WS_SYSMENU: Restore, Move,
// Size, Minimize, Maximize and Close in the user's language, less what the
// style cannot do (no minimise or maximise box: no Restore, Minimize or
// Maximize; no sizing border either: no Size). Each window gets its own copy
// the first time it is asked for, which the program may change; its choices
// arrive as WM_SYSCOMMAND with the item's id. It is shown by Alt+Space, a
// right click on the caption and a click on the caption's icon.
#pragma once

#include "UserTypes.h"

// The window's own copy (made on first use); null for a window without
// WS_SYSMENU or a child window. With revert, the copy is destroyed (the
// next call makes a fresh one) and null is returned.
HMENU GetSystemMenu(HWND window, BOOL revert);

namespace win32_gui {
// Greys what the window's state does not allow, shows the menu at the
// screen point and posts the choice to the window as WM_SYSCOMMAND.
void ShowSystemMenu(HWND window, POINT screen);
// Where the keyboard and the caption's icon open the menu: below the icon.
POINT SystemMenuPoint(HWND window);
// Destroys the window's copy (when the window goes).
void ForgetSystemMenu(HWND window);
}  // namespace win32_gui
