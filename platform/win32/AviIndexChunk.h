// The "idx1" index of an AVI file: one top-level chunk after the movie list,
// its body a run of 16-byte entries (chunk id, flags, offset, size). Every
// reader of AVI files (the analyser, the source probe, the AVI source) judges
// by the same rule whether a file holds its index whole.
#pragma once

#include <cstdint>

// The bytes of one entry of the index.
inline constexpr uint32_t kAviIndexEntryBytes = 16;

// True when a file of fileSize bytes holds the whole body of an idx1 chunk
// whose 8-byte header (id and size) starts at headerAt and states bodySize
// bytes; false for a body the end of the file cuts short and for a header
// outside the file. No sum can wrap, whatever the values.
constexpr bool AviIndexChunkWhole(int64_t headerAt, uint64_t bodySize, int64_t fileSize)
{
    if (headerAt < 0 || fileSize < 8 || headerAt > fileSize - 8) return false;
    return bodySize <= static_cast<uint64_t>(fileSize - 8 - headerAt);
}
