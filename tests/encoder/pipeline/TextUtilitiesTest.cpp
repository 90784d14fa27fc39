// Class-id texts, narrow conversion into a caller's buffer, the MD5 name of
// a text, and the subtitle style record's layout and defaults.
#include <gtest/gtest.h>

#include <cstring>

#include "encoder/pipeline/TextUtilities.h"
#include "modules/api/SubtitleStyle.h"
#include "platform/dshow/MediaGuids.h"

TEST(TextUtilitiesTest, ClsidTextsAreBracedUpperCase)
{
    EXPECT_EQ(ClsidToString(GUID_NULL), CString(L"{00000000-0000-0000-0000-000000000000}"));
    EXPECT_EQ(ClsidToString(CLSID_AVIDec), CString(L"{CF49D4E0-1115-11CE-B03A-0020AF0BA770}"));
}

TEST(TextUtilitiesTest, WideToNarrowFillsOnlyABufferThatHoldsTheText)
{
    char buffer[16];
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_EQ(WideToNarrow(buffer, L"\uC790\uB9C9", sizeof(buffer), 949), buffer);
    EXPECT_STREQ(buffer, "\xC0\xDA\xB8\xB7");  // the two syllables in code page 949
    ASSERT_EQ(WideToNarrow(buffer, L"abc", 4, 949), buffer);
    EXPECT_STREQ(buffer, "abc");
    // Too small for the text and its terminator: nothing usable, an empty text.
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_EQ(WideToNarrow(buffer, L"abcd", 4, 949), nullptr);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(WideToNarrow(nullptr, L"a", 4, 949), nullptr);
    EXPECT_EQ(WideToNarrow(buffer, nullptr, 4, 949), nullptr);
    buffer[0] = 'x';
    EXPECT_EQ(WideToNarrow(buffer, L"a", 0, 949), nullptr);
    EXPECT_EQ(buffer[0], 'x');  // a buffer without room is not touched
}

TEST(TextUtilitiesTest, Md5NameOfATextsUtf16Bytes)
{
    // Digests of the texts' UTF-16LE bytes, as md5sum gives them.
    EXPECT_EQ(TextMd5Hex(L"abc"), CString(L"ce1473cf80c6b3fda8e3dfc006adc315"));
    EXPECT_EQ(TextMd5Hex(L"\uC790\uB9C9"), CString(L"edcdbdbe162b9ecc635963056297eb2e"));
}

TEST(TextUtilitiesTest, SubtitleStyleDefaultsLeaveTheGapAlone)
{
    SubtitleStyleRecord style;
    std::memset(&style, 0xCC, sizeof(style));
    InitSubtitleStyle(&style);
    EXPECT_EQ(std::u16string(style.faceName), u"arial");
    EXPECT_EQ(style.charSet, 1);
    EXPECT_EQ(style.fontSize, 26);
    EXPECT_EQ(style.weight, 700);
    EXPECT_EQ(style.italic, 0);
    EXPECT_EQ(style.blur, 1);
    EXPECT_EQ(style.bodyColor, 0xFFFFFFu);
    EXPECT_EQ(style.outlineColor, 0u);
    EXPECT_EQ(style.shadowColor, 0u);
    EXPECT_EQ(style.bodyAlpha, 0);
    EXPECT_EQ(style.outlineAlpha, 0);
    EXPECT_EQ(style.shadowAlpha, 160);
    EXPECT_EQ(style.outlineWidth, 1.5);
    EXPECT_EQ(style.shadowDepth, 3.0);
    for (uint8_t b : style.unused) EXPECT_EQ(b, 0xCC);
    // The bytes as the video filter reads them.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&style);
    EXPECT_EQ(bytes[0], 'a');
    EXPECT_EQ(bytes[1], 0);
    EXPECT_EQ(bytes[546], 160);
}
