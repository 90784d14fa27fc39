// The folder picker of the path helpers: the desktop's folder dialog with the
// start folder preselected.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

// The folder the user picked, without a trailing separator (the root stays
// "/"); "" when the user cancels. An empty start folder leaves the choice of
// where to start to the dialog.
CString BrowseForFolder(HWND owner, const CString& startFolder, const CString& title);
