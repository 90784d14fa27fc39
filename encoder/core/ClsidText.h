// Class identifiers as text: the braced, upper-case form in which filter class
// ids are kept in the settings (the blocked-filter list).
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Guid.h"

// Reads exactly the braced pattern {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
// (each field its full width of hexadecimal digits, either case, nothing
// around it) with the platform's parser. 1 when parsed; otherwise 0 and an
// all-zero GUID.
int GuidFromString(const CString& text, GUID* guid);
// Writes the braced upper-case form (38 characters and a NUL) into buffer;
// returns the characters written without the NUL, 0 when the buffer holds
// fewer than 39 characters (nothing is written then).
int GuidToString(const GUID& guid, wchar_t* buffer, int bufferChars);
