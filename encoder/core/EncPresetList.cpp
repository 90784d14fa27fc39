#include "EncPresetList.h"

#include "encoder/core/EncSettings.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/Files.h"
#include "platform/win32/KernelObject.h"

CEncPresetList::CEncPresetList(const CString& folder, const CEncSettings& settings) { Read(folder, settings); }

CEncPresetList::CEncPresetList(const CString& folder) { Read(folder, GetEncSettings()); }

CEncPresetList::~CEncPresetList()
{
    for (int i = 0; i < GetSize(); ++i) delete GetAt(i);
    RemoveAll();
}

void CEncPresetList::Read(const CString& folder, const CEncSettings& settings)
{
    if (FileExists(folder)) return;
    for (const wchar_t* pattern : {L"*.rvp", L"*.ini"}) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW(folder + pattern, &found);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            // Folders that happen to match are no presets.
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            Add(new CEncPresetInfo(folder + found.cFileName, settings));
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
}
