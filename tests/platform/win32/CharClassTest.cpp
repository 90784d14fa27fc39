#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "platform/win32/CharClass.h"
#include "tests/support/TempDir.h"

namespace {

TEST(CharClass, LettersOfEveryScriptAndNothingElse)
{
    struct Case {
        wchar_t ch;
        bool letter;
    } const cases[] = {
        {L'A', true},      {L'z', true},
        {L'_', false},     {L'0', false},
        {L' ', false},     {L'@', false},
        {0x00E9, true},                      // e with acute
        {0x00D7, false},                     // multiplication sign
        {0xD55C, true},                      // Hangul syllable
        {0x3131, true},                      // Hangul letter
        {0x0416, true},                      // Cyrillic
        {0x4E2D, true},                      // CJK ideograph
        {0x0663, false},                     // Arabic-Indic digit
        {0xFF10, false},                     // full-width digit
        {0x0301, true},                      // combining acute accent (a mark letters carry)
        {0x0915, true},    {0x093F, true},   // Devanagari letter and vowel sign
        {0x2160, true},                      // Roman numeral one (a letter number)
        {0x00A0, false},   {0x3000, false},  // no-break and ideographic spaces
        {0x10400, true},                     // a letter beyond the 16-bit plane
        {0x1F600, false},                    // an emoji
        {0xD800, false},                     // a surrogate
        {0x110000, false}, {static_cast<wchar_t>(-1), false},
        {0, false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.letter, IsCharAlphaW(c.ch) != 0) << std::hex << static_cast<long>(c.ch);
}

TEST(CharClass, SameAnswerInAnyLocale)
{
    const char* before = std::setlocale(LC_ALL, nullptr);
    std::string saved = before ? before : "C";
    for (const char* name : {"C", "C.UTF-8", "POSIX"}) {
        if (!std::setlocale(LC_ALL, name)) continue;
        EXPECT_TRUE(IsCharAlphaW(0xD55C)) << name;
        EXPECT_TRUE(IsCharAlphaW(0x00E9)) << name;
        EXPECT_FALSE(IsCharAlphaW(L'5')) << name;
    }
    std::setlocale(LC_ALL, saved.c_str());
}

// Every code point against the Unicode database of the installed Python: the
// categories the table is made of. A Python of another Unicode version than
// the table's cannot judge it.
TEST(CharClass, AgreesWithTheUnicodeDatabase)
{
    std::string table = ReadBytes(std::string(RIVO_TEST_SOURCE_DIR) + "/platform/win32/LetterTable.inc");
    size_t at = table.find("Unicode ");
    ASSERT_NE(std::string::npos, at);
    std::string version = table.substr(at + 8, table.find(' ', at + 8) - at - 8);
    int exit = -1;
    std::string output = RunTool(
        "python3 -c \"import sys,unicodedata as u; c={'Lu','Ll','Lt','Lm','Lo','Nl','Mn','Mc'}; "
        "print(u.unidata_version); "
        "sys.stdout.write(''.join('1' if u.category(chr(i)) in c else '0' for i in range(0x110000)))\"",
        &exit);
    ASSERT_EQ(0, exit);
    size_t newline = output.find('\n');
    ASSERT_NE(std::string::npos, newline);
    if (output.substr(0, newline) != version)
        GTEST_SKIP() << "python's Unicode " << output.substr(0, newline) << ", the table's " << version;
    std::string flags = output.substr(newline + 1);
    ASSERT_EQ(0x110000u, flags.size());
    int differences = 0;
    for (int i = 0; i < 0x110000; ++i) {
        bool expected = flags[static_cast<size_t>(i)] == '1';
        if (expected != (IsCharAlphaW(static_cast<wchar_t>(i)) != 0) && ++differences <= 10)
            ADD_FAILURE() << "U+" << std::hex << i;
    }
    EXPECT_EQ(0, differences);
}

}  // namespace
