// File types by check bytes: HKEY_CLASSES_ROOT\Media Type\{major}\{subtype}
// holds lines named "0", "1", ... of the form
// "offset,count,mask,value[,offset,count,mask,value...]" (decimal offset and
// count, hexadecimal mask and value; a negative offset counts from the end
// of the file; an empty mask means all bits). A line matches when every
// one of its quadruples matches; a type matches when one of its lines does.
// The subtype key's "Source Filter" value names the class that reads such
// files.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/win32/Guid.h"

// Byte ranges of one open file.
class CheckBytesFile {
public:
    CheckBytesFile() = default;
    ~CheckBytesFile();
    CheckBytesFile(const CheckBytesFile&) = delete;
    CheckBytesFile& operator=(const CheckBytesFile&) = delete;

    // A native path; false when it does not open as a regular file.
    bool Open(const std::string& nativePath);
    long long Size() const { return size_; }
    // count bytes at offset (negative: from the end); false when the range
    // is not wholly inside the file.
    bool Read(long long offset, size_t count, std::string* out);

private:
    std::FILE* file_ = nullptr;
    long long size_ = 0;
};

// The longest byte count a quadruple may ask for.
constexpr size_t kMaxCheckBytes = 4096;

// One line. A malformed line never matches.
bool MatchCheckBytesLine(std::wstring_view line, CheckBytesFile& file);

struct CheckBytesMatch {
    GUID major{};
    GUID subtype{};
    CLSID source{};  // GUID_NULL when the type names no source filter
};

// The first registered type whose lines match, in the registry's order of
// major types and subtypes.
bool FindTypeByCheckBytes(CheckBytesFile& file, CheckBytesMatch* match);
