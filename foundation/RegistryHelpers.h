// Typed reads and writes of registry values under any root key, and recursive
// key deletion. Each call opens and closes its own keys; failures are results
// (false, or the default), never messages.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Registry.h"

bool RegWriteDword(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD value);
// The out value first receives the default, then the stored value when one can be read.
bool RegReadDword(HKEY root, const wchar_t* subKey, const wchar_t* valueName, DWORD* value, DWORD defaultValue);
bool RegWriteDwordStr(HKEY root, const CString& subKey, const CString& valueName, DWORD value);
bool RegReadDwordStr(HKEY root, const CString& subKey, const CString& valueName, DWORD* value, DWORD defaultValue);
// REG_MULTI_SZ holding the text and one terminating NUL (length x 2 + 2 bytes).
bool RegWriteMultiString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const CString& text);
// REG_SZ of the ANSI-converted name and text through the narrow call.
bool RegWriteStringAnsi(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const CString& text);
bool RegWriteBinary(HKEY root, const wchar_t* subKey, const wchar_t* valueName, const BYTE* bytes, DWORD count);
// The out string is untouched when nothing could be read.
bool RegReadString(HKEY root, const wchar_t* subKey, const wchar_t* valueName, CString& value);
// Like RegReadString; on failure the out string receives the default.
bool RegReadStringDefault(HKEY root, const wchar_t* subKey, const wchar_t* valueName, CString& value,
                          const CString& defaultValue);
CString RegReadClassesRootDefault(const wchar_t* subKey);
// Any value type into a buffer of exactly its size; the caller frees it with delete[].
bool RegReadBinaryAlloc(HKEY root, const wchar_t* subKey, const wchar_t* valueName, BYTE** buffer, DWORD* size);
bool RegDeleteValueOf(HKEY root, const wchar_t* subKey, const wchar_t* valueName);
// The key with all its sub-keys; true when the key itself was deleted.
bool RegDeleteKeyTree(HKEY root, const wchar_t* subKey);
bool DeleteClassesRootKey(const CString& firstPart, const CString& secondPart);
