// Four-character codes: the 32-bit names that containers, codecs and media
// types give streams and chunks, four bytes in file order read as one
// little-endian number (the first character in the lowest byte). The one
// set of helpers for every layer that makes, compares or shows such codes.
#pragma once

#include <string>

#include "platform/win32/Guid.h"
#include "platform/win32/WinTypes.h"

// The code of four characters as written: FourCC("XVID").
constexpr DWORD FourCC(const char (&text)[5]) { return MAKEFOURCC(text[0], text[1], text[2], text[3]); }

// The code with its letters a-z in upper case; every other byte, also one
// beyond ASCII, stays as it is. Codec tables are keyed by the upper-case
// form, whatever case a file writes.
constexpr DWORD FourCCUpper(DWORD code)
{
    DWORD upper = 0;
    for (int i = 0; i < 4; ++i) {
        DWORD c = (code >> (8 * i)) & 0xFF;
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        upper |= c << (8 * i);
    }
    return upper;
}

// The four bytes of a code as four characters, first byte first, each the
// character of the same number; a zero byte becomes zero (L'\0' keeps it,
// so that a caller may end the text there).
std::wstring FourCCText(DWORD code, wchar_t zero);

// The media subtype named by a code: {XXXXXXXX-0000-0010-8000-00AA00389B71}.
constexpr GUID FourCCGuid(DWORD code)
{
    return GUID{code, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}};
}
