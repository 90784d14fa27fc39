// The Qt side of a window: one QWidget per window (top-level windows are
// frameless Qt windows, child windows child widgets), showing the window's
// backing image and turning Qt's mouse and key events into injected input.
// Without a QApplication no widgets are made and windows still work.
#pragma once

#include <QRect>
#include <QSize>

class QCursor;
class QWidget;

namespace win32_gui {

class WindowObject;

void CreateWidgetFor(WindowObject& w);
void DestroyWidgetFor(WindowObject& w);
void SyncWidgetGeometry(WindowObject& w);  // the window and its children
void SyncWidgetVisibility(WindowObject& w);
// Iconifies a minimised top-level window on the desktop, or brings it back.
void SyncWidgetShowState(WindowObject& w);
void SyncWidgetStacking(WindowObject& w);
void SyncWidgetFlags(WindowObject& w);
void SyncWidgetMask(WindowObject& w);
void ReparentWidget(WindowObject& w);
void ActivateWidget(WindowObject& w);
// Shows the changed part of the backing image (window coordinates).
void UpdateWidget(WindowObject& w, const QRect& r);
// Puts what the backing image holds on the screen now.
void RepaintWidgetNow(WindowObject& w);
// Shows the cursor over every window (null hides it).
void ApplyCursorToWidgets(const QCursor* cursor);
// Hands the move (edge 0) or the size by a WMSZ_ edge of a top-level window
// to the desktop's window manager, which drags the real window itself from
// where the pointer is; the limits become the smallest and largest size it
// lets the user give. The places it gives come back as the desktop's own
// moves, and the window gets WM_EXITSIZEMOVE once input reaches the program
// again. False where no window manager takes the drag (none runs, or the
// window has no widget).
bool StartDesktopDrag(WindowObject& w, unsigned edge, const QSize& minimum, const QSize& maximum);

}  // namespace win32_gui
