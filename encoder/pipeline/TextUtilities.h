// Small text utilities of the graph code: class ids in their registry form,
// wide text into a caller's narrow buffer, and the MD5 name of a text.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Guid.h"

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case; the all-zero form
// when the conversion fails.
CString ClsidToString(const GUID& clsid);
// The whole text with its terminator, converted in the code page into
// buffer (bufferBytes bytes); the buffer, or null when the buffer or text is
// null, the buffer has no room at all, or the conversion fails (a text that
// does not fit fails). The first byte is 0 whenever the buffer is used.
char* WideToNarrow(char* buffer, const wchar_t* text, int bufferBytes, UINT codePage);
// The 32 lower-case hexadecimal digits of the MD5 digest of the text's
// UTF-16 bytes.
CString TextMd5Hex(const wchar_t* text);
