// Minimised, maximised and normal top-level windows. A maximised window
// covers the work area of its monitor with its sizing border just outside
// it, as WM_GETMINMAXINFO places it; a minimised window keeps its rectangle,
// is iconified on the desktop and is told its client area is 0 x 0; both go
// back to the rectangle they had before (a window minimised from maximised
// goes back to maximised).
#pragma once

#include "UserTypes.h"

namespace win32_gui {

class WindowObject;

// Carries out a ShowWindow command that minimises, maximises or restores a
// top-level window. False when the command is a plain show or hide, or the
// window a child window: ShowWindow then shows or hides it as it is.
bool ChangeShowState(HWND window, int command);
// The rectangle the window has, or goes back to, in the normal state.
RECT NormalRectOf(const WindowObject& w);

}  // namespace win32_gui
