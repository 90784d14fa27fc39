#include "PathHelpers.h"

#include "platform/win32/Files.h"
#include "platform/win32/Folders.h"
#include "platform/win32/NativePath.h"

namespace {

int LastSeparator(const CString& path)
{
    for (int i = path.GetLength() - 1; i >= 0; --i)
        if (IsPathSeparator(path[i])) return i;
    return -1;
}

// The file-name part of the standard split: behind the last separator and
// behind a drive part such as "C:".
CString NamePart(const CString& path)
{
    int sep = LastSeparator(path);
    CString name = path.Mid(sep + 1);
    if (sep < 0 && name.GetLength() >= 2 && name[1] == L':') name = name.Mid(2);
    return name;
}

}  // namespace

bool IsPathSeparator(wchar_t c) { return c == L'/' || c == L'\\'; }

bool IsSafeRelativePath(const CString& name)
{
    int n = name.GetLength();
    if (n == 0 || IsPathSeparator(name[0])) return false;
    if (n >= 2 && name[1] == L':') return false;
    int start = 0;
    for (int i = 0; i <= n; ++i) {
        if (i < n && !IsPathSeparator(name[i])) continue;
        if (i - start == 2 && name[start] == L'.' && name[start + 1] == L'.') return false;
        start = i + 1;
    }
    return true;
}

bool IsFolder(const CString& path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const CString& path)
{
    DWORD a = GetFileAttributesW(path);
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

DWORD GetFileSizeByName(const CString& path)
{
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0xFFFFFFFFu;
    DWORD size = GetFileSize(h, nullptr);
    CloseHandle(h);
    return size;
}

int64_t GetFileSize64ByName(const CString& path)
{
    HANDLE h = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return -1;
    DWORD high = 0;
    DWORD low = GetFileSize(h, &high);
    DWORD err = GetLastError();
    CloseHandle(h);
    if (low == INVALID_FILE_SIZE && err != NO_ERROR) return -1;
    return static_cast<int64_t>((static_cast<uint64_t>(high) << 32) | low);
}

CString CombinePath(const CString& folder, const CString& name, const CString& separator)
{
    // Either separator counts as one when the caller joins with a separator:
    // a folder given as "C:\out\" and a name given as "/a" still meet once.
    auto isSep = [&](wchar_t c) {
        if (separator.GetLength() == 1 && IsPathSeparator(separator[0])) return IsPathSeparator(c);
        return separator.GetLength() == 1 && c == separator[0];
    };
    CString n = name;
    if (n == separator) n.Empty();
    if (!n.IsEmpty() && isSep(n[0])) n = n.Mid(1);
    if (!folder.IsEmpty() && isSep(folder[folder.GetLength() - 1])) return folder + n;
    return folder + separator + n;
}

CString GetFolderPart(const CString& path)
{
    CString p = path;
    if (!p.IsEmpty() && IsPathSeparator(p[p.GetLength() - 1])) p.Truncate(p.GetLength() - 1);
    int sep = LastSeparator(p);
    return sep < 0 ? CString() : p.Left(sep + 1);
}

CString GetFileNameFromPath(const CString& path)
{
    int at = -1;
    for (int i = path.GetLength() - 1; i >= 0; --i) {
        wchar_t c = path[i];
        if (c == L'/' || c == L'\\' || c == L'|') {
            at = i;
            break;
        }
    }
    return at < 0 ? path : path.Mid(at + 1);
}

CString GetFileTitlePart(const CString& path)
{
    CString name = NamePart(path);
    int dot = name.ReverseFind(L'.');
    return dot < 0 ? name : name.Left(dot);
}

CString GetFileExtension(const CString& path)
{
    CString name = NamePart(path);
    int dot = name.ReverseFind(L'.');
    return dot < 0 ? CString() : name.Mid(dot);
}

CString ReplaceFileExtension(const CString& path, const CString& newExtension)
{
    // Only the last component can carry an extension: cutting at a dot in a
    // folder name would name a file in another folder.
    int dot = path.ReverseFind(L'.');
    if (dot < 0 || dot < LastSeparator(path)) return CString();
    return path.Left(dot) + L"." + newExtension;
}

CString MakeUniqueFileName(const CString& path)
{
    if (GetFileAttributesW(path) == INVALID_FILE_ATTRIBUTES || IsFolder(path)) return path;
    CString folder = GetFolderPart(path);
    CString title = GetFileTitlePart(path);
    CString ext = GetFileExtension(path);
    for (int n = 2; n <= 10000; ++n) {
        CString candidate;
        candidate.Format(L"%s%s (%d)%s", folder, title, n, ext);
        // A candidate must name nothing at all, not even a folder.
        if (GetFileAttributesW(candidate) == INVALID_FILE_ATTRIBUTES) return candidate == path ? CString() : candidate;
    }
    return CString();  // every candidate is taken: never answer an existing path
}

CString ClaimUniqueFileName(const CString& path)
{
    if (path.IsEmpty()) return CString();
    const CString folder = GetFolderPart(path);
    const CString title = GetFileTitlePart(path);
    const CString ext = GetFileExtension(path);
    for (int n = 1; n <= 10000; ++n) {
        CString candidate = path;
        if (n > 1) candidate.Format(L"%s%s (%d)%s", folder, title, n, ext);
        HANDLE file = CreateFileW(candidate, GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            return candidate;
        }
        // Only a name that is taken sends the search on; any other failure
        // would fail for every name.
        if (GetLastError() != ERROR_FILE_EXISTS) return CString();
    }
    return CString();
}

bool CreateFolderPath(const CString& path)
{
    if (IsFolder(path)) return true;
    int first = -1;
    for (int i = 0; i < path.GetLength(); ++i)
        if (IsPathSeparator(path[i])) {
            first = i;
            break;
        }
    if (first >= 0) {
        for (int i = first + 1; i < path.GetLength(); ++i)
            if (IsPathSeparator(path[i])) CreateDirectoryW(path.Left(i), nullptr);
    }
    CreateDirectoryW(path, nullptr);
    return IsFolder(path);
}

CString GetTempFolder()
{
    wchar_t buf[4096];
    DWORD n = GetTempPathW(4096, buf);
    return (n == 0 || n >= 4096) ? CString() : CString(buf);
}

CString GetModuleDirectory()
{
    static const CString folder(FromNativePath(GetProgramFolderNative()));
    return folder;
}

CString GetModuleFilePath() { return CString(FromNativePath(GetProgramPathNative())); }
