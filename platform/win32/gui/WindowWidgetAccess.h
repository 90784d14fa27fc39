// The Qt widget that shows a window, for the dialog layer above, which
// places real Qt controls inside its control windows. The widget belongs to
// the window: it is deleted with the window, together with whatever was
// placed inside it.
#pragma once

#include "UserTypes.h"

class QWidget;

// Null for a window that has no widget (no Qt application on this thread,
// or a child of such a window) and for a handle that is not a window.
QWidget* GetWindowQWidget(HWND window);
