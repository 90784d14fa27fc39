// Reading the headers of an HTTP answer, as the downloads and the file
// reader over HTTP read them.
#pragma once

#include <cstdint>

#include "platform/win32/Inet.h"

// A header text in a buffer of 64 characters (128 bytes, the room the
// downloads give a header); the size is set afresh for every query. False
// when the answer has no such header or it does not fit; the text is empty
// then.
bool QueryHeaderText(HINTERNET request, DWORD level, wchar_t (&text)[64]);

// The number a Content-Length text holds: decimal digits only, at least one,
// and no larger than a signed 64-bit count of bytes can hold with room to
// spare (19 digits below 9223372036854775800). False for any other text.
bool ParseContentLength(const wchar_t* text, int64_t* length);
