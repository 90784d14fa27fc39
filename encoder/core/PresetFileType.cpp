#include "PresetFileType.h"

#include "encoder/core/DesktopFileType.h"
#include "encoder/core/LangTextTable.h"
#include "foundation/FileAssociation.h"
#include "foundation/PathHelpers.h"
#include "foundation/RegistryHelpers.h"

void RegisterPresetFileType()
{
    CString description = LookupText(L"TEXT_MEDIATYPE_PRESET");
    if (description.IsEmpty()) description = L"RivoEncoder Preset";
    CString program = GetModuleFilePath();
    CString icon = program + L",0";
    CString command = CString(L"\"") + program + L"\"" + L"\"%1\"";
    RegisterFileType(L"RivoEncoder", L".rvp", description, icon, command, false);
    SetFileAssociation(L"RivoEncoder", L".rvp");

    CString name = LookupText(L"TEXT_APP_NAME");
    RegisterDesktopPresetType(description, name.IsEmpty() ? CString(L"RivoEnc") : name, program);
}

void UnregisterPresetFileType()
{
    DeleteClassesRootKey(L"RivoEncoder", L".rvp");
    RestoreFileAssociation(L"RivoEncoder", L".rvp");
    UnregisterDesktopPresetType();
}
