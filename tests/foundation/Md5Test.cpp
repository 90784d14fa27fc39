#include <gtest/gtest.h>

#include <string>

#include "foundation/Md5.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"

namespace {

std::wstring Hex(const wchar_t* text)
{
    wchar_t out[33];
    Md5HexOfWideText(text, out);
    return out;
}

TEST(Md5, KnownDigestsOfWideTexts)
{
    EXPECT_EQ(L"d41d8cd98f00b204e9800998ecf8427e", Hex(L""));
    // abc as the six bytes 61 00 62 00 63 00.
    EXPECT_EQ(L"ce1473cf80c6b3fda8e3dfc006adc315", Hex(L"abc"));
}

TEST(Md5, RawBytesAcrossBlockBoundaries)
{
    // Lengths around the 56-byte padding limit and the 64-byte block size.
    TempDir dir;
    for (size_t len : {0u, 1u, 55u, 56u, 57u, 63u, 64u, 65u, 119u, 120u, 128u, 1000u}) {
        std::string data;
        for (size_t i = 0; i < len; ++i) data += static_cast<char>('a' + (i * 7) % 26);
        Md5Context ctx;
        Md5Init(&ctx);
        // Feed in uneven pieces to exercise the buffering.
        for (size_t i = 0; i < len;) {
            size_t piece = std::min<size_t>(len - i, 1 + i % 37);
            Md5Update(&ctx, data.data() + i, piece);
            i += piece;
        }
        uint8_t digest[16];
        Md5Final(digest, &ctx);
        char hex[33];
        for (int i = 0; i < 16; ++i) std::snprintf(hex + 2 * i, 3, "%02x", digest[i]);
        WriteBytes(dir.File("raw"), data);
        std::string expected = RunTool("md5sum < '" + dir.File("raw") + "'").substr(0, 32);
        EXPECT_EQ(expected, std::string(hex)) << "length " << len;
        // The finished context holds nothing of the message.
        const uint8_t* p = reinterpret_cast<const uint8_t*>(&ctx);
        for (size_t i = 0; i < sizeof ctx; ++i) ASSERT_EQ(0, p[i]);
    }
}

TEST(Md5, WideTextDigestMatchesMd5sumOfIconvUtf16le)
{
    std::wstring text64(64, L'x');
    std::wstring text1m;
    for (int i = 0; i < 1024 * 1024; ++i) text1m += static_cast<wchar_t>(L'A' + i % 26);
    const std::wstring rows[] = {
        L"",
        L"plain ASCII text",
        L"\uD55C\uAD6D\uC5B4 \uC790\uB9C9",  // Hangul
        L"emoji \U0001F600 outside the BMP",
        text64,
        text1m,
    };
    TempDir dir;
    for (const auto& text : rows) {
        WriteBytes(dir.File("utf8"), WideToUtf8(text));
        std::string expected = RunTool("iconv -f UTF-8 -t UTF-16LE '" + dir.File("utf8") + "' | md5sum").substr(0, 32);
        ASSERT_EQ(32u, expected.size());
        EXPECT_EQ(Utf8ToWide(expected), Hex(text.c_str())) << "length " << text.size();
    }
}

}  // namespace
