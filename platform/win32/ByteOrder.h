// Numbers out of bytes in a stated byte order, whatever the order of this
// machine: the one set of readers for every file, registry blob and stream
// layout the system parses (containers, subtitles, cursors, zip archives,
// filter data). Each reads exactly the bytes its name says from p; the caller
// has checked that they are there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/win32/Guid.h"
#include "platform/win32/WinTypes.h"

inline uint16_t LoadLE16(const BYTE* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t LoadLE32(const BYTE* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t LoadLE64(const BYTE* p)
{
    return static_cast<uint64_t>(LoadLE32(p)) | (static_cast<uint64_t>(LoadLE32(p + 4)) << 32);
}
inline uint16_t LoadBE16(const BYTE* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t LoadBE24(const BYTE* p)
{
    return (static_cast<uint32_t>(p[0]) << 16) | (static_cast<uint32_t>(p[1]) << 8) | p[2];
}
inline uint32_t LoadBE32(const BYTE* p)
{
    return (static_cast<uint32_t>(p[0]) << 24) | (static_cast<uint32_t>(p[1]) << 16) |
           (static_cast<uint32_t>(p[2]) << 8) | p[3];
}
inline uint64_t LoadBE64(const BYTE* p) { return (static_cast<uint64_t>(LoadBE32(p)) << 32) | LoadBE32(p + 4); }

// A GUID as files and registry blobs store it: Data1, Data2 and Data3
// little-endian, then the 8 bytes of Data4 as they stand.
inline GUID LoadGuidLE(const BYTE* p)
{
    GUID g;
    g.Data1 = LoadLE32(p);
    g.Data2 = LoadLE16(p + 4);
    g.Data3 = LoadLE16(p + 6);
    std::memcpy(g.Data4, p + 8, 8);
    return g;
}

// Reverses the order of n bytes in place (n / 2 swaps; the middle byte of an
// odd n stays where it is).
inline void ReverseBytes(void* buffer, size_t n)
{
    BYTE* b = static_cast<BYTE*>(buffer);
    for (size_t i = 0, j = n; i < n / 2; ++i) {
        --j;
        BYTE t = b[i];
        b[i] = b[j];
        b[j] = t;
    }
}
