#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/AsfObjectGuids.h"
#include "platform/win32/ByteOrder.h"
#include "tests/support/MediaFixtures.h"

namespace {

const BYTE* Bytes(const std::string& s, size_t at) { return reinterpret_cast<const BYTE*>(s.data()) + at; }

bool IsIndex(const GUID& g)
{
    return g == asf::SimpleIndex || g == asf::Index || g == asf::MediaObjectIndex || g == asf::TimecodeIndex;
}

// A file the ffmpeg command line muxes is the oracle: its top-level objects
// are the header, the data and index objects, and the header holds the file
// and stream properties, each named by the GUID of the shared table.
TEST(AsfObjectGuids, NameTheObjectsOfAMuxedFile)
{
    TempDir dir;
    const std::string path =
        MakeMedia(dir, "clip.asf", TestPicture(0.5) + " " + TestTone(0.5) + " -c:v msmpeg4v3 -c:a wmav2 -f asf");
    const std::string file = ReadBytes(path);
    ASSERT_GE(file.size(), 30u);

    std::vector<GUID> top;
    for (size_t at = 0; at + 24 <= file.size() && top.size() < 16;) {
        top.push_back(LoadGuidLE(Bytes(file, at)));
        const uint64_t size = LoadLE64(Bytes(file, at + 16));
        if (size < 24 || size > file.size() - at) break;
        at += static_cast<size_t>(size);
    }
    ASSERT_GE(top.size(), 2u);
    EXPECT_EQ(asf::Header, top[0]);
    EXPECT_EQ(asf::Data, top[1]);
    for (size_t i = 2; i < top.size(); ++i) EXPECT_TRUE(IsIndex(top[i])) << GuidToString(top[i]).c_str();

    // Inside the header: a count, two reserved bytes, then objects.
    const uint64_t headerSize = LoadLE64(Bytes(file, 16));
    ASSERT_LE(headerSize, file.size());
    bool fileProperties = false, streamProperties = false;
    for (size_t at = 30; at + 24 <= headerSize;) {
        const GUID g = LoadGuidLE(Bytes(file, at));
        fileProperties = fileProperties || g == asf::FileProperties;
        streamProperties = streamProperties || g == asf::StreamProperties;
        const uint64_t size = LoadLE64(Bytes(file, at + 16));
        if (size < 24 || size > headerSize - at) break;
        at += static_cast<size_t>(size);
    }
    EXPECT_TRUE(fileProperties);
    EXPECT_TRUE(streamProperties);
}

}  // namespace
