#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "platform/win32/AviIndexChunk.h"
#include "platform/win32/ByteOrder.h"
#include "tests/support/MediaFixtures.h"

namespace {

// The position of the top-level idx1 chunk's header in an AVI file, -1 when
// there is none.
int64_t Idx1At(const std::string& file)
{
    for (size_t at = 12; at + 8 <= file.size();) {
        if (file.compare(at, 4, "idx1") == 0) return static_cast<int64_t>(at);
        const uint32_t size = LoadLE32(reinterpret_cast<const BYTE*>(file.data()) + at + 4);
        at += 8 + static_cast<size_t>(size) + (size & 1);
    }
    return -1;
}

// An index the ffmpeg command line writes, whole and with the file cut at
// places in and around it.
TEST(AviIndexChunk, WholeOnlyWhenTheFileHoldsTheBody)
{
    TempDir dir;
    const std::string file = ReadBytes(MakeMedia(dir, "clip.avi", TestPicture(0.5) + " -c:v mpeg4 -f avi"));
    const int64_t at = Idx1At(file);
    ASSERT_GT(at, 0);
    const uint32_t body = LoadLE32(reinterpret_cast<const BYTE*>(file.data()) + at + 4);
    ASSERT_GE(body, kAviIndexEntryBytes);
    ASSERT_EQ(0u, body % kAviIndexEntryBytes);
    const int64_t end = at + 8 + body;
    ASSERT_LE(end, static_cast<int64_t>(file.size()));

    struct Row {
        const char* what;
        int64_t fileSize;
        bool whole;
    } rows[] = {
        {"the file as written", static_cast<int64_t>(file.size()), true},
        {"cut right after the index", end, true},
        {"one byte short", end - 1, false},
        {"half an entry left", end - kAviIndexEntryBytes / 2, false},
        {"cut after the header", at + 8, false},
        {"cut inside the header", at + 4, false},
    };
    for (const Row& r : rows) EXPECT_EQ(r.whole, AviIndexChunkWhole(at, body, r.fileSize)) << r.what;
}

// Values a damaged file can state: nothing wraps into a false "whole".
TEST(AviIndexChunk, StatedSizesNeverWrap)
{
    struct Row {
        int64_t headerAt;
        uint64_t body;
        int64_t fileSize;
        bool whole;
    } rows[] = {
        {100, 0, 108, true},  // an empty index the file holds
        {100, 0, 107, false},
        {100, 0xFFFFFFFFu, 1000, false},
        {100, UINT64_MAX, INT64_MAX, false},
        {INT64_MAX - 4, 16, INT64_MAX, false},
        {-8, 0, 100, false},
        {0, 0, -1, false},  // a file whose size could not be read
        {0, 0, 0, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(r.whole, AviIndexChunkWhole(r.headerAt, r.body, r.fileSize))
            << r.headerAt << " " << r.body << " " << r.fileSize;
}

}  // namespace
