// Files dropped on windows. A window that accepts files (DragAcceptFiles,
// WS_EX_ACCEPTFILES) gets WM_DROPFILES with a drop handle when files are
// dropped on it or on a child that does not accept them itself; the handle
// lists the full paths (no length limit) and the drop point until
// DragFinish. Desktop drops arrive through Qt on the top-level window's
// widget; tests drop with DropFilesOnWindow.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/StandardControls.h"

void DragAcceptFiles(HWND window, BOOL accept);
// 0xFFFFFFFF as the index gives the count of files; a null buffer gives the
// length of the path (without terminator); otherwise the path is copied,
// cut to fit with its terminator, and the count of characters copied is
// returned. 0 for a bad handle or index.
UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT chars);
// The drop point in the client coordinates of the window that got the drop;
// TRUE when it lies in the client area.
BOOL DragQueryPoint(HDROP drop, POINT* point);
void DragFinish(HDROP drop);

// Posts WM_DROPFILES for the paths to the window at the client point of the
// given window that accepts files (the window itself, a child under the
// point, or the nearest accepting ancestor). False when no window there
// accepts files or there are no paths.
bool DropFilesOnWindow(HWND window, POINT client, const std::vector<std::wstring>& paths);
