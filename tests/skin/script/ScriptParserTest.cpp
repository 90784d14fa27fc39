#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "platform/win32/CodePage.h"

namespace {

struct ParseCase {
    const wchar_t* text;
    const char* expected;  // the tree, or "E<code>@<line>:<column>"
};

void Check(const ParseCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        EXPECT_EQ(cases[i].expected, ParseOutcome(cases[i].text)) << WideToUtf8(cases[i].text);
        // Trying every start of a block's last statement finds the same.
        EXPECT_EQ(cases[i].expected, ParseOutcome(cases[i].text, true)) << "exhaustive: " << WideToUtf8(cases[i].text);
    }
}

TEST(ScriptParser, ExpressionsAndTheirGrouping)
{
    const ParseCase cases[] = {
        {L"a = 1;", "(= a 1)"},
        {L"a = b = 1;", "(= a (= b 1))"},  // right to left
        {L"1 + 2 * 3;", "(+ 1 (* 2 3))"},
        {L"1 - 2 - 3;", "(- (- 1 2) 3)"},  // left-associative
        {L"8 / 4 % 3 * 2;", "(* (% (/ 8 4) 3) 2)"},
        {L"1 + 2 < 3 * 4;", "(< (+ 1 2) (* 3 4))"},
        {L"a = b == c;", "(= a (== b c))"},
        {L"a != b; a <= b; a >= b; a > b;", "(!= a b) (<= a b) (>= a b) (> a b)"},
        {L"!a; -1; - -1; !-a; -!a;", "(! a) (neg 1) (neg (neg 1)) (! (neg a)) (neg (! a))"},
        {L"1.5; \"s\"; 0x10;", "1.5d \"s\" 16"},
        {L"(1);", "1"},
        // Splits ignore parentheses: these group as written...
        {L"x * (a + b);", "(* x (+ a b))"},
        {L"(a * b) * x;", "(* (* a b) x)"},
        {L"(a + b) * (c + d);", "(* (+ a b) (+ c d))"},
        // ...and these do not parse at all.
        {L"x * (a * b);", "E200@0:11"},
        {L"a - -b;", "E200@0:6"},
        {L"f(a, g(b, c));", "E200@0:13"},
        {L"a < b < c;", "E200@0:9"},
        {L"f(a, b);", "(call f a b)"},
        {L"f();", "(call f)"},
        {L"f(g(1));", "(call f (call g 1))"},
        {L"f(a, b + 1, \"c\");", "(call f a (+ b 1) \"c\")"},
        {L"f(,1);", "(call f 1)"},  // an empty rest of the list is no argument
        {L"f(1,);", "E200@0:5"},
        {L"x[1 + 2] = y[0];", "(= x[(+ 1 2)] y[0])"},
        {L"x = f(1) + y[2];", "(= x (+ (call f 1) y[2]))"},
        {L"(a) = 1;", "E200@0:7"},
        {L"f(a) = 1;", "E200@0:8"},
        {L"\"a\" \"b\";", "E200@0:7"},
        {L"a b;", "E200@0:3"},
        {L"x = ;", "E200@0:4"},
        {L"x = 1", "E200@0:4"},
        {L"a = 1;\nb = ;", "E200@1:4"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptParser, StatementsDeclarationsAndFunctions)
{
    const ParseCase cases[] = {
        {L"", ""},
        {L"/* only */ // comments", ""},
        {L";", ""},
        {L";;;", ""},
        {L"a = 1; ; b = 2;", "(= a 1) (= b 2)"},
        {L"return;", "(return)"},
        {L"return 1 + 2;", "(return (+ 1 2))"},
        {L"int x; double d; string s; void v;", "(decl int x) (decl double d) (decl string s) (decl void v)"},
        {L"int v[10];", "(decl int v[10])"},
        {L"v[3] = 4;", "(= v[3] 4)"},
        {L"int v[];", "E200@0:7"},
        {L"int x = 5;", "E200@0:9"},
        {L"int a, b;", "E200@0:8"},
        {L"int f(int a, string b) { return a; }", "(func int f ((decl int a) (decl string b)) { | (return a)})"},
        {L"int f(void) { }", "(func int f () { |})"},
        {L"void g() { int x; x = 1; }", "(func void g () {(decl int x) | (= x 1)})"},
        {L"double h(double a, double b, int c) { return a; }",
         "(func double h ((decl double a) (decl double b) (decl int c)) { | (return a)})"},
        {L"int f(void, int a) {}", "(func int f ((decl int a)) { |})"},  // "void" ends the list scan
        {L"int f(int a,) {}", "E200@0:15"},
        {L"int f(int) {}", "E200@0:12"},
        {L"int f() { } int g() { }", "(func int f () { |}) (func int g () { |})"},
        {L"{ int a; int b; a = 1; }", "{(decl int a) (decl int b) | (= a 1)}"},
        {L"{ }", "{ |}"},
        {L"{ { int a; } }", "{ | {(decl int a) |}}"},
        // All declarations of a block come before its statements.
        {L"{ a = 1; int b; }", "E200@0:16"},
        // The declarations of a block end at the last ";" that closes a
        // declaration anywhere inside it, nested blocks included.
        {L"{ { int a; int b; } }", "E200@0:20"},
        {L"{ x; ; }", "E200@0:7"},
        {L"{ x; y; z; }", "{ | x y z}"},
        {L"if (a) { b; } else { c; }", "(if a { | b} { | c})"},
        {L"if (a) b; else if (c) d; else e;", "(if a b (if c d e))"},
        {L"{ if (a) b; else c; d; }", "{ | (if a b c) d}"},
        {L"if (1) if (0) a = 1; else a = 2;", "(if 1 (if 0 (= a 1) -) (= a 2))"},
        {L"if (x) ;", "(if x - -)"},
        {L"if (x) {} ", "(if x { |} -)"},
        {L"if (a = 1) b;", "(if (= a 1) b -)"},
        {L"if ((a)) b;", "(if a b -)"},
        {L"int f() { if (a) return 1; return 2; }", "(func int f () { | (if a (return 1) -) (return 2)})"},
        {L"int f() { { { x = 1; } } }", "(func int f () { | { | { | (= x 1)}}})"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptParser, SyntaxErrorsAndTheirTokens)
{
    const ParseCase cases[] = {
        // An if whose condition does not parse: 201 at the "if".
        {L"if (1 2) a;", "E201@0:0"},
        {L"x = 1;\n  if (a b) c;", "E201@1:2"},
        {L"int f() { y; if (+) z; }", "E201@0:13"},
        {L"if () a;", "E200@0:7"},
        {L"if a;", "E200@0:4"},
        {L"if (a) else b;", "E200@0:13"},
        // No loops: "while" and "for" start no statement.
        {L"while (1) a = 1;", "E200@0:15"},
        {L"for (a; b; c) x;", "E200@0:15"},
        {L"else x;", "E200@0:6"},
        {L"}", "E200@0:0"},
        {L"{", "E200@0:0"},
        {L"{ a; ", "E200@0:3"},
        {L"int f() { return 1; ", "E200@0:18"},
        {L"int f( { }", "E200@0:9"},
        {L"5 int;", "E200@0:5"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptParser, ErrorsOfTheLexerComeFirst)
{
    EXPECT_EQ("E112@0:6", ParseOutcome(L"if (a@) b;"));
    EXPECT_EQ("E118@1:2", ParseOutcome(L"x = 1;\n\"y"));
}

TEST(ScriptParser, TreesCarryTheirTokensPositions)
{
    ScriptLexer lexer;
    ASSERT_EQ(0, lexer.Tokenize(L"int f(int a) {\n  if (a) return a + 1;\n  x[2] = g(a);\n}"));
    HXScriptParser parser;
    ASSERT_EQ(0, parser.Parse(lexer));
    const auto* f = static_cast<const SStmtFuncDecl*>(parser.GetProgram());
    EXPECT_EQ(0, f->m_line);
    EXPECT_EQ(0, f->m_column);
    EXPECT_EQ(6, f->m_firstParam->m_column);
    EXPECT_EQ(10, static_cast<const SStmtVarDecl*>(f->m_firstParam.get())->m_var->m_column);
    EXPECT_EQ(13, f->m_body->m_column);
    const SStmt* ifs = f->m_body->m_firstStmt.get();
    EXPECT_EQ(STMT_IF, ifs->m_kind);
    EXPECT_EQ(1, ifs->m_line);
    EXPECT_EQ(2, ifs->m_column);
    const SStmt* ret = static_cast<const SStmtIf*>(ifs)->m_then.get();
    EXPECT_EQ(STMT_RETURN, ret->m_kind);
    EXPECT_EQ(9, ret->m_column);
    const SStmt* sum = static_cast<const SStmtReturn*>(ret)->m_value.get();
    EXPECT_EQ(16, sum->m_column);  // an expression starts at the first token of its range
    const auto* assign = static_cast<const SStmtAssignment*>(ifs->m_next.get());
    EXPECT_EQ(2, assign->m_line);
    EXPECT_EQ(2, assign->m_column);
    EXPECT_EQ(4, assign->m_target->m_index->m_column);
    EXPECT_EQ(9, assign->m_value->m_column);
}

// Small programs of random pieces, many valid and many not: skipping the
// starts that cannot begin a block's last statement must give the same tree
// or the same error (code and position) as trying every start. One soup of
// tokens, one of whole statements with some noise among them.
TEST(ScriptParser, SkippingStartsChangesNothing)
{
    const std::vector<std::wstring> tokens = {L"{",
                                              L"}",
                                              L"{",
                                              L"}",
                                              L";",
                                              L";",
                                              L";",
                                              L"if (a)",
                                              L"if (1 2)",
                                              L"else",
                                              L"return",
                                              L"int x;",
                                              L"int",
                                              L"x",
                                              L"y = 1",
                                              L"f(x)",
                                              L"+",
                                              L"(",
                                              L")",
                                              L"x;",
                                              L"x = 2;",
                                              L"return 1;",
                                              L"if (b) { z; }",
                                              L"else { w; }",
                                              L"int v[2];",
                                              L"g(",
                                              L",",
                                              L"-",
                                              L"==",
                                              L"while",
                                              L"\"s\"",
                                              L"2.5"};
    const std::vector<std::wstring> statements = {L"x;",
                                                  L"x = 2;",
                                                  L"return 1;",
                                                  L"return;",
                                                  L"if (a) x;",
                                                  L"if (a) x; else y;",
                                                  L"{ z; }",
                                                  L"{ int v; v; }",
                                                  L"if (b) { z; } else { w; }",
                                                  L"if (a) if (b) x; else y;",
                                                  L"f(x, 1);",
                                                  L";",
                                                  L"int v;",
                                                  L"{ }",
                                                  L"if (c) { if (d) e; } else f;",
                                                  L"y = g(1) + 2;",
                                                  L"if (1 2) x;",
                                                  L"{",
                                                  L"}",
                                                  L"else",
                                                  L"if (a)",
                                                  L"(",
                                                  L")"};
    uint32_t state = 2024;
    auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    int parsed = 0;
    for (int i = 0; i < 20000; ++i) {
        const bool soup = i % 2 == 0;
        const std::vector<std::wstring>& pieces = soup ? tokens : statements;
        const size_t choices = soup ? pieces.size() : (next() % 8 ? pieces.size() - 6 : pieces.size());
        std::wstring text = next() % 3 ? L"int f() { " : L"{ ";
        const int n = 1 + static_cast<int>(next() % 12);
        for (int k = 0; k < n; ++k) text += pieces[next() % choices] + L" ";
        text += L"}";
        const std::string pruned = ParseOutcome(text), exhaustive = ParseOutcome(text, true);
        ASSERT_EQ(exhaustive, pruned) << WideToUtf8(text);
        if (pruned[0] != 'E') ++parsed;
    }
    // Enough of them parse for the trees to be compared too.
    EXPECT_GT(parsed, 4000);
}

}  // namespace
