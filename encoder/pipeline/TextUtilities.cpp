#include "encoder/pipeline/TextUtilities.h"

#include "foundation/Md5.h"
#include "platform/win32/CodePage.h"

CString ClsidToString(const GUID& clsid)
{
    wchar_t text[40];
    if (StringFromGUID2(clsid, text, 40) == 0) StringFromGUID2(GUID_NULL, text, 40);
    return CString(text);
}

char* WideToNarrow(char* buffer, const wchar_t* text, int bufferBytes, UINT codePage)
{
    // A buffer without room cannot even take the terminator.
    if (!buffer || !text || bufferBytes <= 0) return nullptr;
    buffer[0] = 0;
    if (WideCharToMultiByte(codePage, 0, text, -1, buffer, bufferBytes, nullptr, nullptr) == 0) return nullptr;
    return buffer;
}

CString TextMd5Hex(const wchar_t* text)
{
    wchar_t hex[33];
    Md5HexOfWideText(text ? text : L"", hex);
    return CString(hex);
}
