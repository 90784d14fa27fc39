// A RAR 4 archive writer for test fixtures: stored (uncompressed) entries
// only, with header and data checksums, and sizes that may be made to lie.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RarEntry {
    std::string name;  // ASCII
    std::string data;
    // A stated unpacked size other than the data's (-1: the data's size).
    int64_t statedSize = -1;
};

std::string BuildStoredRar4(const std::vector<RarEntry>& entries);
