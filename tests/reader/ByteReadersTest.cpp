#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>

#include "reader/ByteOrder.h"
#include "reader/CheckedFile.h"
#include "reader/EndianReaders.h"
#include "reader/ReaderHelpers.h"
#include "tests/support/TempDir.h"

namespace {

const BYTE kBytes[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xF0, 0xFF};

TEST(ByteSpan, ReadsPastTheEndAsZeroWithoutWrapping)
{
    ByteSpan s(kBytes, 4);
    EXPECT_EQ(0x04030201u, s.LE32(0));
    EXPECT_EQ(0x00000403u, s.LE32(2));  // two bytes inside, two past the end
    EXPECT_EQ(0u, s.BE32(4));
    EXPECT_EQ(0, s.At(4));
    EXPECT_EQ(0u, s.LE32(UINT64_MAX - 1));  // an offset near the top must not wrap to 0
    EXPECT_TRUE(s.Has(0, 4));
    EXPECT_TRUE(s.Has(4, 0));
    EXPECT_FALSE(s.Has(1, 4));
    EXPECT_FALSE(s.Has(2, UINT64_MAX));
    EXPECT_FALSE(s.Has(UINT64_MAX, 2));
    EXPECT_TRUE(s.Matches(1, "\x02\x03", 2));
    EXPECT_FALSE(s.Matches(3, "\x04\x05", 2));
}

// A view shorter than the field: the bytes inside are read, those past the
// end as 0, in every width and order.
TEST(ByteSpan, ShortViewsReadTheirBytesAndZeros)
{
    struct Row {
        const char* name;
        size_t width;
        uint64_t (*read)(const ByteSpan&);
    };
    const Row rows[] = {
        {"LE16", 2, [](const ByteSpan& s) -> uint64_t { return s.LE16(0); }},
        {"LE32", 4, [](const ByteSpan& s) -> uint64_t { return s.LE32(0); }},
        {"LE64", 8, [](const ByteSpan& s) -> uint64_t { return s.LE64(0); }},
        {"BE16", 2, [](const ByteSpan& s) -> uint64_t { return s.BE16(0); }},
        {"BE24", 3, [](const ByteSpan& s) -> uint64_t { return s.BE24(0); }},
        {"BE32", 4, [](const ByteSpan& s) -> uint64_t { return s.BE32(0); }},
    };
    for (const Row& r : rows) {
        const bool little = std::string(r.name).starts_with("LE");
        for (size_t size = 0; size <= r.width; ++size) {
            uint64_t expected = 0;
            for (size_t i = 0; i < r.width; ++i) {
                const uint64_t b = i < size ? kBytes[i] : 0;
                expected |= little ? b << (8 * i) : b << (8 * (r.width - 1 - i));
            }
            EXPECT_EQ(expected, r.read(ByteSpan(kBytes, size))) << r.name << " over " << size << " bytes";
        }
    }
}

TEST(CheckedFile, ReadsAreCheckedAgainstTheFileEnd)
{
    TempDir dir;
    WriteBytes(dir.File("f"), "0123456789");
    CheckedFile f;
    ASSERT_TRUE(f.Open(dir.WFile("f").c_str()));
    EXPECT_EQ(10u, f.GetSize());
    char buf[8] = {};
    ASSERT_TRUE(f.ReadExact(buf, 4));
    EXPECT_EQ(0, std::memcmp(buf, "0123", 4));
    EXPECT_EQ(4u, f.GetPosition());
    EXPECT_EQ(6u, f.BytesLeft());

    // A block longer than what is left is refused before anything is
    // allocated or read.
    std::vector<BYTE> block;
    EXPECT_FALSE(f.ReadBlock(block, 7));
    EXPECT_FALSE(f.ReadBlock(block, UINT64_MAX));
    EXPECT_EQ(4u, f.GetPosition());
    EXPECT_TRUE(block.empty());
    ASSERT_TRUE(f.ReadBlock(block, 6));
    EXPECT_EQ(std::string("456789"), std::string(block.begin(), block.end()));

    // At the end: a short read is not an error of Read, but ReadExact fails.
    size_t got = 99;
    EXPECT_TRUE(f.Read(buf, 8, &got));
    EXPECT_EQ(0u, got);
    EXPECT_FALSE(f.ReadExact(buf, 1));

    // Moving past the end is allowed; reading there gives nothing.
    ASSERT_TRUE(f.SeekTo(100));
    EXPECT_EQ(0u, f.BytesLeft());
    EXPECT_TRUE(f.Read(buf, 8, &got));
    EXPECT_EQ(0u, got);
    ASSERT_TRUE(f.SeekTo(8));
    EXPECT_TRUE(f.Read(buf, 8, &got));
    EXPECT_EQ(2u, got);
    // Positions that do not fit in 63 bits are refused and change nothing.
    EXPECT_FALSE(f.Skip(UINT64_MAX - 5));
    EXPECT_FALSE(f.SeekTo(UINT64_MAX));
    EXPECT_EQ(10u, f.GetPosition());
    EXPECT_TRUE(f.Skip(0));
    EXPECT_EQ(10u, f.GetPosition());
}

TEST(CheckedFile, OpensOnlyRegularFiles)
{
    TempDir dir;
    std::string fifo = dir.File("fifo");
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    CheckedFile f;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(f.Open(dir.WFile("fifo").c_str()));  // must not block waiting for a writer
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_FALSE(f.Open(Utf8ToWide(dir.path()).c_str()));
    EXPECT_FALSE(f.Open(dir.WFile("missing").c_str()));
    EXPECT_FALSE(f.IsOpen());
    size_t got = 0;
    char b;
    EXPECT_FALSE(f.Read(&b, 1, &got));
    EXPECT_FALSE(f.SeekTo(0));
}

TEST(CheckedFile, PositionsAndSizesBeyondFourGiB)
{
    TempDir dir;
    std::string path = dir.File("big");
    const uint64_t size = 5ull << 30;  // sparse: takes no room on disk
    int fd = open(path.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    const BYTE tail[8] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    ASSERT_EQ(8, pwrite(fd, tail, 8, static_cast<off_t>(size - 8)));
    close(fd);

    CheckedFile f;
    ASSERT_TRUE(f.Open(Utf8ToWide(path).c_str()));
    EXPECT_EQ(size, f.GetSize());
    LittleEndianReader le(f);
    ASSERT_TRUE(le.SkipBytes(3000000000ull));
    EXPECT_EQ(3000000000ull, le.GetFilePosition());
    ASSERT_TRUE(f.SeekTo(0));
    ASSERT_TRUE(le.SkipBytes(5000000000ull));
    EXPECT_EQ(5000000000ull, le.GetFilePosition());
    ASSERT_TRUE(f.SeekTo(size - 8));
    QWORD q = 0;
    ASSERT_TRUE(le.ReadUInt64(q));
    EXPECT_EQ(0x8877665544332211ull, q);
    BigEndianReader be(f);
    ASSERT_TRUE(be.SeekTo(size - 8));
    ASSERT_TRUE(be.ReadUInt64BE(q));
    EXPECT_EQ(0x1122334455667788ull, q);
    EXPECT_FALSE(be.ReadByte(*reinterpret_cast<BYTE*>(&q)));
}

TEST(EndianReaders, FieldsInFileOrderAndFailuresLeaveValues)
{
    TempDir dir;
    // GUID {75B22630-668E-11CF-A6D9-00AA0062CE6C} as it stands in a file,
    // then bytes for the plain numbers.
    std::string data = std::string("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16) +
                       std::string("\x01\x02\x03\x04\x05\x06\x07\x08moovX", 13);
    WriteBytes(dir.File("f"), data);
    CheckedFile f;
    ASSERT_TRUE(f.Open(dir.WFile("f").c_str()));
    LittleEndianReader le(f);
    GUID g;
    ASSERT_TRUE(le.ReadGuid(g));
    EXPECT_EQ(0x75B22630u, g.Data1);
    EXPECT_EQ(0x668Eu, g.Data2);
    EXPECT_EQ(0x11CFu, g.Data3);
    EXPECT_EQ(0xA6, g.Data4[0]);
    EXPECT_EQ(0x6C, g.Data4[7]);
    EXPECT_TRUE(GuidEqual(g, g));
    WORD w = 0;
    DWORD d = 0;
    ASSERT_TRUE(le.ReadUInt16(w));
    EXPECT_EQ(0x0201, w);
    ASSERT_TRUE(le.ReadUInt32(d));
    EXPECT_EQ(0x06050403u, d);

    BigEndianReader be(f);
    ASSERT_TRUE(be.ReadUInt16BE(w));
    EXPECT_EQ(0x0708, w);
    ASSERT_TRUE(be.ReadFourCC(d));
    EXPECT_EQ(MAKEFOURCC('m', 'o', 'o', 'v'), d);
    // One byte left: wider reads fail and keep the old value.
    d = 0xDEADBEEF;
    EXPECT_FALSE(be.ReadUInt32BE(d));
    EXPECT_EQ(0xDEADBEEFu, d);
    ASSERT_TRUE(f.SeekTo(28));
    BYTE b = 0;
    ASSERT_TRUE(le.ReadByte(b));
    EXPECT_EQ('X', b);
    EXPECT_FALSE(le.ReadByte(b));
    EXPECT_EQ('X', b);
}

TEST(ReaderHelpers, OnlyRegularFilesExist)
{
    TempDir dir;
    WriteBytes(dir.File("f"), "x");
    ASSERT_EQ(0, mkfifo(dir.File("fifo").c_str(), 0600));
    EXPECT_TRUE(FileExists(dir.WFile("f").c_str()));
    EXPECT_FALSE(FileExists(dir.WFile("fifo").c_str()));
    EXPECT_FALSE(FileExists(Utf8ToWide(dir.path()).c_str()));
    EXPECT_FALSE(FileExists(dir.WFile("missing").c_str()));
    EXPECT_FALSE(FileExists(L"/dev/null"));
    EXPECT_FALSE(FileExists(L""));
}

TEST(ReaderHelpers, TagTextIsUtf8WhenValidElseAnsi)
{
    EXPECT_EQ(L"plain", ToWide("plain"));
    EXPECT_EQ(L"\uD55C\uAE00", ToWide("\xED\x95\x9C\xEA\xB8\x80"));  // UTF-8
    EXPECT_EQ(L"\uD55C\uAE00", ToWide("\xC7\xD1\xB1\xDB"));          // the ANSI code page (949)
    EXPECT_EQ(L"ab", ToWide(std::string_view("ab\0cd", 5)));         // ends at its first zero
    EXPECT_EQ("\xC7\xD1\xB1\xDB", ToNarrow(L"\uD55C\uAE00"));
}

}  // namespace
