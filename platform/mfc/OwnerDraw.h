// Owner drawing of list items: the parent draws an item with WM_DRAWITEM
// into a device context over an image of the item's size, and the control
// shows that image in its Qt widget.
#pragma once

#include <QImage>

#include "platform/mfc/StandardControls.h"

namespace mfc_controls {

// Asks the control's parent to draw the item and returns the drawing. The
// DC starts with the control's font, the window colours and the background
// filled.
QImage DrawItemByOwner(HWND control, UINT controlType, int itemId, UINT state, ULONG_PTR itemData, int width,
                       int height, HGDIOBJ font);
// Asks the parent for the height of the items (WM_MEASUREITEM); itemId -1 is
// the selection field of a combo box. The fallback when the parent says
// nothing.
int MeasureItemByOwner(HWND control, UINT controlType, int itemId, ULONG_PTR itemData, int fallback);

}  // namespace mfc_controls
