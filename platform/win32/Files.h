// File functions with the Win32 shapes the application calls: handles from
// CreateFileW, 64-bit sizes and seeks, attributes, folders, directory
// enumeration with wildcards, and _wfopen. Only regular files are ever opened:
// a FIFO or device is refused at once, so no caller can block on one.
#pragma once

#include <cstdio>
#include <string>

#include "KernelObject.h"
#include "WinTypes.h"

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_DEVICE = 0x40;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000u;
constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000u;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;

HANDLE CreateFileW(const wchar_t* path, DWORD access, DWORD share, void* security, DWORD disposition, DWORD flags,
                   HANDLE templateFile);
BOOL ReadFile(HANDLE file, void* buffer, DWORD toRead, DWORD* read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD toWrite, DWORD* written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distanceLow, LONG* distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method);
// On success the last error is cleared, so INVALID_FILE_SIZE with a clear
// error is a genuine size.
DWORD GetFileSize(HANDLE file, DWORD* sizeHigh);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);

DWORD GetFileAttributesW(const wchar_t* path);
BOOL CreateDirectoryW(const wchar_t* path, void* security);
BOOL RemoveDirectoryW(const wchar_t* path);
BOOL DeleteFileW(const wchar_t* path);
BOOL MoveFileExW(const wchar_t* from, const wchar_t* to, DWORD flags);
BOOL CopyFileW(const wchar_t* from, const wchar_t* to, BOOL failIfExists);
// Whether both paths name one existing file: with symbolic links followed,
// the same file of the same device. Path texts cannot tell: a relative path,
// one through a symbolic link or a second hard link name the file too.
bool IsSameFileW(const wchar_t* a, const wchar_t* b);
// Paths have no short forms here: an existing path is its own long form.
DWORD GetLongPathNameW(const wchar_t* shortPath, wchar_t* longPath, DWORD size);
// A temporary file name in the folder: the folder, a separator when it has
// none at its end, up to three characters of the prefix, the number in four
// hexadecimal digits and ".TMP". With unique 0 a number is chosen whose name
// names nothing yet and that file is created, empty, so no other caller can
// take it; otherwise the name is only formed. The buffer holds MAX_PATH
// characters. The number used; 0 (with the last error) when no file could
// be created or the name does not fit.
UINT GetTempFileNameW(const wchar_t* folder, const wchar_t* prefix, UINT unique, wchar_t* tempFileName);

struct WIN32_FIND_DATAW {
    DWORD dwFileAttributes = 0;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh = 0;
    DWORD nFileSizeLow = 0;
    wchar_t cFileName[MAX_PATH * 4] = {};
};
// Enumerates a folder with a '*'/'?' pattern in the last component, matched
// without regard to case (as the platform's file system does). "." and ".."
// are included, as the platform's call gives them.
HANDLE FindFirstFileW(const wchar_t* pattern, WIN32_FIND_DATAW* data);
BOOL FindNextFileW(HANDLE find, WIN32_FIND_DATAW* data);
BOOL FindClose(HANDLE find);
bool WildcardMatchNoCase(const wchar_t* pattern, const wchar_t* name);

FILE* _wfopen(const wchar_t* path, const wchar_t* mode);
