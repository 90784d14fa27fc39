#include "ProfileHelpers.h"

#include <vector>

#include "PathHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/Profile.h"

namespace {

bool IsUtf16File(const CString& path)
{
    std::string bytes;
    // Only the mark matters; the whole read is cheap for settings files.
    if (!ReadWholeFile(ToNativePath(path.str()), &bytes, 64u << 20)) return false;
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

// Reads through a buffer that grows until the value fits, so long values are
// never cut (a fixed buffer size would be a limit of the call, not of the
// value).
template <class C, class Read>
std::basic_string<C> ReadGrowing(Read read, bool list)
{
    for (DWORD size = 10000;; size *= 4) {
        std::vector<C> buf(size);
        DWORD n = read(buf.data(), size);
        bool cut = list ? (n == size - 2) : (n == size - 1);
        if (!cut || size >= (16u << 20)) return std::basic_string<C>(buf.data(), list ? n + 1 : n);
    }
}

}  // namespace

CString ResolveProfilePath(const CString& fileName)
{
    if ((!fileName.IsEmpty() && fileName[0] == L'/') || fileName.Left(2) == L"\\\\") return fileName;
    return CombinePath(GetModuleDirectory(), fileName, L"/");
}

CString IniReadString(const CString& section, const CString& key, const CString& fileName, const CString& defaultValue,
                      int codePage)
{
    CString path = ResolveProfilePath(fileName);
    if (!IsUtf16File(path)) {
        // The file's own bytes, decoded with the caller's code page. The
        // narrow read gets no default: a missing key falls through to the wide
        // read below, which returns the caller's default unchanged.
        std::string bytes = ReadGrowing<char>(
            [&](char* b, DWORD n) { return GetPrivateProfileBytes(section, key, "", b, n, path); }, false);
        if (!bytes.empty()) return CString(MultiByteToWide(codePage == -1 ? 949u : static_cast<UINT>(codePage), bytes));
    }
    std::wstring text = ReadGrowing<wchar_t>(
        [&](wchar_t* b, DWORD n) { return GetPrivateProfileStringW(section, key, defaultValue, b, n, path); }, false);
    return CString(text);
}

bool IniWriteString(const CString& section, const CString& key, const CString& value, const CString& fileName)
{
    return WritePrivateProfileStringW(section, key, value, ResolveProfilePath(fileName)) != FALSE;
}

int IniReadInt(const CString& section, const CString& key, int defaultValue, const CString& fileName)
{
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, ResolveProfilePath(fileName)));
}

bool IniWriteInt(const CString& section, const CString& key, int value, const CString& fileName)
{
    CString text;
    text.Format(L"%d", value);
    return IniWriteString(section, key, text, fileName);
}

int IniGetKeyNames(CStringList& list, const CString& section, const CString& fileName)
{
    list.RemoveAll();
    CString path = ResolveProfilePath(fileName);
    std::wstring names = ReadGrowing<wchar_t>(
        [&](wchar_t* b, DWORD n) { return GetPrivateProfileStringW(section, nullptr, L"", b, n, path); }, true);
    size_t pos = 0;
    while (pos < names.size() && names[pos] != 0) {
        size_t end = names.find(L'\0', pos);
        if (end == std::wstring::npos) end = names.size();
        list.AddTail(CString(names.substr(pos, end - pos)));
        pos = end + 1;
    }
    return list.GetCount();
}
