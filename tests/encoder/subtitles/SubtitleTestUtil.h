// Helpers for the subtitle tests: fixtures in a code page made with iconv,
// and inline codes spelled out so that failures read plainly.
#pragma once

#include <string>

#include "platform/win32/WinTypes.h"
#include "tests/support/TempDir.h"

// The UTF-8 text converted by iconv to the named character set.
std::string ConvertWithIconv(const std::string& utf8, const char* charset, TempDir& dir);
// The wide text as UTF-8 with line feeds written "\n".
std::string Spell(const std::wstring& text);

// A text in each code page the readers accept from detection, long enough
// to be told apart.
struct Sample {
    const char* charset;  // iconv's name
    UINT codePage;
    const char* utf8;
};
extern const Sample kSamples[4];

struct ISubPicProvider;
// What a provider shows at a time: the spelled text of the entry found and
// its start in ms, or "<none>" and -1. A null text shows as "<null>".
struct Shown {
    std::string text;
    int start = -1;
};
Shown ShowAt(ISubPicProvider* provider, int ms);
// Every entry in list order as "start:text", joined by " | ".
std::string AllEntries(ISubPicProvider* provider);
