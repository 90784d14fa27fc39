#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "platform/win32/FourCC.h"
#include "tests/support/MediaFixtures.h"

namespace {

// A code made at compile time is usable as a constant, as the codec tables
// use it.
static_assert(FourCC("XVID") == 0x44495658u);
static_assert(FourCCUpper(FourCC("xvid")) == FourCC("XVID"));

TEST(FourCC, MakesUpperCasesAndShowsCodes)
{
    struct Case {
        const char* what;
        DWORD code;
        DWORD expected;  // the code as file bytes read little-endian
        DWORD upper;
        std::wstring blanked;  // zero bytes as blanks
        std::wstring kept;     // zero bytes kept
    };
    const Case cases[] = {
        {"upper case", FourCC("XVID"), 0x44495658u, 0x44495658u, L"XVID", L"XVID"},
        {"lower case", FourCC("xvid"), 0x64697678u, 0x44495658u, L"xvid", L"xvid"},
        {"digits stay", FourCC("dx50"), 0x30357864u, 0x30355844u, L"dx50", L"dx50"},
        {"mixed with a blank", FourCC("Mp4 "), 0x2034704Du, 0x2034504Du, L"Mp4 ", L"Mp4 "},
        {"letters next to a-z stay", FourCC("`{@["), 0x5B407B60u, 0x5B407B60u, L"`{@[", L"`{@["},
        {"bytes beyond ASCII stay", 0xE4FF61E0u, 0xE4FF61E0u, 0xE4FF41E0u, L"\u00E0a\u00FF\u00E4",
         L"\u00E0a\u00FF\u00E4"},
        {"a short code ends in zeros", MAKEFOURCC('a', 'b', 0, 0), 0x00006261u, 0x00004241u, L"ab  ",
         std::wstring(L"ab\0\0", 4)},
        {"zero in the middle", MAKEFOURCC('a', 0, 'c', 0), 0x00630061u, 0x00430041u, L"a c ",
         std::wstring(L"a\0c\0", 4)},
        {"no code", 0, 0, 0, L"    ", std::wstring(4, L'\0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.expected, c.code);
        EXPECT_EQ(c.upper, FourCCUpper(c.code));
        EXPECT_EQ(c.blanked, FourCCText(c.code, L' '));
        EXPECT_EQ(c.kept, FourCCText(c.code, L'\0'));
    }
}

TEST(FourCC, SubtypeGuids)
{
    EXPECT_EQ(L"{34363248-0000-0010-8000-00AA00389B71}", GuidToString(FourCCGuid(FourCC("H264"))));
    EXPECT_EQ(L"{73646976-0000-0010-8000-00AA00389B71}", GuidToString(FourCCGuid(FourCC("vids"))));
}

// The ffmpeg command line writes the tag it is given into an AVI file, and
// ffprobe reads it back as a number and as text: both must be what the
// helpers make of the same four letters.
TEST(FourCC, AgreesWithTheTagsFfprobeReads)
{
    static constexpr char kTags[][5] = {"xvid", "DX50", "FMP4"};
    TempDir dir;
    for (const auto& tag : kTags) {
        SCOPED_TRACE(tag);
        const std::string path =
            MakeMedia(dir, std::string(tag) + ".avi", TestPicture(0.2) + " -c:v mpeg4 -vtag " + tag + " -f avi");
        int code = -1;
        const std::string out = RunTool(
            "ffprobe -v error -select_streams v:0 -show_entries "
            "stream=codec_tag,codec_tag_string -of default=nw=1:nk=1 '" +
                path + "'",
            &code);
        ASSERT_EQ(0, code);
        const size_t newline = out.find('\n');
        ASSERT_NE(std::string::npos, newline) << out;
        const std::string text = out.substr(0, newline);
        const std::string number = out.substr(newline + 1, out.find('\n', newline + 1) - newline - 1);
        EXPECT_EQ(std::strtoul(number.c_str(), nullptr, 16), FourCC(tag)) << number;
        EXPECT_EQ(std::wstring(text.begin(), text.end()), FourCCText(FourCC(tag), L' '));
    }
}

}  // namespace
