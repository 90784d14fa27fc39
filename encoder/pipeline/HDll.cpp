#include "encoder/pipeline/HDll.h"

#include "foundation/PathHelpers.h"
#include "platform/win32/Module.h"

HMODULE HDll::CPluginDspLoadLibrary(const wchar_t* path, const wchar_t* alternativePath)
{
    HMODULE module = nullptr;
    if (path && *path) module = LoadLibraryW(path);
    if (!module && alternativePath && *alternativePath) module = LoadLibraryW(alternativePath);
    if (!module && path && *path) {
        CString fileName = GetFileNameFromPath(CString(path));
        if (!fileName.IsEmpty()) {
            module = LoadLibraryW(fileName);
            if (!module) module = LoadLibraryW(GetModuleDirectory() + fileName);
        }
    }
    m_hModule = module;
    m_bLoaded = module != nullptr;
    return module;
}

BOOL HDll::Free()
{
    BOOL result = 0;
    if (m_hModule) result = FreeLibrary(m_hModule);
    m_hModule = nullptr;
    m_bLoaded = false;
    return result;
}
