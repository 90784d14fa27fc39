// The desktop's side of a registered file type (freedesktop.org shared MIME
// info, desktop entries and default applications, all under the user's data
// folder): a MIME type for preset files (*.rvp) whose default application is
// the program, so that the file manager opens presets with it.
#pragma once

#include "platform/win32/CString.h"

// The MIME type and desktop entry that the preset file type is known by.
inline constexpr const wchar_t* kPresetMimeType = L"application/x-rivoenc-preset";
inline constexpr const wchar_t* kPresetDesktopEntry = L"rivoenc.desktop";

// Writes the MIME type (with its description and the *.rvp pattern), the
// desktop entry that opens a preset with the program, and the default
// association; false when one of them could not be written.
bool RegisterDesktopPresetType(const CString& description, const CString& applicationName, const CString& programPath);
// Removes the three again; the default association only while it still names
// the program's entry. False when something could not be removed.
bool UnregisterDesktopPresetType();
// Lets the desktop see the change: rebuilds the user's MIME and desktop
// databases with the system's tools, when they are installed.
void NotifyDesktopAssociationChanged();
