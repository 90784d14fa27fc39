#include "FileAssociation.h"

#include "RegistryHelpers.h"

bool RegisterFileType(const CString& prefix, const CString& extension, const CString& description,
                      const CString& iconText, const CString& openCommand, bool editFlags)
{
    CString type = prefix + extension;
    if (!RegWriteStringAnsi(HKEY_CLASSES_ROOT, type, L"", description)) return false;
    if (!RegWriteStringAnsi(HKEY_CLASSES_ROOT, type + L"\\DefaultIcon", L"", iconText)) return false;
    if (!RegWriteStringAnsi(HKEY_CLASSES_ROOT, type + L"\\shell", L"", L"open")) return false;
    if (!RegWriteStringAnsi(HKEY_CLASSES_ROOT, type + L"\\shell\\open\\command", L"", openCommand)) return false;
    if (editFlags) {
        const BYTE flags[4] = {0x00, 0x00, 0x01, 0x00};  // 0x00010000, little-endian
        if (!RegWriteBinary(HKEY_CLASSES_ROOT, type, L"EditFlags", flags, 4)) return false;
    }
    return true;
}

bool SetFileAssociation(const CString& prefix, const CString& extension)
{
    CString type = prefix + extension;
    CString current;
    bool has = RegReadString(HKEY_CLASSES_ROOT, extension, L"", current);
    if (has && current == type) return true;
    if (has && !current.IsEmpty()) {
        // Keep what the extension pointed at so it can come back.
        if (!RegWriteStringAnsi(HKEY_CLASSES_ROOT, extension, prefix + L"_bak", current)) return false;
    }
    return RegWriteStringAnsi(HKEY_CLASSES_ROOT, extension, L"", type);
}

bool RestoreFileAssociation(const CString& prefix, const CString& extension)
{
    CString type = prefix + extension;
    CString backupName = prefix + L"_bak";
    CString kept;
    if (RegReadString(HKEY_CLASSES_ROOT, extension, backupName, kept))
        RegDeleteValueOf(HKEY_CLASSES_ROOT, extension, backupName);
    else
        kept.Empty();
    CString current;
    if (RegReadString(HKEY_CLASSES_ROOT, extension, L"", current) && current == type)
        return RegWriteStringAnsi(HKEY_CLASSES_ROOT, extension, L"", kept);
    return true;  // another program took the extension over: leave it
}
