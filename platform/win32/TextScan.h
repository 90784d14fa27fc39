// Reading numbers and fixed line shapes out of text, with the
// meanings of the C run-time's scanning functions but always in the "C"
// locale and without undefined results: numbers too large for their type
// saturate.
#pragma once

#include <variant>
#include <vector>

#include "CString.h"

// The value of one hexadecimal digit (0-9, a-f, A-F); -1 for any other
// character.
int HexDigitValue(wchar_t c);

// The run-time's _wtoi: leading white space, an optional sign, decimal
// digits; 0 when there are none.
int ReadDecimalPrefix(const wchar_t* text);
// wcstol with base 16 for a whole text: leading white space, an optional
// sign, an optional "0x", hex digits up to the first other character.
long ReadHexPrefix(const wchar_t* text);

using ScanTarget = std::variant<int*, unsigned*, double*, wchar_t*, CString*>;

// Scans text by a format of the run-time's scanning functions, supporting
// white space (any run, also none), ordinary characters, %d, %x, %f, %c,
// %[set] / %[^set] and %%. Returns the number of fields stored, or -1 when
// the text ended before the first conversion. Targets are given in order;
// a conversion without a target of its type stops the scan.
int ScanFormatV(const wchar_t* text, const wchar_t* format, const std::vector<ScanTarget>& targets);

template <class... T>
int ScanFormat(const wchar_t* text, const wchar_t* format, T*... targets)
{
    return ScanFormatV(text, format, std::vector<ScanTarget>{ScanTarget(targets)...});
}
