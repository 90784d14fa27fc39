// What the two subtitle converters share: reading a subtitle file's text
// whatever its encoding, and writing timed entries as a SAMI file (UTF-16LE
// with the FF FE mark, CR LF line ends, one language class).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// One timed entry: its start and its body as SAMI markup (escaped text,
// <br> and the b, i, u and font tags). An entry lasts until the next one.
struct SSamiEntry {
    int64_t startMs;
    std::wstring markup;
};

// Files above this size are not converted.
constexpr size_t kMaxSubtitleFileBytes = 10 * 1024 * 1024;

// Reads the whole file; false when it cannot be read or is too large.
bool ReadSubtitleFile(const char* path, std::string* bytes);
// The text of a subtitle file: UTF-16 with its mark, UTF-8 with or without
// its mark, else the ANSI code page. Line ends become single line feeds.
std::wstring DecodeSubtitleText(const std::string& bytes);

// Text as SAMI body text: '&', '<' and '>' as numeric references, which
// every SAMI reader decodes.
std::wstring EscapeSamiText(std::wstring_view text);
// The tag again when it is one a SAMI paragraph can carry (b, i, u and their
// ends, font with its colour, font's end; the name in any letter case),
// normalised; "" for any other tag. The tag comes without its brackets.
std::wstring PassThroughTag(std::wstring_view tag);

// Sorts the entries by start time (entries with equal starts keep their
// order) and writes the file in one step; false when it cannot be written.
bool WriteSamiFile(const char* path, std::vector<SSamiEntry> entries);

// The markup of an entry that clears the screen.
inline constexpr const wchar_t* kSamiClear = L"&nbsp;";
