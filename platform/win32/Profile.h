// INI files read and written through the profile-file calls of the emulated
// platform. A file that begins with FF FE is UTF-16LE text; any other file is
// narrow text in the ANSI code page. The narrow calls see a narrow file's own
// bytes (so a caller can decode them with a code page of its choosing); the
// wide calls see its text converted from the ANSI code page.
//
// Lookups: section and key names are matched without regard to case, the
// first matching section and entry win, values are trimmed of blanks and one
// pair of enclosing quotes is removed. Writes replace the file atomically,
// keep every other line as it was, and keep the file's encoding; a narrow
// file that would have to hold a character the ANSI code page lacks is
// rewritten whole as UTF-16LE, so no text is ever lost to '?'.
#pragma once

#include "WinTypes.h"

// With a null section: every section name; with a null key: every key of the
// section; each NUL-terminated, the list ends with an empty one. Returns the
// count copied without the final NUL (size - 1 when a value was cut, size - 2
// when a list was cut).
DWORD GetPrivateProfileStringW(const wchar_t* section, const wchar_t* key, const wchar_t* defaultValue, wchar_t* buffer,
                               DWORD size, const wchar_t* fileName);
DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue, char* buffer, DWORD size,
                               const char* fileName);
// The narrow read with wide names: a narrow file's value as its own bytes (a
// UTF-16 file's value converted to the ANSI code page); the default is ANSI
// bytes. Names and path stay wide so no path is lost to the ANSI code page.
DWORD GetPrivateProfileBytes(const wchar_t* section, const wchar_t* key, const char* defaultValue, char* buffer,
                             DWORD size, const wchar_t* fileName);
// Empty or missing values give the default; otherwise the leading decimal
// number (sign allowed), 0 when there is none.
UINT GetPrivateProfileIntW(const wchar_t* section, const wchar_t* key, INT defaultValue, const wchar_t* fileName);
// A null key deletes the section; a null value deletes the key.
BOOL WritePrivateProfileStringW(const wchar_t* section, const wchar_t* key, const wchar_t* value,
                                const wchar_t* fileName);
