// A module loaded by a path that may be stale: the base of the DSP plug-in
// host. The loading rule tries the path as given, an alternative path, the
// bare file name through the loader's own search, and last the file name in
// the program's folder, so a plug-in recorded with a folder that no longer
// holds it is still found beside the program.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class HDll {
public:
    HDll() = default;
    HDll(const HDll&) = delete;
    HDll& operator=(const HDll&) = delete;
    // Does not free the module: the owner frees it (Free), as the plug-in
    // host's destructor does.
    ~HDll() = default;

    // Tries, until one gives a handle: the path; the alternative path (when
    // not null); the path's file name alone (the program's folder, then the
    // system loader's search); the program's folder joined with that file
    // name. The handle becomes the module and loaded tells whether there is
    // one. Paths may separate folders with '/' or '\'.
    HMODULE CPluginDspLoadLibrary(const wchar_t* path, const wchar_t* alternativePath);
    // Frees the module when there is one: FreeLibrary's result, else 0. The
    // handle is forgotten either way.
    BOOL Free();

    bool IsLoaded() const { return m_bLoaded; }
    HMODULE GetHandle() const { return m_hModule; }

protected:
    bool m_bLoaded = false;
    HMODULE m_hModule = nullptr;
};
