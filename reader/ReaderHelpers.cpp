#include "ReaderHelpers.h"

#include "platform/win32/CodePage.h"
#include "platform/win32/Files.h"

bool FileExists(const wchar_t* path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE));
}

std::wstring ToWide(std::string_view text)
{
    size_t end = text.find('\0');
    if (end != std::string_view::npos) text = text.substr(0, end);
    if (IsValidUtf8(text)) return Utf8ToWide(text);
    return MultiByteToWide(CP_ACP, text);
}

std::string ToNarrow(std::wstring_view text) { return WideToMultiByte(CP_ACP, text); }
