#include "H264Module.h"

#include "encoder/core/CoreEnvironment.h"
#include "platform/win32/Module.h"

bool CanLoadH264Module()
{
    CString path = CCoreEnvironment::Get().ProgramFolder() + kH264ModuleName;
    HMODULE module = LoadLibraryW(path);
    if (!module) return false;
    FreeLibrary(module);
    return true;
}

bool IsH264Fourcc(DWORD fourcc)
{
    for (DWORD code : {MAKEFOURCC('a', 'v', 'c', '1'), MAKEFOURCC('H', '2', '6', '4'), MAKEFOURCC('X', '2', '6', '4'),
                       MAKEFOURCC('x', '2', '6', '4')})
        if (fourcc == code) return true;
    return false;
}
