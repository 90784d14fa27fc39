#include <gtest/gtest.h>

#include <string>

#include "encoder/subtitles/RegMatcher.h"
#include "tests/support/TempDir.h"

namespace {

struct MatchRow {
    const wchar_t* pattern;
    int flags;
    const wchar_t* text;
    bool matches;
    int subCount;         // checked when matches
    const wchar_t* sub0;  // whole match
    const wchar_t* sub1;
    const wchar_t* sub2;
};

// Every construct of the language, leftmost-first alternation and the
// sub-match rules.
const MatchRow kConstructs[] = {
    // literal runs
    {L"abc", 0, L"xxabcxx", true, 0, L"abc", L"", L""},
    {L"abc", 0, L"xxabxcx", false, 0, L"", L"", L""},
    {L"{a}", 0, L"x{a}", true, 0, L"{a}", L"", L""},
    {L"a\\.b", 0, L"a.b", true, 0, L"a.b", L"", L""},
    {L"a\\.b", 0, L"axb", false, 0, L"", L"", L""},
    {L"\\*\\(", 0, L"a*(", true, 0, L"*(", L"", L""},
    {L"\\a", 0, L"ba", true, 0, L"a", L"", L""},
    // any
    {L"a.c", 0, L"abc", true, 0, L"abc", L"", L""},
    {L"a.c", 0, L"ac", false, 0, L"", L"", L""},
    // sets
    {L"[abc]+", 0, L"xxcabz", true, 0, L"cab", L"", L""},
    {L"[^abc]+", 0, L"abxyzc", true, 0, L"xyz", L"", L""},
    {L"[]x]", 0, L"a]", true, 0, L"]", L"", L""},
    {L"[^]x]", 0, L"]xq", true, 0, L"q", L"", L""},
    {L"[-x]", 0, L"a-", true, 0, L"-", L"", L""},
    {L"[x-]", 0, L"a-", true, 0, L"-", L"", L""},
    {L"[a-c]*", 0, L"abcd", true, 0, L"abc", L"", L""},
    {L"[a-a]", 0, L"a", true, 0, L"a", L"", L""},
    {L"[\\]", 0, L"\\", true, 0, L"\\", L"", L""},  // no escapes inside a set
    // anchors
    {L"^ab", 0, L"ab", true, 0, L"ab", L"", L""},
    {L"^ab", 0, L"cab", false, 0, L"", L"", L""},
    {L"ab$", 0, L"cab", true, 0, L"ab", L"", L""},
    {L"ab$", 0, L"abc", false, 0, L"", L"", L""},
    {L"a^b", 0, L"ab", false, 0, L"", L"", L""},
    {L"$", 0, L"abc", true, 0, L"", L"", L""},
    // word boundaries
    {L"\\<ab", 0, L"cab ab", true, 0, L"ab", L"", L""},
    {L"ab\\>", 0, L"abc ab", true, 0, L"ab", L"", L""},
    {L"\\<ab\\>", 0, L"xab abx", false, 0, L"", L"", L""},
    {L"\\<a", 0, L"_a a", true, 0, L"a", L"", L""},
    // groups and sub-matches
    {L"(a)(b)", 0, L"xab", true, 2, L"ab", L"a", L"b"},
    {L"(a(b))", 0, L"ab", true, 2, L"ab", L"ab", L"b"},
    {L"(a)|(b)", 0, L"b", true, 0, L"b", L"", L"b"},
    {L"()", 0, L"x", true, 1, L"", L"", L""},
    // alternation: leftmost, then the first alternative that lets the rest succeed
    {L"(a|ab)", 0, L"ab", true, 1, L"a", L"a", L""},
    {L"(a|ab)c", 0, L"abc", true, 1, L"abc", L"ab", L""},
    {L"b|a", 0, L"ab", true, 0, L"a", L"", L""},
    {L"a|", 0, L"x", true, 0, L"", L"", L""},
    // repetitions, greedy
    {L"a*", 0, L"aaab", true, 0, L"aaa", L"", L""},
    {L"x*", 0, L"abc", true, 0, L"", L"", L""},
    {L"a+", 0, L"baa", true, 0, L"aa", L"", L""},
    {L"a+", 0, L"bbb", false, 0, L"", L"", L""},
    {L"ab?c", 0, L"ac", true, 0, L"ac", L"", L""},
    {L"ab?c", 0, L"abc", true, 0, L"abc", L"", L""},
    {L"abc*", 0, L"abccc", true, 0, L"abccc", L"", L""},
    {L"abc*", 0, L"ab", true, 0, L"ab", L"", L""},
    {L".*>", 0, L"a>b>c", true, 0, L"a>b>", L"", L""},
    {L"(ab)*c", 0, L"xababc", true, 1, L"ababc", L"ab", L""},
    {L"(ab)+", 0, L"xababy", true, 1, L"abab", L"ab", L""},
    {L"(a|b)*c", 0, L"abbac", true, 1, L"abbac", L"a", L""},  // the last iteration
    {L"(ab)?c", 0, L"c", true, 0, L"c", L"", L""},
    {L"[0-9]*x", 0, L"12y123x", true, 0, L"123x", L"", L""},
    // case-insensitive flag
    {L"abc", 1, L"xABc", true, 0, L"ABc", L"", L""},
    {L"abc", 0, L"xABc", false, 0, L"", L"", L""},
    {L"[a-z]", 1, L"A", false, 0, L"", L"", L""},
    {L"[.a-zA-Z_]*", 1, L"aB_.c!", true, 0, L"aB_.c", L"", L""},
    {L"\u00e9t\u00e9", 1, L"\u00c9T\u00c9", true, 0, L"\u00c9T\u00c9", L"", L""},
    // texts beyond the 16-bit range
    {L"a.b", 0, L"a\U0001F600b", true, 0, L"a\U0001F600b", L"", L""},
    {L"[^ ]*", 0, L"\U0001F600\U0001F601 x", true, 0, L"\U0001F600\U0001F601", L"", L""},
};

TEST(RegMatcher, ConstructTable)
{
    for (const auto& r : kConstructs) {
        SCOPED_TRACE(WideToUtf8(r.pattern) + " on " + WideToUtf8(r.text));
        CRegMatcher m(r.pattern, r.flags);
        ASSERT_TRUE(m.Program()->IsCompiled()) << WideToUtf8(m.GetErrorText().str());
        EXPECT_EQ(r.matches, m.Match(r.text));
        if (!r.matches) {
            EXPECT_EQ(-1, m.GetSubCount());
            continue;
        }
        EXPECT_EQ(r.subCount, m.GetSubCount());
        EXPECT_EQ(CString(r.sub0), m.GetSubMatch(0));
        EXPECT_EQ(CString(r.sub1), m.GetSubMatch(1));
        EXPECT_EQ(CString(r.sub2), m.GetSubMatch(2));
    }
}

TEST(RegMatcher, SubMatchIndexOutsideRangeIsEmpty)
{
    CRegMatcher m(L"(a)", 0);
    ASSERT_TRUE(m.Match(L"a"));
    EXPECT_EQ(CString(L""), m.GetSubMatch(-1));
    EXPECT_EQ(CString(L""), m.GetSubMatch(10));
    EXPECT_EQ(CString(L""), m.GetSubMatch(9));
}

TEST(RegMatcher, SubMatchesSurviveTheCallersText)
{
    CRegMatcher m(L"(b+)", 0);
    {
        std::wstring text = L"abbbc";
        ASSERT_TRUE(m.Match(text.c_str()));
        text.assign(100, L'z');
    }
    EXPECT_EQ(CString(L"bbb"), m.GetSubMatch(1));
}

struct ErrorRow {
    std::wstring pattern;
    int code;
};

TEST(RegMatcher, SyntaxErrors)
{
    std::wstring tenGroups;
    for (int i = 0; i < 10; ++i) tenGroups += L"(";
    tenGroups += L"a";
    for (int i = 0; i < 10; ++i) tenGroups += L")";
    const ErrorRow rows[] = {
        {L"a**", kRegErrNested},           {L"a+?", kRegErrNested},
        {L"*a", kRegErrNothingBefore},     {L"(+a)", kRegErrNothingBefore},
        {L"a|?b", kRegErrNothingBefore},   {L"(a", kRegErrUnterminatedGroup},
        {L"a)", kRegErrUnmatchedGroup},    {L"[b-a]", kRegErrBadRange},
        {L"[ab", kRegErrUnmatchedSet},     {L"[", kRegErrUnmatchedSet},
        {L"a\\", kRegErrTrailingEscape},   {L"(a*)*", kRegErrEmptyOperand},
        {L"(a?)+", kRegErrEmptyOperand},   {L"^*", kRegErrEmptyOperand},
        {tenGroups, kRegErrTooManyGroups}, {std::wstring(40000, L'a'), kRegErrTooBig},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(WideToUtf8(r.pattern.substr(0, 40)));
        CRegProgram program(r.pattern.c_str(), 0);
        EXPECT_FALSE(program.IsCompiled());
        EXPECT_EQ(r.code, program.GetErrorCode());
        CRegMatcher m(r.pattern.c_str(), 0);
        EXPECT_FALSE(m.Match(L"aaaa"));
        EXPECT_EQ(CString(RegErrorText(r.code)), m.GetErrorText());
    }
    // Nine groups are allowed; the size limit counts units.
    std::wstring nine = tenGroups.substr(1, tenGroups.size() - 2);
    EXPECT_TRUE(CRegProgram(nine.c_str(), 0).IsCompiled());
    EXPECT_TRUE(CRegProgram(std::wstring(30000, L'a').c_str(), 0).IsCompiled());
    EXPECT_FALSE(CRegProgram(std::wstring(0x7FFF - 10, L'a').c_str(), 0).IsCompiled());
}

TEST(RegMatcher, NullArguments)
{
    CRegProgram none(nullptr, 0);
    EXPECT_EQ(kRegErrNullPattern, none.GetErrorCode());
    CRegMatcher m(L"a", 0);
    EXPECT_FALSE(m.Match(nullptr));
    EXPECT_EQ(CString(L"NULL argument to regexec"), m.GetErrorText());
    EXPECT_TRUE(m.Match(L"a"));
    EXPECT_EQ(CString(L""), m.GetErrorText());  // cleared by the next operation
}

TEST(RegMatcher, ErrorTextTable)
{
    const wchar_t* texts[] = {L"Unknown error",
                              L"NULL argument to regexec",
                              L"corrupted regexp",
                              L"regexp corruption",
                              L"corrupted pointers",
                              L"internal error: bad call of regrepeat",
                              L"corrupted opcode",
                              L"NULL parm to regsub",
                              L"damaged regexp fed to regsub",
                              L"damaged match string",
                              L"NULL argument to regcomp",
                              L"regexp too big",
                              L"too many ()",
                              L"unterminated ()",
                              L"unmatched ()",
                              L"internal error: junk on end",
                              L"*+ operand could be empty",
                              L"nested *?+",
                              L"invalid [] range",
                              L"unmatched []",
                              L"internal error: \\0|) unexpected",
                              L"?+* follows nothing",
                              L"trailing \\",
                              L"internal error: strcspn 0",
                              L"NULL regexp"};
    for (int code = 0; code <= 24; ++code) EXPECT_STREQ(texts[code], RegErrorText(code)) << code;
    EXPECT_STREQ(L"Unknown error", RegErrorText(25));
    EXPECT_STREQ(L"Unknown error", RegErrorText(-3));
}

// Damaged programs end in an error, never in a stray read.
TEST(RegMatcher, DamagedPrograms)
{
    struct Row {
        std::vector<RegUnit> units;
        int code;
    };
    const Row rows[] = {
        {{0x1234, kRegEnd, 0, 0}, kRegErrCorrupted},
        {{}, kRegErrCorrupted},
        {{kRegMagic, 99, 0, 0}, kRegErrCorruption},
        {{kRegMagic, kRegEmpty, 0, 0}, kRegErrPointers},     // runs off the end
        {{kRegMagic, kRegEmpty, 500, 0}, kRegErrPointers},   // points outside
        {{kRegMagic, kRegLoopBack, 7, 0}, kRegErrPointers},  // points before the start
        {{kRegMagic, kRegSimpleStar, 6, 0, kRegEmpty, 0, 0, kRegEnd, 0, 0}, kRegErrRepeat},
        {{kRegMagic, kRegLiteral, 0, 0, 'a'}, kRegErrPointers},  // operand without its end
    };
    for (const auto& r : rows) {
        CRegProgram program(r.units);
        EXPECT_FALSE(program.Execute(L"abc"));
        EXPECT_EQ(r.code, program.GetErrorCode());
    }
}

TEST(RegMatcher, CompiledFormAndHints)
{
    // magic, alternative, literal "ab" with its NUL, end.
    CRegProgram ab(L"ab", 0);
    const std::vector<RegUnit> expected = {kRegMagic, kRegAlternative, 9, 0, kRegLiteral, 6, 0, 'a', 'b',
                                           0,         kRegEnd,         0, 0};
    EXPECT_EQ(expected, ab.Units());
    EXPECT_EQ(L'a', ab.FirstChar());
    EXPECT_FALSE(ab.IsAnchored());

    EXPECT_TRUE(CRegProgram(L"^x", 0).IsAnchored());
    EXPECT_EQ(0, CRegProgram(L"a|b", 0).FirstChar());
    EXPECT_EQ(std::wstring(L"abc"), CRegProgram(L"x*abc.de", 0).RequiredRun());  // longest literal
    EXPECT_EQ(std::wstring(L"de"), CRegProgram(L"x*ab.de", 0).RequiredRun());    // last of equals
    EXPECT_EQ(std::wstring(), CRegProgram(L"abc.de", 0).RequiredRun());          // no leading repetition

    // The case-insensitive rewrite keeps sets as they are.
    EXPECT_EQ(std::wstring(L"[Aa][^a-z]\\.[Bb]"), CRegProgram::FoldCase(L"a[^a-z]\\.b"));
    EXPECT_EQ(std::wstring(L"[]a][Aa]"), CRegProgram::FoldCase(L"[]a]a"));
}

// The patterns the SAMI reader matches tags and style lines with, always
// case-insensitive and against upper-cased tags.
TEST(RegMatcher, SamiReaderPatterns)
{
    struct Row {
        const wchar_t* pattern;
        const wchar_t* text;
        bool matches;
        int subCount;
        const wchar_t* sub1;
        const wchar_t* sub2;
    };
    const wchar_t* sync = L"< *SYNC *START *= *([0-9]*).*>";
    const wchar_t* klass = L"< *P *CLASS *= *([a-zA-Z_]*).*>";
    const wchar_t* font = L"< *FONT *.*";
    const wchar_t* fontColor = L"< *FONT.*color *= *([^ ]*).*>";
    const wchar_t* name = L"< *([^ ]*) *>";
    const wchar_t* style = L"[^.]*\\.([.a-zA-Z_]*) *{ *Name *:[ ]*([^;]*);";
    const Row rows[] = {
        {sync, L"<SYNC Start=1500>", true, 1, L"1500", L""},
        {sync, L"< SYNC START = 20 END=30>", true, 1, L"20", L""},
        {sync, L"<SYNC START=>", true, 1, L"", L""},
        {sync, L"<SYNC>", false, -1, L"", L""},
        {klass, L"<P CLASS=KRCC>", true, 1, L"KRCC", L""},
        {klass, L"<P CLASS=\"KRCC\">", true, 1, L"", L""},
        {klass, L"<P>", false, -1, L"", L""},
        {font, L"<FONT COLOR=RED>", true, 0, L"", L""},
        {font, L"<FONTX", true, 0, L"", L""},
        {fontColor, L"<FONT COLOR=\"#00FF00\" FACE=X>", true, 1, L"\"#00FF00\"", L""},
        {fontColor, L"<FONT FACE=X>", false, -1, L"", L""},
        {name, L"<BR>", true, 1, L"BR", L""},
        {name, L"< /FONT >", true, 1, L"/FONT", L""},
        {name, L"<P ALIGN=X>", false, -1, L"", L""},
        {style, L".KRCC { Name: Korean; lang: ko-KR; }", true, 2, L"KRCC", L"Korean"},
        {style, L"  .ENCC {Name:English; lang: en-US;}", true, 2, L"ENCC", L"English"},
        {style, L"P { margin-left: 8pt; }", false, -1, L"", L""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(WideToUtf8(r.pattern) + " on " + WideToUtf8(r.text));
        CRegMatcher m(r.pattern, 1);
        EXPECT_EQ(r.matches, m.Match(r.text));
        EXPECT_EQ(r.subCount, m.GetSubCount());
        EXPECT_EQ(CString(r.sub1), m.GetSubMatch(1));
        EXPECT_EQ(CString(r.sub2), m.GetSubMatch(2));
    }
}

// Patterns that backtrack badly on long texts give up instead of hanging or
// running out of stack.
TEST(RegMatcher, PathologicalInputEnds)
{
    std::wstring tag = L"<";
    for (int i = 0; i < 20000; ++i) tag += L"<FONT color= ";
    CRegMatcher fontColor(L"< *FONT.*color *= *([^ ]*).*>", 1);
    EXPECT_FALSE(fontColor.Match(tag.c_str()));

    std::wstring abs;
    for (int i = 0; i < 100000; ++i) abs += L"ab";
    CRegMatcher loop(L"(ab)*c", 0);
    EXPECT_FALSE(loop.Match(abs.c_str()));
    CRegMatcher loopEnd(L"(ab)*$", 0);
    loopEnd.Match(abs.c_str());  // any answer, but an answer
}

}  // namespace
