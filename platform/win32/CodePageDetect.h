// Guessing the code page of 8-bit text, in the shape of the multi-language
// service's DetectInputCodepage. The guess comes from uchardet and is named
// by its Windows code page (949, 932, 936, 950, 65001, 1252, ...).
#pragma once

#include "WinTypes.h"

// Hints the caller gives; the guess is made the same way for all of them.
constexpr DWORD MLDETECTCP_NONE = 0;
constexpr DWORD MLDETECTCP_7BIT = 1;
constexpr DWORD MLDETECTCP_8BIT = 2;
constexpr DWORD MLDETECTCP_DBCS = 4;
constexpr DWORD MLDETECTCP_HTML = 8;

struct DetectEncodingInfo {
    UINT nLangID = 0;
    UINT nCodePage = 0;
    INT nDocPercent = 0;
    INT nConfidence = 0;
};

// Guesses the code page of the first *size bytes of src; Latin-1 text is
// named 1252, as Windows names it. On S_OK, *count
// (the room the caller gave, at least 1) becomes 1 and info[0] holds the
// guess. E_FAIL when nothing can be told (no bytes, or a code page that has
// no Windows number); E_INVALIDARG for missing arguments. The preferred
// code page is a hint only.
HRESULT DetectInputCodepage(DWORD flags, DWORD preferredCodePage, const char* src, INT* size, DetectEncodingInfo* info,
                            INT* count);

// The Windows code page of a character-set name as uchardet and iconv spell
// it ("EUC-KR" 949, "SHIFT_JIS" 932, "UTF-8" 65001); 0 when unknown.
UINT CodePageFromCharsetName(const char* name);
