// Where the program lives and where it may keep private files, and the one
// case-insensitive file-name lookup that stands in for the file system's
// case-blind names on the original platform.
#pragma once

#include <string>

#include "WinTypes.h"

// Folder of the running executable, with a trailing '/'. Native (UTF-8).
std::string GetProgramFolderNative();
// Full path of the running executable. Native (UTF-8).
std::string GetProgramPathNative();

// The per-user private folder (mode 0700, owned by the user, never a
// symbolic link), with a trailing '/': $XDG_RUNTIME_DIR/rivoenc/, else
// $TMPDIR (or /tmp)/rivoenc-UID/, else a fresh mkdtemp folder for this
// process. Empty only when none of them can be made.
std::string GetPrivateRuntimeFolder();

// Resolves a relative path (components separated by '/' or '\') under a
// folder, matching each component without regard to case when the exact name
// does not exist. Returns the existing path, or "" when there is none. An
// exact match always wins; among case-blind matches the first in byte order.
std::string FindPathNoCase(const std::string& folderNative, const std::string& relativeNative);

// Win32 shapes. GetModuleFileNameW answers for the main program only (a null
// module); GetTempPathW answers the private runtime folder.
DWORD GetModuleFileNameW(HMODULE module, wchar_t* buffer, DWORD size);
DWORD GetTempPathW(DWORD size, wchar_t* buffer);
