#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/win32/CodePage.h"
#include "skin/script/ScriptLexer.h"

namespace {

std::string Name(const ScriptLexer& lexer, const SToken& t)
{
    static const char* const fixed[] = {nullptr,  nullptr,  nullptr, nullptr, "if", "else", "while", "int", "double",
                                        "string", "return", "void",  "for",   "==", "!=",   "<=",    ">=",  "<",
                                        ">",      "(",      ")",     "{",     "}",  "[",    "]",     "-",   "+",
                                        "*",      "/",      "%",     "=",     ",",  ";",    "!"};
    std::ostringstream os;
    switch (t.type) {
    case TK_REAL: os << "real:" << t.dValue; break;
    case TK_INTEGER: os << "int:" << t.nValue; break;
    case TK_STRING_LITERAL: os << "str:" << WideToUtf8(lexer.GetText(t)); break;
    case TK_IDENTIFIER: os << "id:" << WideToUtf8(lexer.GetText(t)); break;
    default: os << (t.type > 0 && t.type <= TK_NOT && fixed[t.type] ? fixed[t.type] : "?"); break;
    }
    return os.str();
}

// The tokens of a text, or its error as "E<code>@<line>:<column>".
std::string Lex(const std::wstring& text, bool positions = false)
{
    ScriptLexer lexer;
    std::ostringstream os;
    if (int code = lexer.Tokenize(text.c_str())) {
        os << "E" << code << "@" << lexer.GetLine() << ":" << lexer.GetColumn();
        return os.str();
    }
    for (const SToken& t : lexer.GetTokens()) {
        if (&t != &lexer.GetTokens().front()) os << ' ';
        os << Name(lexer, t);
        if (positions) os << "@" << t.line << ":" << t.column;
    }
    return os.str();
}

struct LexCase {
    const wchar_t* text;
    const char* expected;
};

TEST(ScriptLexer, TokensOfEveryKind)
{
    const LexCase cases[] = {
        {L"", ""},
        {L"  \t\r\n // line comment\n /* block\n comment */ ", ""},
        {L"if else while int double string return void for", "if else while int double string return void for"},
        // Keywords only when no letter, digit or "_" follows.
        {L"iff if_ if1 ifx if( int_x intx", "id:iff id:if_ id:if1 id:ifx if ( id:int_x id:intx"},
        {L"== != <= >= < > = ! ===", "== != <= >= < > = ! == ="},
        {L"()[]{}-+*/%=,;!", "( ) [ ] { } - + * / % = , ; !"},
        {L"0x1F 0b101 0XFF 0B11 0x1.8 .5 5. 12 0", "int:31 int:5 int:255 int:3 real:1.5 real:0.5 real:5 int:12 int:0"},
        // The integer accumulator wraps at 32 bits.
        {L"4294967295 4294967296 2147483648 0xFFFFFFFF", "int:-1 int:0 int:-2147483648 int:-1"},
        {L"1.25 0.1 10.5", "real:1.25 real:0.1 real:10.5"},
        // Strings: no escapes, line feeds kept.
        {L"\"a b\nc\" \"\" \"//x\" \"/*\"", "str:a b\nc str: str://x str:/*"},
        {L"x_1 _y \uD55C\uAE00 \u00DCn\u00EFcode \u0416\u0416 a\u0301",
         "id:x_1 id:_y id:한글 id:Ünïcode id:ЖЖ id:a\xCC\x81"},
        {L"a/b/*c*/d//e\nf", "id:a / id:b id:d id:f"},
        {L"/*/ */x", "id:x"},
        {L"x-1", "id:x - int:1"},
    };
    for (const LexCase& c : cases) EXPECT_EQ(c.expected, Lex(c.text)) << WideToUtf8(c.text);
}

TEST(ScriptLexer, PositionsCountFromZeroAcrossLines)
{
    EXPECT_EQ("int@0:0 id:x@0:4 ;@0:5 id:y@1:2 =@1:4 str:a\nb@1:6 +@2:3 int:1@2:5 ;@2:6",
              Lex(L"int x;\n  y = \"a\nb\" + 1;", true));
    EXPECT_EQ("id:a@0:2 id:b@1:0 id:c@2:1", Lex(L"\t\ra\r\nb\n c", true));
}

TEST(ScriptLexer, ErrorsWithTheCursorPosition)
{
    const LexCase cases[] = {
        {L"@", "E112@0:1"},
        {L"a\n  #", "E112@1:3"},
        {L"a$", "E112@0:2"},
        {L"\u00A0", "E112@0:1"},  // white space other than tab, CR, LF and space
        {L"\x01", "E112@0:1"},
        {L"0x", "E113@0:2"},
        {L"x = 0x;", "E113@0:6"},
        {L"0xg", "E116@0:3"},
        {L"0b", "E115@0:2"},
        {L"0b2", "E116@0:3"},
        {L"1.2.3", "E114@0:5"},
        {L"12ab", "E116@0:4"},
        {L"1e3", "E116@0:3"},
        {L"5if", "E116@0:3"},
        {L"1_000", "E116@0:5"},
        {L"x.y", "E116@0:3"},
        {L"/* open", "E117@0:7"},
        {L"/* a\n b *", "E117@1:4"},
        {L"/*/", "E117@0:3"},
        // An unterminated string is an error at the end of the text.
        {L"\"abc", "E118@0:4"},
        {L"x = \"a\nbc", "E118@1:2"},
        {L"\"", "E118@0:1"},
    };
    for (const LexCase& c : cases) EXPECT_EQ(c.expected, Lex(c.text)) << WideToUtf8(c.text);
}

TEST(ScriptLexer, TextEndsAtItsFirstNul)
{
    std::wstring text = L"a b";
    text += L'\0';
    text += L"@ c";
    ScriptLexer lexer;
    EXPECT_EQ(0, lexer.Tokenize(text.c_str()));
    EXPECT_EQ(2u, lexer.GetTokens().size());
    EXPECT_EQ(0, lexer.Tokenize(nullptr));
    EXPECT_TRUE(lexer.GetTokens().empty());
}

TEST(ScriptLexer, EveryTokenizeStartsAfresh)
{
    ScriptLexer lexer;
    EXPECT_EQ(HXS_ERR_TOKEN, lexer.Tokenize(L"a\n@"));
    EXPECT_EQ(0, lexer.Tokenize(L"b c"));
    ASSERT_EQ(2u, lexer.GetTokens().size());
    EXPECT_EQ(L"c", lexer.GetText(lexer.GetTokens()[1]));
    EXPECT_EQ(0, lexer.GetTokens()[1].line);
    EXPECT_EQ(2, lexer.GetTokens()[1].column);
}

}  // namespace
