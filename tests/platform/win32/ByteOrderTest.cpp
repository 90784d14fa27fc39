#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32/ByteOrder.h"

namespace {

const BYTE kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xF0, 0xFF};

TEST(ByteOrder, LoadsInBothOrders)
{
    EXPECT_EQ(0x0201u, LoadLE16(kBytes));
    EXPECT_EQ(0x04030201u, LoadLE32(kBytes));
    EXPECT_EQ(0x0807060504030201ull, LoadLE64(kBytes));
    EXPECT_EQ(0x0102u, LoadBE16(kBytes));
    EXPECT_EQ(0x010203u, LoadBE24(kBytes));
    EXPECT_EQ(0x01020304u, LoadBE32(kBytes));
    EXPECT_EQ(0x0102030405060708ull, LoadBE64(kBytes));
    EXPECT_EQ(0xFFF00807u, LoadLE32(kBytes + 6));  // high bytes stay unsigned
}

// Every reader over the bytes where a signed shift or a narrow intermediate
// would go wrong: the top bit set in the most significant byte, all ones, a
// single byte set at either end, and a start that is not aligned.
TEST(ByteOrder, EdgeBytesInEveryWidth)
{
    struct Reader {
        const char* name;
        size_t width;
        uint64_t (*load)(const BYTE*);
    };
    const Reader readers[] = {
        {"LE16", 2, [](const BYTE* p) -> uint64_t { return LoadLE16(p); }},
        {"LE32", 4, [](const BYTE* p) -> uint64_t { return LoadLE32(p); }},
        {"LE64", 8, [](const BYTE* p) -> uint64_t { return LoadLE64(p); }},
        {"BE16", 2, [](const BYTE* p) -> uint64_t { return LoadBE16(p); }},
        {"BE24", 3, [](const BYTE* p) -> uint64_t { return LoadBE24(p); }},
        {"BE32", 4, [](const BYTE* p) -> uint64_t { return LoadBE32(p); }},
        {"BE64", 8, [](const BYTE* p) -> uint64_t { return LoadBE64(p); }},
    };
    for (const Reader& r : readers) {
        const bool little = std::string(r.name).starts_with("LE");
        const uint64_t all = r.width == 8 ? ~uint64_t{0} : (uint64_t{1} << (8 * r.width)) - 1;
        const uint64_t top = uint64_t{0x80} << (8 * (r.width - 1));
        struct Row {
            std::vector<BYTE> bytes;
            uint64_t value;
        };
        std::vector<BYTE> zeros(r.width, 0x00), ones(r.width, 0xFF), first(r.width, 0x00), last(r.width, 0x00);
        first.front() = 0x80;
        last.back() = 0x80;
        const Row rows[] = {
            {zeros, 0},
            {ones, all},
            // 0x80 in the first byte: the lowest byte of a little-endian
            // value, the highest of a big-endian one.
            {first, little ? 0x80 : top},
            {last, little ? top : 0x80},
        };
        for (const Row& row : rows) {
            // Read from an odd address inside a larger buffer as well.
            std::vector<BYTE> unaligned(row.bytes.size() + 1, 0xAA);
            std::copy(row.bytes.begin(), row.bytes.end(), unaligned.begin() + 1);
            EXPECT_EQ(row.value, r.load(row.bytes.data())) << r.name;
            EXPECT_EQ(row.value, r.load(unaligned.data() + 1)) << r.name;
        }
    }
}

TEST(ByteOrder, GuidInItsFileLayout)
{
    // {75B22630-668E-11CF-A6D9-00AA0062CE6C} as files store it: the first
    // three fields little-endian, the last eight bytes as they stand.
    const BYTE bytes[] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                          0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    const GUID expected{0x75B22630, 0x668E, 0x11CF, {0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C}};
    EXPECT_EQ(expected, LoadGuidLE(bytes));
    const BYTE ones[16] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
                           0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const GUID g = LoadGuidLE(ones);
    EXPECT_EQ(0xFFFFFFFFu, g.Data1);
    EXPECT_EQ(0xFFFFu, g.Data2);
    EXPECT_EQ(0xFFFFu, g.Data3);
}

TEST(ByteOrder, ReverseBytesSwapsAroundTheMiddle)
{
    struct Row {
        std::string in, out;
    } rows[] = {{"", ""}, {"a", "a"}, {"ab", "ba"}, {"abc", "cba"}, {"abcd", "dcba"}, {"abcde", "edcba"}};
    for (auto& r : rows) {
        std::string s = r.in;
        ReverseBytes(s.data(), s.size());
        EXPECT_EQ(r.out, s);
    }
}

}  // namespace
