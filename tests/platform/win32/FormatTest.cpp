#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>

#include "platform/win32/CString.h"
#include "platform/win32/Format.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/TempDir.h"

namespace {

struct Row {
    const wchar_t* expected;
    std::wstring actual;
};

TEST(FormatText, WindowsMeaningsTable)
{
    const wchar_t* wide = L"wide";
    const char* narrow = "narrow";
    CString cs(L"cstr");
    int64_t big = 0x123456789LL;
    const Row rows[] = {
        {L"plain", FormatText(L"plain")},
        {L"100%", FormatText(L"100%%")},
        {L"[wide]", FormatText(L"[%s]", wide)},
        {L"[cstr]", FormatText(L"[%s]", cs)},
        {L"[narrow]", FormatText(L"[%S]", narrow)},
        {L"[narrow]", FormatText(L"[%hs]", narrow)},
        {L"[wide]", FormatText(L"[%ls]", wide)},
        {L"[wide]", FormatText(L"[%ws]", wide)},
        {L"[wide]", FormatText(L"[%lS]", wide)},
        {L"[  wide]", FormatText(L"[%6s]", wide)},
        {L"[wide  ]", FormatText(L"[%-6s]", wide)},
        {L"[wi]", FormatText(L"[%.2s]", wide)},
        {L"[(null)]", FormatText(L"[%s]", static_cast<const wchar_t*>(nullptr))},
        {L"42", FormatText(L"%d", 42)},
        {L"-42", FormatText(L"%i", -42)},
        {L"007", FormatText(L"%03d", 7)},
        {L"  7", FormatText(L"%3d", 7)},
        {L"7  |", FormatText(L"%-3d|", 7)},
        {L"+7", FormatText(L"%+d", 7)},
        {L"4886718345", FormatText(L"%I64d", big)},
        {L"4886718345", FormatText(L"%lld", big)},
        {L"4294967295", FormatText(L"%u", -1)},
        {L"-1", FormatText(L"%d", 0xFFFFFFFFu)},
        {L"ff", FormatText(L"%x", 255)},
        {L"0X1F", FormatText(L"%#X", 31)},
        {L"000000ff", FormatText(L"%08x", 255u)},
        {L"ffffffffffffffff", FormatText(L"%I64x", int64_t{-1})},
        {L"65535", FormatText(L"%hu", -1)},
        {L"1.5", FormatText(L"%.1f", 1.5)},
        {L"3.14159", FormatText(L"%g", 3.14159)},
        {L"  2.50", FormatText(L"%6.2f", 2.5)},
        {L"1.000000e+03", FormatText(L"%e", 1000.0)},
        {L"A", FormatText(L"%c", L'A')},
        {L"\uD55C", FormatText(L"%c", L'\uD55C')},
        {L"A", FormatText(L"%C", 'A')},
        {L"  x", FormatText(L"%*d", 3, 0) == L"  0" ? std::wstring(L"  x") : std::wstring(L"bad")},
        {L"a12b", FormatText(L"a%d%db", 1, 2)},
        {L"[   5]", FormatText(L"[%*d]", 4, 5)},
        {L"[ab]", FormatText(L"[%.*s]", 2, L"abc")},
        // Mismatches are written literally and never crash.
        {L"[%d]", FormatText(L"[%d]", L"text")},
        {L"[%s]", FormatText(L"[%s]", 5)},
        {L"[%s]", FormatText(L"[%s]", "narrow")},
        {L"[%S]", FormatText(L"[%S]", L"wide")},
        {L"[%f]", FormatText(L"[%f]", 3)},
        {L"[%d]", FormatText(L"[%d]", 2.5)},
        {L"[%d] [%s]", FormatText(L"[%d] [%s]")},
        {L"1 %d", FormatText(L"%d %d", 1)},
        {L"%n", FormatText(L"%n", 1)},
        {L"%y", FormatText(L"%y", 1)},
        {L"end%", FormatText(L"end%")},
        {L"end%-5", FormatText(L"end%-5")},
        {L"[%*d]", FormatText(L"[%*d]", L"w", 5)},
        // Extra arguments are ignored.
        {L"1", FormatText(L"%d", 1, 2, 3)},
        // Widths and precisions from the arguments.
        {L"[5   ]", FormatText(L"[%*d]", -4, 5)},
        {L"[1.500000]", FormatText(L"[%.*f]", -1, 1.5)},
        {L"[%.*f]", FormatText(L"[%.*f]", L"p", 1.5)},
        {L"[%*d]", FormatText(L"[%*d]")},
        {L"end%*", FormatText(L"end%*", 3)},
        {L"100000", std::to_wstring(FormatText(L"%*d", 200000, 1).size())},
        {L"2", FormatText(L"%.f", 1.75)},
        // Size prefixes cut or widen the argument.
        {L"44", FormatText(L"%hhd", 300)},
        {L"4464", FormatText(L"%hd", 70000)},
        {L"5", FormatText(L"%I32d", int64_t{0x100000005})},
        {L"-1", FormatText(L"%Id", int64_t{-1})},
        {L"4886718345", FormatText(L"%zd", big)},
        {L"4886718345", FormatText(L"%jd", big)},
        {L"4886718345", FormatText(L"%td", big)},
        {L"1.500000", FormatText(L"%Lf", 1.5)},
        {L"010", FormatText(L"%#o", 8)},
        // Narrow and wide characters and strings by prefix.
        {L"[ x]", FormatText(L"[%2hc]", 'x')},
        {L"A", FormatText(L"%lc", L'A')},
        {L"A", FormatText(L"%lC", L'A')},
        {L"[na]", FormatText(L"[%.2S]", narrow)},
        {L"[(null)]", FormatText(L"[%S]", static_cast<const char*>(nullptr))},
        {L"[%c]", FormatText(L"[%c]", 1.5)},
        // Pointers are padded to the width.
        {L"[    0000000000000000]", FormatText(L"[%20p]", nullptr)},
        {L"[%p]", FormatText(L"[%p]", 5)},
        // An unknown conversion uses no argument; %n uses one and writes nothing.
        {L"%5%7", FormatText(L"%5%%d", 7)},
        {L"[%n] 7", FormatText(L"[%n] %d", 1, 7)},
        {L"", FormatTextV(nullptr, nullptr, 0)},
    };
    for (const auto& r : rows) EXPECT_EQ(r.expected, r.actual);
}

TEST(FormatText, NumbersIgnoreProcessLocale)
{
    // A locale whose decimal point is a comma must not leak into texts.
    TempDir dir;
    if (!UseCommaDecimalLocale(dir.File("locale"))) GTEST_SKIP() << "no comma-decimal locale can be made here";
    std::wstring formatted = FormatText(L"%.1f|%g", 1.5, 0.25);
    double parsed = ParseDoubleC(L"2.25");
    UseCLocale();
    EXPECT_EQ(L"1.5|0.25", formatted);
    EXPECT_DOUBLE_EQ(2.25, parsed);
}

TEST(FormatText, PointerIsFixedWidthUpperHex)
{
    EXPECT_EQ(L"00000000000000FF", FormatText(L"%p", reinterpret_cast<const void*>(0xFF)));
    // A width pads the sixteen digits on the side the flags say.
    const void* p = reinterpret_cast<const void*>(0xFF);
    EXPECT_EQ(L"[    00000000000000FF]", FormatText(L"[%20p]", p));
    EXPECT_EQ(L"[00000000000000FF    ]", FormatText(L"[%-20p]", p));
    EXPECT_EQ(L"[00000000000000FF    ]", FormatText(L"[%*p]", -20, p));
}

TEST(FormatText, CStringFormatAndAppend)
{
    CString s;
    s.Format(L"%s(code:%d)", L"fail", -3);
    EXPECT_EQ(L"fail(code:-3)", s);
    s.AppendFormat(L" %02d", 5);
    EXPECT_EQ(L"fail(code:-3) 05", s);
}

}  // namespace
