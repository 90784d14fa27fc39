// Keyboard focus and window activation. Activating a top-level window sends
// WM_NCACTIVATE and WM_ACTIVATE to the window losing and the window gaining
// activation; the default handling of WM_ACTIVATE gives the focus to the
// window activated.
#pragma once

#include "UserTypes.h"

HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
// There is one application on our screen: the foreground window is the
// active one.
BOOL SetForegroundWindow(HWND window);
HWND GetForegroundWindow();

namespace win32_gui {
// Called before a window is hidden, disabled or destroyed: moves the focus
// out of it and its descendants and activates another window when it was
// the active one.
void ReleaseFocusFromTree(HWND window);
// How the next activation was caused (WA_ACTIVE or WA_CLICKACTIVE).
void SetActivationCause(WORD cause);
}  // namespace win32_gui
