// Check-byte lines against small files made by the test, and the file types
// the program ships.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>

#include "platform/dshow/CheckBytes.h"
#include "platform/dshow/MediaGuids.h"
#include "platform/dshow/ShippedRegistrations.h"
#include "tests/support/TempDir.h"

TEST(CheckBytesTest, LinesMatchOnlyWhenEveryQuadrupleDoes)
{
    TempDir dir;
    // 16 bytes: RIFF, a size, "AVI " and a tail that ends in DE AD BE EF.
    std::string bytes = std::string(
                            "RIFF\x10\x00\x00\x00"
                            "AVI ",
                            12) +
                        std::string("\xDE\xAD\xBE\xEF", 4);
    WriteBytes(dir.File("clip"), bytes);
    CheckBytesFile file;
    ASSERT_TRUE(file.Open(dir.File("clip")));
    EXPECT_EQ(file.Size(), 16);
    struct Case {
        const wchar_t* line;
        bool matches;
    } cases[] = {
        {L"0,4,,52494646", true},
        {L"0,4,,52494647", false},
        {L"0,4,,52494646,8,4,,41564920", true},   // two quadruples, both match
        {L"0,4,,52494646,8,4,,57415645", false},  // the second fails
        {L"-4,4,,DEADBEEF", true},                // from the end
        {L"-2,2,,beef", true},                    // lower-case hex
        {L"-4,2,,BEEF", false},
        {L"0,4,FFFF0000,52490000", true},    // a mask
        {L"4,4,F0,1F000000", true},          // a short mask: the other bytes compare whole
        {L"0,4,,524946", false},             // count and value disagree
        {L"12,8,,DEADBEEF00000000", false},  // past the end
        {L"-17,1,,52", false},               // before the start
        {L"0,4,,5249464", false},            // odd hex
        {L"0,4,,RIFF", false},               // not hex
        {L"0,4,,52494646,", false},          // a cut quadruple
        {L"", false},
        {L"x,4,,52494646", false},
        {L"0,99999999,,00", false},  // more than a check reads
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchCheckBytesLine(c.line, file), c.matches) << static_cast<const void*>(c.line);
}

// Only regular files are read: a FIFO nobody writes to and a folder are
// refused at once instead of holding the caller.
TEST(CheckBytesTest, OnlyRegularFilesOpen)
{
    TempDir dir;
    ASSERT_EQ(0, mkfifo(dir.File("pipe").c_str(), 0600));
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : {dir.File("pipe"), dir.path(), dir.File("missing")}) {
        CheckBytesFile file;
        EXPECT_FALSE(file.Open(path)) << path;
        std::string out;
        EXPECT_FALSE(file.Read(0, 1, &out)) << path;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST(CheckBytesTest, ShippedTypesNameTheirStreamSubtypes)
{
    InstallShippedRegistrations();
    TempDir dir;
    std::string ts(188 * 3, '\0');
    ts[0] = ts[188] = ts[376] = 0x47;
    struct Case {
        std::string bytes;
        GUID subtype;
    } cases[] = {
        {std::string("RIFF\0\0\0\0AVI LIST", 16), MEDIASUBTYPE_Avi},
        {std::string("RIFF\0\0\0\0WAVEfmt ", 16), MEDIASUBTYPE_WAVE},
        {std::string("\x00\x00\x01\xBA\x44\x00\x04\x00", 8), MEDIASUBTYPE_MPEG2_PROGRAM},
        {std::string("\x00\x00\x01\xBA\x21\x00\x01\x00", 8), MEDIASUBTYPE_MPEG1System},
        {ts, MEDIASUBTYPE_MPEG2_TRANSPORT},
    };
    for (const auto& c : cases) {
        WriteBytes(dir.File("media"), c.bytes);
        CheckBytesFile file;
        ASSERT_TRUE(file.Open(dir.File("media")));
        CheckBytesMatch match;
        ASSERT_TRUE(FindTypeByCheckBytes(file, &match)) << GuidToString(c.subtype).c_str();
        EXPECT_EQ(match.major, MEDIATYPE_Stream);
        EXPECT_EQ(match.subtype, c.subtype);
        EXPECT_EQ(match.source, CLSID_AsyncReader);
    }
    WriteBytes(dir.File("other"), "plain text");
    CheckBytesFile file;
    ASSERT_TRUE(file.Open(dir.File("other")));
    CheckBytesMatch match;
    EXPECT_FALSE(FindTypeByCheckBytes(file, &match));
    EXPECT_FALSE(file.Open(dir.path()));  // a folder is not a file
}
