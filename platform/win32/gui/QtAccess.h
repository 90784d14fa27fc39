// The Qt objects behind the layer's handles, for the code that shows windows
// through real Qt widgets: the dialog layer, and the tests and developer
// tools that look at widgets and pictures. Not part of the layer's public
// interface: only what links rivo_win32_gui_qt sees this header (and Qt
// with it). Each call lives beside the objects it reaches: the widget in
// QtAccess.cpp, the font in GdiText.cpp, bitmaps in PictureLoader.cpp, icons
// and cursors in Cursors.cpp.
#pragma once

#include <QFont>
#include <QImage>

#include "platform/win32/gui/UserTypes.h"

class QWidget;

// The Qt widget that shows a window, for the dialog layer, which places real
// Qt controls inside its control windows. The widget belongs to the window:
// it is deleted with the window, together with whatever was placed inside
// it. Null for a window that has no widget (no Qt application on this
// thread, or a child of such a window) and for a handle that is not a window.
QWidget* GetWindowQWidget(HWND window);

// A new 32-bit top-down DIB section with the image's colour channels (the
// fourth byte 0), owned by the caller; null when it cannot be made.
HBITMAP BitmapFromImage(const QImage& image);

// An icon picture registered under a resource id for LoadIconW.
void RegisterIconResource(WORD id, const QImage& image);

namespace win32_gui {
// The QFont of the font selected into a DC (the system font for none).
QFont DcFont(HDC dc);
// The image and hot spot behind a cursor or icon.
bool CursorImage(HCURSOR cursor, QImage* image, POINT* hotSpot);
}  // namespace win32_gui
