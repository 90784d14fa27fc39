#include "ClsidText.h"

#include <cwchar>

int GuidFromString(const CString& text, GUID* guid)
{
    if (!guid) return 0;
    *guid = GUID_NULL;
    unsigned int d1 = 0, d2 = 0, d3 = 0, b[8] = {};
    int fields = std::swscanf(text.GetString(), L"{%8X-%4X-%4X-%2X%2X-%2X%2X%2X%2X%2X%2X}", &d1, &d2, &d3, &b[0], &b[1],
                              &b[2], &b[3], &b[4], &b[5], &b[6], &b[7]);
    if (fields != 11) return 0;
    guid->Data1 = d1;
    guid->Data2 = static_cast<WORD>(d2);
    guid->Data3 = static_cast<WORD>(d3);
    for (int i = 0; i < 8; ++i) guid->Data4[i] = static_cast<BYTE>(b[i]);
    return 1;
}

int GuidToString(const GUID& guid, wchar_t* buffer, int bufferChars)
{
    if (!buffer || bufferChars < 39) return 0;
    std::wstring s = FormatText(L"{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
                                guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4],
                                guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    std::wmemcpy(buffer, s.c_str(), s.size() + 1);
    return static_cast<int>(s.size());
}
