// Reading a subtitle file whole into wide text: UTF-16LE after FF FE,
// UTF-16BE after FE FF, UTF-8 after EF BB BF, otherwise 8-bit text in the
// code page the caller sets or the one detection finds.
#pragma once

#include <string>

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

// Files of this many bytes or more are not subtitle files.
constexpr int64_t kSubtitleFileLimit = 10000000;

enum SubtitleReadFailure {
    kSubtitleReadOk = 0,
    kSubtitleCannotOpen,  // or not a regular file
    kSubtitleTooBig,
    kSubtitleReadFailed,  // the size or the data could not be read
};

// Reads up to maxBytes from the start of the file (all of it when maxBytes
// is negative). False when the file cannot be opened, its size cannot be
// read, it is kSubtitleFileLimit bytes or more, or the read fails; *failure
// tells which. *complete tells whether the whole file was read.
bool ReadSubtitleBytes(const CString& path, int64_t maxBytes, std::string* bytes, bool* complete = nullptr,
                       SubtitleReadFailure* failure = nullptr);

// The code page for 8-bit data: the setting when it is 0 or more; for a
// negative setting the one detection finds in the first 5000 bytes when the
// conversion layer reads it (plain ASCII tells nothing and is not taken;
// UTF-8 is taken only for data that are valid UTF-8; of data under 256
// bytes only 932, 936, 949 and 950 are taken besides), else the preferred
// one. Where that comes to the ANSI code page (0), data
// that are valid UTF-8 and not plain ASCII give UTF-8 (65001).
UINT ChooseSubtitleCodePage(const std::string& bytes, int codePageSetting, UINT preferredCodePage);

// Decodes file data by its byte-order mark or the code page, up to the
// first NUL character; lines that end in a carriage return alone (a text
// without any line feed) get a line feed after it. *codePageUsed receives
// 1200 for UTF-16LE, 1201 for UTF-16BE, 65001 for UTF-8, else the code page
// chosen.
std::wstring DecodeSubtitleBytes(const std::string& bytes, int codePageSetting, UINT preferredCodePage,
                                 UINT* codePageUsed = nullptr);
