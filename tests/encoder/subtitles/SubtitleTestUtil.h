// Helpers for the subtitle tests: fixtures in a code page made with iconv,
// and inline codes spelled out so that failures read plainly.
#pragma once

#include <string>

#include "tests/support/TempDir.h"

// The UTF-8 text converted by iconv to the named character set.
std::string ConvertWithIconv(const std::string& utf8, const char* charset, TempDir& dir);
// The wide text as UTF-8 with line feeds written "\n".
std::string Spell(const std::wstring& text);
