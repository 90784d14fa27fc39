// The two display-name tables behind the job list's codec names: video
// FourCCs (207 rows, then 5 for what the splitters name current files' codecs
// by) and WAVE format tags (146 rows, then 3 such), each with row 0 as
// "Unknown". Lookups walk them in table order and the first equal row wins,
// so a key that stands twice keeps its first name.
#pragma once

#include <span>

#include "platform/win32/WinTypes.h"

struct SVideoCodecNameRow {
    const wchar_t* fourcc;  // four characters, upper case; row 0 is four blanks
    const wchar_t* name;
};

struct SAudioTagNameRow {
    WORD tag;
    const wchar_t* name;
};

std::span<const SVideoCodecNameRow> VideoCodecNameTable();
std::span<const SAudioTagNameRow> AudioTagNameTable();
