// Reading a subtitle file whole into wide text: UTF-16LE after FF FE, UTF-8
// after EF BB BF, otherwise 8-bit text in the code page the caller sets or
// the one detection finds.
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
// negative setting the detected one when it is 932, 936, 949, 950 or UTF-8,
// else the preferred one.
UINT ChooseSubtitleCodePage(const std::string& bytes, int codePageSetting, UINT preferredCodePage);

// Decodes file data by its byte-order mark or the code page, up to the
// first NUL character. *codePageUsed receives 1200 for UTF-16LE, 65001 for
// UTF-8, else the code page chosen.
std::wstring DecodeSubtitleBytes(const std::string& bytes, int codePageSetting, UINT preferredCodePage,
                                 UINT* codePageUsed = nullptr);
