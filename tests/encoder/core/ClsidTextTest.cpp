#include <gtest/gtest.h>

#include "encoder/core/ClsidText.h"

namespace {

const GUID kSample{0x0D84C574, 0x0C1D, 0x466C, {0x9D, 0x7B, 0x49, 0xFD, 0x7B, 0xBF, 0x6E, 0x87}};

TEST(ClsidText, ParsesBracedTextInEitherCase)
{
    const wchar_t* good[] = {L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", L"{0d84c574-0c1d-466c-9d7b-49fd7bbf6e87}"};
    for (const wchar_t* t : good) {
        GUID g;
        EXPECT_EQ(1, GuidFromString(CString(t), &g)) << t;
        EXPECT_EQ(kSample, g) << t;
    }
}

TEST(ClsidText, RejectsTextOutsideThePattern)
{
    const wchar_t* bad[] = {
        L"",
        L"0D84C574-0C1D-466C-9D7B-49FD7BBF6E87",    // no braces
        L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E}",    // a byte missing
        L"{0D84C574-0C1D-466C-9D7B}",               // fields missing
        L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6EZZ}",  // last field not hex
        L"{0D84C574:0C1D-466C-9D7B-49FD7BBF6E87}",
        L"{ 0x84C574-+C1D-466C-9D7B-49FD7BBF6E87}",  // prefix, blank and sign
        L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}x",  // text after it
        L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87",    // no closing brace
        L"{D84C574-C1D-466C-9D7B-49FD7BBF6E87}",     // short fields
    };
    for (const wchar_t* t : bad) {
        GUID g = kSample;
        EXPECT_EQ(0, GuidFromString(CString(t), &g)) << t;
        EXPECT_EQ(GUID_NULL, g) << t;
    }
}

TEST(ClsidText, WritesThirtyEightUpperCaseCharacters)
{
    wchar_t buf[39];
    EXPECT_EQ(38, GuidToString(kSample, buf, 39));
    EXPECT_STREQ(L"{0D84C574-0C1D-466C-9D7B-49FD7BBF6E87}", buf);
    const GUID small{0x1, 0x2, 0x3, {0, 0, 0, 0, 0, 0, 0, 0xA}};
    EXPECT_EQ(38, GuidToString(small, buf, 39));
    EXPECT_STREQ(L"{00000001-0002-0003-0000-00000000000A}", buf);

    GUID back;
    ASSERT_EQ(1, GuidFromString(CString(buf), &back));
    EXPECT_EQ(small, back);
}

TEST(ClsidText, ShortBufferIsLeftAlone)
{
    wchar_t buf[38] = {L'x', 0};
    EXPECT_EQ(0, GuidToString(kSample, buf, 38));
    EXPECT_STREQ(L"x", buf);
}

}  // namespace
