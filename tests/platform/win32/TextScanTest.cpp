#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cwchar>

#include "platform/win32/TextScan.h"

namespace {

TEST(SubtitleScan, DecimalAndHexPrefixes)
{
    EXPECT_EQ(1500, ReadDecimalPrefix(L"1500x"));
    EXPECT_EQ(-7, ReadDecimalPrefix(L"  -7"));
    EXPECT_EQ(0, ReadDecimalPrefix(L"x1"));
    EXPECT_EQ(0, ReadDecimalPrefix(nullptr));
    EXPECT_EQ(INT_MAX, ReadDecimalPrefix(L"99999999999999999999999"));
    EXPECT_EQ(INT_MIN, ReadDecimalPrefix(L"-99999999999999999999999"));
    EXPECT_EQ(0x12, ReadHexPrefix(L"12zz56"));
    EXPECT_EQ(0xFF00, ReadHexPrefix(L"0xff00"));
    EXPECT_EQ(0, ReadHexPrefix(L"zz"));
}

// Every ASCII character has the digit value the C run-time's wcstol gives
// it in base 16 (none for the others); characters beyond ASCII that look
// like digits or letters are no hex digits.
TEST(SubtitleScan, HexDigitValues)
{
    for (wchar_t c = 1; c < 0x80; ++c) {
        const wchar_t text[] = {c, L'\0'};
        wchar_t* end = nullptr;
        const long value = std::wcstol(text, &end, 16);
        const bool digit = end == text + 1;
        EXPECT_EQ(digit ? value : -1, HexDigitValue(c)) << static_cast<int>(c);
    }
    struct Case {
        wchar_t c;
        int value;
    };
    const Case cases[] = {
        {L'0', 0},   {L'9', 9},       {L'a', 10},      {L'f', 15},      {L'A', 10},      {L'F', 15},
        {L'g', -1},  {L'G', -1},      {L'/', -1},      {L':', -1},      {L'@', -1},      {L'`', -1},
        {L'\0', -1}, {L'\uFF10', -1}, {L'\uFF21', -1}, {L'\u0660', -1}, {L'\u00AA', -1}, {WCHAR_MAX, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.value, HexDigitValue(c.c)) << static_cast<int>(c.c);
}

TEST(SubtitleScan, SubRipTimeLine)
{
    int n[8] = {};
    wchar_t c[6] = {};
    const wchar_t* format = L"%d%c%d%c%d%c%d --> %d%c%d%c%d%c%d\n";
    auto scan = [&](const wchar_t* text) {
        return ScanFormat(text, format, &n[0], &c[0], &n[1], &c[1], &n[2], &c[2], &n[3], &n[4], &c[3], &n[5], &c[4],
                          &n[6], &c[5], &n[7]);
    };
    EXPECT_EQ(14, scan(L"00:00:01,500 --> 00:02:03.5"));
    EXPECT_EQ(1, n[2]);
    EXPECT_EQ(500, n[3]);
    EXPECT_EQ(2, n[5]);
    EXPECT_EQ(5, n[7]);
    EXPECT_EQ(L',', c[2]);
    EXPECT_EQ(1, scan(L"12"));  // a counter
    EXPECT_EQ(-1, scan(L""));
    EXPECT_EQ(0, scan(L"Hello"));
    EXPECT_EQ(7, scan(L"00:00:01,500 -> 00:00:02,000"));
}

TEST(SubtitleScan, ShapesOfOtherReaders)
{
    int a = 0, b = 0;
    EXPECT_EQ(2, ScanFormat(L"{10}{20}Hello", L"{%d}{%d}", &a, &b));
    EXPECT_EQ(1, ScanFormat(L"{10}{}Hello", L"{%d}{%d}", &a, &b));
    EXPECT_EQ(1, ScanFormat(L"{10}{}Hello", L"{%d}{}", &a));
    EXPECT_EQ(-1, ScanFormat(L"{", L"{%d}{%d}", &a, &b));
    EXPECT_EQ(0, ScanFormat(L"x{1}", L"{%d}{%d}", &a, &b));

    CString sep1, sep2;
    int h = 0, m = 0, s = 0, f = 0, h2 = 0, m2 = 0, s2 = 0, f2 = 0;
    EXPECT_EQ(10, ScanFormat(L"0:00:01.50 --> 0:00:02:00", L"%d:%d:%d%[,.:]%d --> %d:%d:%d%[,.:]%d", &h, &m, &s, &sep1,
                             &f, &h2, &m2, &s2, &sep2, &f2));
    EXPECT_EQ(CString(L"."), sep1);
    EXPECT_EQ(CString(L":"), sep2);

    unsigned x = 0;
    EXPECT_EQ(1, ScanFormat(L"{c:$0000ff}", L"{c:$%x", &x));
    EXPECT_EQ(0xFFu, x);
    EXPECT_EQ(1, ScanFormat(L"ffffffffff", L"%x", &x));
    EXPECT_EQ(UINT_MAX, x);

    double d = 0;
    EXPECT_EQ(1, ScanFormat(L"25.000", L"%f", &d));
    EXPECT_DOUBLE_EQ(25.0, d);
    EXPECT_EQ(1, ScanFormat(L" 23.976fps", L"%f", &d));
    EXPECT_DOUBLE_EQ(23.976, d);
    EXPECT_EQ(0, ScanFormat(L"Hello", L"%f", &d));
    EXPECT_EQ(1, ScanFormat(L"1e999", L"%f", &d));
    EXPECT_TRUE(std::isinf(d));
    // A conversion without a target of its type stops the scan.
    EXPECT_EQ(0, ScanFormat(L"12", L"%x", &a));
}

}  // namespace
