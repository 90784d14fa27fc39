// Names of the two-letter language codes that picture-subtitle index files
// carry in their "id" lines.
#pragma once

#include "platform/win32/WinTypes.h"

// The code of a language as the index file spells it: first letter << 8 |
// second letter.
constexpr WORD MakeLanguageCode(wchar_t first, wchar_t second)
{
    return static_cast<WORD>(((first & 0xFF) << 8) | (second & 0xFF));
}

// The name of a language code; "(Not detected)" for a code the table lacks.
const wchar_t* FindLanguageName(WORD code);
// The number of rows in the table.
int GetLanguageNameCount();
