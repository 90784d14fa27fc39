// The registry functions with their Win32 shapes, over RegistryStore.
//
// Key handles are opaque and checked: a handle that is not open gives
// ERROR_INVALID_HANDLE, a handle whose key was deleted meanwhile gives
// ERROR_KEY_DELETED. A handle names its key by path, so a key deleted and
// made again under the same path is the same key to it.
//
// Value data move as raw bytes through the W functions. Registry byte sizes
// count UTF-16 units, so string values (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ)
// hold UTF-16LE bytes, stored and returned exactly as given; callers convert
// with char16_t at that border. The A functions convert string data between
// the ANSI code page and UTF-16LE. Names are wide texts and name lengths count
// wchar_t characters.
#pragma once

#include <string>
#include <string_view>

#include "WinTypes.h"

using HKEY = struct HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;

// The predefined roots, with the values (sign-extended, as on 64-bit Windows)
// the platform's headers give them.
inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000000u)));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000001u)));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(0x80000002u)));

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

// Access rights of a key handle.
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// RegCreateKeyExW options and dispositions. Every key is kept on disk.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// A null or empty sub-key means the key of the handle itself.
LONG RegOpenKeyExW(HKEY key, const wchar_t* subKey, DWORD options, REGSAM access, PHKEY result);
// The class and security arguments are accepted and not used.
LONG RegCreateKeyExW(HKEY key, const wchar_t* subKey, DWORD reserved, wchar_t* keyClass, DWORD options, REGSAM access,
                     const void* securityAttributes, PHKEY result, DWORD* disposition);
LONG RegCloseKey(HKEY key);

// A null data pointer asks for the size; a buffer too small gives
// ERROR_MORE_DATA and the size needed.
LONG RegQueryValueExW(HKEY key, const wchar_t* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes);
LONG RegSetValueExW(HKEY key, const wchar_t* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataBytes);
// String types: the data are ANSI bytes, stored as UTF-16LE ending with a NUL.
LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataBytes);
// String types come back as ANSI bytes; sizes count those bytes.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataBytes);
LONG RegDeleteValueW(HKEY key, const wchar_t* valueName);

// Fails with ERROR_ACCESS_DENIED while the key has sub-keys. Deleting through
// a handle needs write or delete rights on it.
LONG RegDeleteKeyW(HKEY key, const wchar_t* subKey);
// With a sub-key: that key and everything under it. Without: everything under
// the handle's key, which itself stays.
LONG RegDeleteTreeW(HKEY key, const wchar_t* subKey);

// Class texts are always empty and the last-write time is not kept (zero).
LONG RegQueryInfoKeyW(HKEY key, wchar_t* keyClass, DWORD* classChars, DWORD* reserved, DWORD* subKeys,
                      DWORD* maxSubKeyLen, DWORD* maxClassLen, DWORD* values, DWORD* maxValueNameLen,
                      DWORD* maxValueLen, DWORD* securityDescriptorBytes, FILETIME* lastWriteTime);
// Sub-keys in case-insensitive order. nameChars: in, the buffer's size with
// room for the NUL; out, the characters written without it.
LONG RegEnumKeyExW(HKEY key, DWORD index, wchar_t* name, DWORD* nameChars, DWORD* reserved, wchar_t* keyClass,
                   DWORD* classChars, FILETIME* lastWriteTime);
// Values in the order they were first written.
LONG RegEnumValueW(HKEY key, DWORD index, wchar_t* valueName, DWORD* valueNameChars, DWORD* reserved, DWORD* type,
                   BYTE* data, DWORD* dataBytes);

// A wide text as REG_SZ (UTF-16LE with its NUL), and back: REG_SZ or
// REG_EXPAND_SZ up to the first NUL; other types give ERROR_INVALID_DATA.
LONG RegSetTextValue(HKEY key, const wchar_t* valueName, std::wstring_view text);
LONG RegGetTextValue(HKEY key, const wchar_t* valueName, std::wstring* text);
