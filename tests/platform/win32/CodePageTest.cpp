#include <gtest/gtest.h>

#include "platform/win32/CodePage.h"

namespace {

TEST(CodePage, AnsiDefaultsTo949)
{
    EXPECT_EQ(949u, GetACP());
    // "한글" in CP949 is B7 D1 B1 DB... check round trip and the exact bytes.
    std::wstring hangul = L"\uD55C\uAE00";
    std::string bytes = WideToMultiByte(CP_ACP, hangul);
    EXPECT_EQ(std::string("\xC7\xD1\xB1\xDB", 4), bytes);
    EXPECT_EQ(hangul, MultiByteToWide(CP_ACP, bytes));
}

struct BadBytes {
    UINT cp;
    std::string in;
    std::wstring out;
};

TEST(CodePage, BadBytesBecomeReplacementAndConversionGoesOn)
{
    const BadBytes rows[] = {
        {CP_UTF8,
         "a\xFF"
         "b",
         L"a\uFFFD"
         L"b"},
        {CP_UTF8, "a\xE2\x82", L"a\uFFFD"},  // truncated sequence at end
        {CP_UTF8,
         "\xC0\xAF"
         "x",
         L"\uFFFD\uFFFDx"},                                // overlong form
        {CP_UTF8, "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},  // encoded surrogate
        {949,
         "a\xC7"
         "b",
         L"a\uFFFD"
         L"b"},                      // lead byte with ASCII trail
        {949, "x\xC7", L"x\uFFFD"},  // lead byte at the end
        {949,
         "\xFF"
         "z",
         L"\uFFFDz"},
        {949, "a\xA2\xE8", L"a\uFFFD"},  // refused after the converter took both bytes
        // A bad sequence in the middle: one replacement, nothing after it lost.
        {949,
         "a\xA2\xE8"
         "bc",
         L"a\uFFFD"
         L"bc"},
        {949, "a\xA2\xE8\xB0\xA1z", L"a\uFFFD\uAC00z"},
        {949,
         "\xA2\xE8\xA2\xE8"
         "bc",
         L"\uFFFD\uFFFD"
         L"bc"},
        {949,
         "a\xC9\xA1"
         "bc",
         L"a\uFFFD"
         L"bc"},  // a user-defined pair, refused at its lead
        {949,
         "a\xA2\xFF"
         "b",
         L"a\uFFFD\uFFFD"
         L"b"},  // FF follows no lead
        {936,
         "a\xA2\xA0"
         "bc",
         L"a\uFFFD"
         L"bc"},
        {932,
         "a\x85\x40"
         "bc",
         L"a\uFFFD"
         L"bc"},
        {932,
         "a\x81\x20"
         "b",
         L"a\uFFFD b"},  // a blank follows no lead
        {1252, "\x80", L"\u20AC"},
    };
    for (const auto& r : rows) EXPECT_EQ(r.out, MultiByteToWide(r.cp, r.in)) << r.cp << " " << r.in;
}

TEST(CodePage, UnrepresentableBecomesQuestionMark)
{
    bool used = false;
    EXPECT_EQ("a?b", WideToMultiByte(1252,
                                     L"a\uD55C"
                                     L"b",
                                     &used));
    EXPECT_TRUE(used);
}

TEST(CodePage, Utf16BordersKeepNonBmp)
{
    std::wstring text = L"A\U0001F600\uD55C";
    std::u16string u = WideToUtf16(text);
    ASSERT_EQ(4u, u.size());
    EXPECT_EQ(text, Utf16ToWide(u));
    std::string le = WideToUtf16LeBytes(L"ab");
    EXPECT_EQ(std::string("a\0b\0", 4), le);
    EXPECT_EQ(L"ab\uFFFD", Utf16LeBytesToWide("a\0b\0c", 5));
    EXPECT_EQ(L"\uFFFDx", Utf16ToWide(std::u16string(u"\xD800x")));  // lone surrogate
}

TEST(CodePage, Win32ShapesCountAndNulTerminate)
{
    const char* src = "abc";
    EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, src, -1, nullptr, 0));
    wchar_t buf[8];
    EXPECT_EQ(4, MultiByteToWideChar(CP_UTF8, 0, src, -1, buf, 8));
    EXPECT_STREQ(L"abc", buf);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, src, -1, buf, 2));
    EXPECT_EQ(ERROR_INSUFFICIENT_BUFFER, GetLastError());
    char out[8];
    EXPECT_EQ(3, WideCharToMultiByte(949, 0, L"xyz", 3, out, 8, nullptr, nullptr));
    EXPECT_EQ(0, MultiByteToWideChar(12345, 0, src, -1, buf, 8));
}

// Every code page the detector names is one the layer reads; the
// stateful ones switch with escape bytes, so ASCII-only text must still go
// through the converter.
TEST(CodePage, CodePagesTheDetectorNames)
{
    const BadBytes rows[] = {
        {852, "\xA5", L"\u0105"},
        {855, "\xA1", L"\u0410"},
        {10007, "\x80", L"\u0410"},
        {10029, "\x81", L"\u0100"},
        {51950, "\xC4\xE3", L"\u4E2D"},
        {50225,
         "\x1B$)C\x0E\x47\x51\x0F"
         "a",
         L"\uD55C"
         L"a"},
        {50225, "\x1B$)Cplain", L"plain"},
        {50227, "\x1B$)A\x0E\x44\x63\x0F", L"\u4F60"},
    };
    for (const auto& r : rows) {
        EXPECT_TRUE(IsValidCodePage(r.cp)) << r.cp;
        EXPECT_EQ(r.out, MultiByteToWide(r.cp, r.in)) << r.cp;
    }
}

TEST(CodePage, SettingChangesAnsi)
{
    SetAnsiCodePage(1252);
    EXPECT_EQ(L"\u00E9", MultiByteToWide(CP_ACP, "\xE9"));
    SetAnsiCodePage(949);
}

}  // namespace
