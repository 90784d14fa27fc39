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
// and stream properties, each named by the GUID of the shared table, with
// the objects' fixed parts of the sizes the table gives.
TEST(AsfObjectGuids, NameTheObjectsOfAMuxedFile)
{
    TempDir dir;
    const std::string path =
        MakeMedia(dir, "clip.asf", TestPicture(0.5) + " " + TestTone(0.5) + " -c:v msmpeg4v3 -c:a wmav2 -f asf");
    const std::string file = ReadBytes(path);
    ASSERT_GE(file.size(), asf::kHeaderObjectBytes);

    struct Object {
        GUID id;
        size_t at;
        uint64_t size;
    };
    std::vector<Object> top;
    for (size_t at = 0; at + asf::kObjectHeaderBytes <= file.size() && top.size() < 16;) {
        const uint64_t size = LoadLE64(Bytes(file, at + 16));
        top.push_back({LoadGuidLE(Bytes(file, at)), at, size});
        if (size < asf::kObjectHeaderBytes || size > file.size() - at) break;
        at += static_cast<size_t>(size);
    }
    ASSERT_GE(top.size(), 2u);
    EXPECT_EQ(asf::Header, top[0].id);
    EXPECT_EQ(asf::Data, top[1].id);
    for (size_t i = 2; i < top.size(); ++i) EXPECT_TRUE(IsIndex(top[i].id)) << GuidToString(top[i].id).c_str();

    // Inside the header: a count, two reserved bytes, then as many objects.
    const uint64_t headerSize = top[0].size;
    ASSERT_LE(headerSize, file.size());
    const uint32_t count = LoadLE32(Bytes(file, asf::kObjectHeaderBytes));
    uint32_t seen = 0;
    uint32_t packetSize = 0;
    bool streamProperties = false;
    for (size_t at = asf::kHeaderObjectBytes; at + asf::kObjectHeaderBytes <= headerSize; ++seen) {
        const GUID g = LoadGuidLE(Bytes(file, at));
        // The minimum data packet size, after the object header and seven
        // fields of the file properties.
        if (g == asf::FileProperties) packetSize = LoadLE32(Bytes(file, at + asf::kObjectHeaderBytes + 68));
        streamProperties = streamProperties || g == asf::StreamProperties;
        const uint64_t size = LoadLE64(Bytes(file, at + 16));
        if (size < asf::kObjectHeaderBytes || size > headerSize - at) break;
        at += static_cast<size_t>(size);
    }
    EXPECT_EQ(count, seen);
    EXPECT_TRUE(streamProperties);

    // The data object's packets, of the one size the muxer writes, follow
    // its fixed part and fill it.
    ASSERT_GT(packetSize, 0u);
    const Object& data = top[1];
    ASSERT_GE(data.size, asf::kMinDataObjectBytes);
    const uint64_t packets = LoadLE64(Bytes(file, data.at + asf::kObjectHeaderBytes + 16));
    EXPECT_GT(packets, 0u);
    EXPECT_EQ(packets * packetSize, data.size - asf::kMinDataObjectBytes);
    // Each packet starts with its error correction flags (0x82: two bytes
    // of error correction data follow).
    EXPECT_EQ(0x82, static_cast<BYTE>(file[data.at + asf::kMinDataObjectBytes]));
}

}  // namespace
