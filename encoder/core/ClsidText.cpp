#include "ClsidText.h"

#include <cwchar>

int GuidFromString(const CString& text, GUID* guid)
{
    if (!guid) return 0;
    return ::GuidFromString(std::wstring(text.GetString(), static_cast<size_t>(text.GetLength())), guid) ? 1 : 0;
}

int GuidToString(const GUID& guid, wchar_t* buffer, int bufferChars)
{
    // StringFromGUID2 counts the terminator; callers here count characters.
    int written = StringFromGUID2(guid, buffer, bufferChars);
    return written > 0 ? written - 1 : 0;
}
