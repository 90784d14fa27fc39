// Taking paths apart and putting them together, testing and creating files
// and folders, and finding the program's own folder and the temporary folder.
// Every splitter accepts both '/' and '\' as separators; folder texts this
// module returns end with '/'.
#pragma once

#include <cstdint>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

bool IsFolder(const CString& path);
bool FileExists(const CString& path);
// The size as a 32-bit value; 0xFFFFFFFF (-1) when the file cannot be opened.
DWORD GetFileSizeByName(const CString& path);
// The full size; -1 when the file cannot be opened or its size not read.
int64_t GetFileSize64ByName(const CString& path);

CString CombinePath(const CString& folder, const CString& name, const CString& separator);
CString GetFolderPart(const CString& path);
CString GetFileNameFromPath(const CString& path);
CString GetFileTitlePart(const CString& path);
CString GetFileExtension(const CString& path);
// The path with the extension of its file name replaced; "" when the file
// name (the last component) has no '.'.
CString ReplaceFileExtension(const CString& path, const CString& newExtension);
// A name beside the path that names nothing yet: "title (n).ext" for the first
// free n from 2; "" when no free name is found.
CString MakeUniqueFileName(const CString& path);
// The path itself, or the first free "title (n).ext" from n = 2, taken at
// once: the file is created empty and exclusively, never through an existing
// name or symbolic link, so no other caller in this process or another can
// have the same name. "" when no file could be created (the folder is
// missing or not writable, or every name is taken).
CString ClaimUniqueFileName(const CString& path);
bool CreateFolderPath(const CString& path);

CString GetTempFolder();
CString GetModuleDirectory();
CString GetModuleFilePath();

bool IsPathSeparator(wchar_t c);
// A name that stays inside the folder it is taken from: not empty, relative,
// no drive, no ".." step (either separator).
bool IsSafeRelativePath(const CString& name);
