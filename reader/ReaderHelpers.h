// The small file and text functions the analysers and the report share.
#pragma once

#include <string>
#include <string_view>

// True only for a path that names an existing regular file: folders, FIFOs
// and devices count as not existing, so nothing here ever opens one and
// blocks.
bool FileExists(const wchar_t* path);

// Tag text of a media file to wide text. Text that is valid UTF-8 is taken
// as UTF-8 (what current tools write); anything else is read in the ANSI
// code page. The text ends at its first zero byte.
std::wstring ToWide(std::string_view text);
// Wide text to the ANSI code page; characters it cannot hold become '?'.
std::string ToNarrow(std::wstring_view text);
