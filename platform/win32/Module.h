// Loadable modules: ELF shared objects that keep the file names the
// application gives them, loaded with their symbols private to each module.
// Each successful LoadLibraryW needs one FreeLibrary; the module is unloaded
// when the last one is made. Failures set GetLastError and return null; the
// loader's own message text is never shown.
#pragma once

#include "WinTypes.h"

// What GetProcAddress gives. Callers cast it to the real function type; a
// function type without parameters or result can be cast to any other
// without a warning.
using FARPROC = void (*)();

// A name without a folder is looked up in the program folder first, without
// regard to case, and otherwise handed to the system loader as it is (which
// searches its own folders). A name with a folder ('/' or '\') is taken
// relative to the current folder, matched without regard to case where the
// exact spelling does not exist. ERROR_MOD_NOT_FOUND when nothing loads.
HMODULE LoadLibraryW(LPCWSTR fileName);
// ERROR_INVALID_HANDLE for a handle that is not a loaded module.
BOOL FreeLibrary(HMODULE module);
// An export of the module itself (not of the libraries it uses);
// ERROR_PROC_NOT_FOUND when it has none of that name. Exports by ordinal
// number do not exist here.
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
// A module already loaded through LoadLibraryW, by file name (without regard
// to case) or by path; the count of loads is not changed. A null name gives
// the running program itself, whose exports GetProcAddress also finds.
// ERROR_MOD_NOT_FOUND when no such module is loaded.
HMODULE GetModuleHandleW(LPCWSTR moduleName);
