// Where the program lives and where it may keep private files, and the one
// case-insensitive file-name lookup that stands in for the file system's
// case-blind names on the emulated platform.
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

// The per-user cache folder of the programs (mode 0700, owned by the user,
// never a symbolic link), with a trailing '/': $XDG_CACHE_HOME/rivoenc/ when
// that variable holds an absolute path, else $HOME/.cache/rivoenc/. Missing
// folders on the way are made (mode 0700). What is kept there survives the
// run and may be made again at any time. Empty when it cannot be made.
std::string GetUserCacheFolder();

// Resolves a relative path (components separated by '/' or '\') under a
// folder, matching each component without regard to case when the exact name
// does not exist. Returns the existing path, or "" when there is none. An
// exact match always wins; among case-blind matches the first in byte order.
std::string FindPathNoCase(const std::string& folderNative, const std::string& relativeNative);

// The process's current folder (no trailing '/'); "" when it cannot be read.
std::string GetCurrentFolderNative();
// The existing path for a path with folders, absolute or relative to the
// current folder, matched without regard to case where the exact spelling
// does not exist; always absolute, "" when there is none.
std::string FindPathNoCaseFromCurrent(const std::string& path);

// Win32 shapes. GetModuleFileNameW answers for the main program (a null
// module or the main program's handle); GetTempPathW answers the private
// runtime folder.
DWORD GetModuleFileNameW(HMODULE module, wchar_t* buffer, DWORD size);
DWORD GetTempPathW(DWORD size, wchar_t* buffer);
