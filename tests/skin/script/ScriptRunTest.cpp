// Small programs and what they give: a value ("i:5", "d:3.5", "s:ab", "v"
// void, "u" undefined; "s:untouched" when nothing was written) or an error
// as "E<code>@<line>:<column>". Each runs on a fresh host that has the test
// natives of RegisterTestNatives ("nothing" yields void, "u" is a variable
// never given a value).
#include <gtest/gtest.h>

#include "ScriptTestSupport.h"
#include "platform/win32/CodePage.h"

namespace {

struct RunCase {
    const wchar_t* text;
    const char* expected;
};

void Check(const RunCase* cases, size_t count)
{
    for (size_t i = 0; i < count; ++i)
        EXPECT_EQ(cases[i].expected, RunFresh(cases[i].text)) << WideToUtf8(cases[i].text);
}

TEST(ScriptRun, IntegerOperators)
{
    const RunCase cases[] = {
        {L"7 == 7;", "i:1"},
        {L"7 != 7;", "i:0"},
        {L"7 <= 8;", "i:1"},
        {L"7 >= 8;", "i:0"},
        {L"7 < 8;", "i:1"},
        {L"8 > 8;", "i:0"},
        {L"7 + 2;", "i:9"},
        {L"7 - 9;", "i:-2"},
        {L"7 * 3;", "i:21"},
        {L"7 / 2;", "i:3"},
        {L"-7 / 2;", "i:-3"},
        {L"7 % 3;", "i:1"},
        {L"-7 % 2;", "i:-1"},
        {L"7 % -2;", "i:1"},
        {L"!0;", "i:1"},
        {L"!5;", "i:0"},
        {L"-5;", "i:-5"},
        {L"- -5;", "i:5"},
        {L"!!3;", "i:1"},
        {L"1 / 0;", "E303@0:0"},
        {L"x = 5 % 0;", "E303@0:4"},
        // 32-bit two's-complement: sums, differences and products wrap...
        {L"2147483647 + 1;", "i:-2147483648"},
        {L"-2147483647 - 2;", "i:2147483647"},
        {L"65536 * 65536;", "i:0"},
        {L"65537 * 65537;", "i:131073"},
        {L"0x7FFFFFFF * 2;", "i:-2"},
        // ...and so do the two results that do not fit: the smallest int
        // divided by -1 is itself, its remainder 0, its negation itself.
        {L"m = 0x80000000; m / -1;", "i:-2147483648"},
        {L"m = 0x80000000; m % -1;", "i:0"},
        {L"m = 0x80000000; -m;", "i:-2147483648"},
        {L"m = 0x80000000; m / 1;", "i:-2147483648"},
        {L"m = 0x80000000; m % 3;", "i:-2"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, MixedIntAndDouble)
{
    const RunCase cases[] = {
        {L"1 + 2.5;", "d:3.5"},
        {L"2.5 - 1;", "d:1.5"},
        {L"2 * 1.5;", "d:3"},
        {L"3 / 2.0;", "d:1.5"},
        {L"3.0 / 2;", "d:1.5"},
        {L"-2.5;", "d:-2.5"},
        {L"!0.0;", "d:1"},
        {L"!2.5;", "d:0"},
        {L"1 / 0.0;", "E303@0:0"},
        {L"1.5 / 0;", "E303@0:0"},
        // A comparison of an int with a double gives the double 1 or 0, "%"
        // the remainder with the sign of the left operand.
        {L"1 < 1.5;", "d:1"},
        {L"2 == 2.0;", "d:1"},
        {L"2 != 2.0;", "d:0"},
        {L"2.5 >= 3;", "d:0"},
        {L"1.5 <= 1;", "d:0"},
        {L"1.5 > 1;", "d:1"},
        {L"7 % 2.5;", "d:2"},
        {L"-7 % 2.5;", "d:-2"},
        {L"7.5 % 2;", "d:1.5"},
        {L"7 % 0.0;", "E303@0:0"},
        // Two doubles never meet an operator.
        {L"1.5 + 2.5;", "E301@0:0"},
        {L"1.5 == 1.5;", "E301@0:0"},
        {L"x = 1.5 < 2.5;", "E301@0:4"},
        {L"0.5 * 2.0;", "E301@0:0"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, StringsUndefinedAndVoid)
{
    const RunCase cases[] = {
        {L"\"a\" + \"b\";", "s:ab"},
        {L"\"\" + \"\";", "s:"},
        {L"\"a\" == \"a\";", "i:1"},
        {L"\"a\" == \"A\";", "i:0"},
        {L"\"a\" != \"b\";", "i:1"},
        {L"\"ab\" != \"ab\";", "i:0"},
        {L"\"a\" - \"b\";", "E302@0:0"},
        {L"\"a\" < \"b\";", "E302@0:0"},
        {L"\"a\" * \"b\";", "E302@0:0"},
        {L"\"a\" % \"b\";", "E302@0:0"},
        {L"\"a\" + 1;", "E301@0:0"},
        {L"1 + \"a\";", "E301@0:0"},
        {L"\"a\" == 1;", "E301@0:0"},
        {L"2.5 + \"a\";", "E301@0:0"},
        {L"!\"a\";", "E301@0:0"},
        {L"-\"a\";", "E301@0:0"},
        {L"u;", "u"},
        {L"u + 1;", "E301@0:0"},
        {L"1 + u;", "E301@0:0"},
        {L"u == u;", "E301@0:0"},
        {L"!u;", "E301@0:0"},
        {L"-u;", "E301@0:0"},
        {L"nothing();", "v"},
        {L"nothing() + 1;", "E301@0:0"},
        {L"\"a\" + nothing();", "E301@0:0"},
        {L"!nothing();", "E301@0:0"},
        {L"void v; v;", "v"},
        {L"void v; v == v;", "E301@0:8"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, ConditionsAndTheirTruth)
{
    const RunCase cases[] = {
        {L"if (1) a = 1; else a = 2; a;", "i:1"},
        {L"if (0) a = 1; else a = 2; a;", "i:2"},
        {L"if (-3) a = 1; else a = 2; a;", "i:1"},
        {L"if (0.0) a = 1; else a = 2; a;", "i:2"},
        {L"if (2.5) a = 1; else a = 2; a;", "i:1"},
        {L"if (\"\") a = 1; else a = 2; a;", "i:2"},
        {L"if (\"0\") a = 1; else a = 2; a;", "i:1"},
        {L"if (u) a = 1; else a = 2; a;", "i:2"},
        {L"if (nothing()) a = 1; else a = 2; a;", "i:2"},
        {L"if (1 == 1.0) a = 1; else a = 2; a;", "i:1"},
        {L"if (1) 5;", "i:5"},
        {L"if (0) 5;", "s:untouched"},
        {L"x = 3; if (0) 5;", "i:3"},
        {L"if (0) 5; else 6;", "i:6"},
        // The "else" belongs to the first "if"; the inner one has none.
        {L"if (1) if (0) a = 1; else a = 2; a;", "u"},
        {L"if (0) if (0) a = 1; else a = 2; a;", "i:2"},
        {L"if (x = 4) y = x; y;", "i:4"},
        {L"if (1 / 0) y = 1;", "E303@0:4"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, VariablesDeclarationsAndResults)
{
    const RunCase cases[] = {
        {L"", "s:untouched"},
        {L"/* nothing */", "s:untouched"},
        {L";", "s:untouched"},
        {L"x = 5;", "i:5"},
        {L"x = 5; x;", "i:5"},
        {L"int x; x;", "i:0"},
        {L"double d; d;", "d:0"},
        {L"string s; s;", "s:"},
        {L"void v; v;", "v"},
        {L"int x;", "i:0"},
        {L"int x; int x;", "E304@0:7"},
        {L"x = 1; int x;", "E304@0:7"},
        {L"int x; x = \"a\"; x;", "s:a"},  // declared types are not kept
        {L"int v[10]; v[3] = 4; v;", "i:4"},
        {L"int v[1 / 0]; v;", "i:0"},  // the size is not evaluated
        {L"v[1 / 0] = 2; v;", "i:2"},  // nor the index
        {L"x = u;", "E312@0:0"},
        {L"x = nothing(); x;", "v"},
        {L"a = 1; b;", "u"},
        {L"a = 1; ; b = 2; a + b;", "i:3"},
        {L"a = b = 7; a * b;", "i:49"},
        {L"a = (b = 2) + 1; a + b;", "i:5"},
        {L"x = 1; { y = 2; }", "i:1"},  // a block yields nothing
        {L"\n  x = 1;\n  y = x + \"s\";", "E301@2:6"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, FunctionsAndCalls)
{
    const RunCase cases[] = {
        {L"int f(int a) { return a * 2; } y = f(3); y;", "i:6"},
        {L"int f(int a) { return a * 2; } f(3.0);", "E307@0:31"},
        {L"int f(int a) { return a * 2; } f();", "E308@0:31"},
        {L"int f(int a) { return a * 2; } f(1, 2);", "E308@0:31"},
        {L"double f(double a, string b, int c) { return a; } f(1.5, \"s\", 2);", "d:1.5"},
        {L"int f(double a) { return a; } f(1);", "E307@0:30"},
        {L"int f(string a) { return a; } f(u);", "E307@0:30"},
        {L"int f(void v) { return 1; } f(nothing());", "i:1"},
        {L"int f() { x = 5; } f();", "i:5"},
        {L"int f() { } x = 3; f();", "i:3"},  // the call writes nothing
        {L"void g() { return; } z = g();", "E312@0:21"},
        {L"void g() { return; } g();", "u"},
        {L"int f() { return \"s\"; } f();", "s:s"},  // the declared type is not checked
        {L"f(); int f() { return 1; }", "E306@0:0"},
        {L"g(1);", "E306@0:0"},
        {L"int f() { return 1; } int f() { return 2; }", "E305@0:22"},
        {L"int atoi(string s) { return 99; } atoi(\"5\");", "i:99"},  // a script function hides a native
        {L"int fact(int n) { if (n < 2) return 1; return n * fact(n - 1); } fact(10);", "i:3628800"},
        {L"int fib(int n) { int x; int y; if (n < 2) return n; x = fib(n - 1); y = fib(n - 2); return x + y; } "
         L"fib(15);",
         "i:610"},
        // Splits ignore parentheses: the last "-" is taken for the sum's split.
        {L"int fib(int n) { if (n < 2) return n; return fib(n - 1) + fib(n - 2); } fib(15);", "E200@0:79"},
        {L"int f(int n) { return n; } f(2 - 1) + 1;", "i:2"},
        {L"int f(int a) { return a; } f(1 / 0);", "E303@0:29"},
        {L"int f(int a, int a) { return a; } f(1, 2);", "E304@0:34"},
        {L"int f() { int a; int a; return 1; } f();", "E304@0:17"},
        // A "return" outside any function ends the run with its value.
        {L"return 5; x = 1;", "i:5"},
        {L"{ return 7; } 8;", "i:7"},
        {L"if (1) return; 8;", "u"},
        {L"x = 2; return x * 3; x = 9;", "i:6"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, ScopingAcrossCallsAndBlocks)
{
    const RunCase cases[] = {
        // A function sees the globals...
        {L"int f() { return y; } y = 3; f();", "i:3"},
        // ...and its callers' locals.
        {L"int g() { return z; } int f() { int z; z = 4; return g(); } f();", "i:4"},
        {L"int g() { return a + 1; } int f(int a) { return g(); } f(41);", "i:42"},
        // A local shadows a global of the same name.
        {L"int f() { int x; x = 2; return x; } x = 1; f() + x;", "i:3"},
        // Assignment reaches the nearest variable, a global included.
        {L"int f() { g = 9; return 0; } g = 1; f(); g;", "i:9"},
        // A name first assigned in a function is its local and goes with it.
        {L"int f() { h = 9; return h; } f(); h;", "u"},
        // Arguments are evaluated where the call is, not among the parameters.
        {L"int f(int a, int b) { return b; } a = 5; f(1, a);", "i:5"},
        {L"int f(int n) { if (n) { int t; t = n; return f(n - 1) + t; } return 0; } f(4);", "i:10"},
        // A block's variables go when it ends: the same declaration can run again.
        {L"{ int t; t = 1; } { int t; t = 2; } 5;", "i:5"},
        {L"{ int t; t = 1; } t;", "u"},
        {L"{ t = 1; } t;", "u"},
        {L"int f() { { int t; t = 1; } { int t; t = 2; } return 1; } f();", "i:1"},
        {L"int f(int n) { { int t; t = n; } return n; } f(1) + f(2);", "i:3"},
        {L"{ int t; { int t; t = 2; } t; }", "s:untouched"},
        {L"x = 1; { int x; x = 2; } x;", "i:1"},
        {L"{ int t; t = 3; { s = t; } } s;", "u"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, NativeCallingRules)
{
    const RunCase cases[] = {
        {L"ints(2, 3);", "i:5"},
        {L"ints(2);", "E310@0:0"},
        {L"ints();", "E310@0:0"},
        {L"ints(2, 3.0);", "E309@0:0"},
        {L"ints(\"2\", 3);", "E309@0:0"},
        {L"ints(2, u);", "E309@0:0"},
        {L"ints(2, nothing());", "E309@0:0"},
        // Arguments beyond the signature are neither evaluated nor passed.
        {L"ints(2, 3, 4);", "i:5"},
        {L"ints(2, 3, 1 / 0);", "i:5"},
        {L"ints(2, 3, missing());", "i:5"},
        // Arguments are evaluated one by one against the letters.
        {L"ints(1 / 0, 2);", "E303@0:5"},
        {L"ints(2.5, 1 / 0);", "E309@0:0"},
        {L"dbl(1.5, 2.0);", "d:3"},
        {L"dbl(1, 2.0);", "E309@0:0"},
        {L"cat(\"a\", \"b\");", "s:ab"},
        {L"cat(\"\", \"nul\") + \"!\";", "s:a!"},  // a returned text ends at its NUL
        {L"cat(\"a\", 1);", "E309@0:0"},
        {L"x = cat(\"a\", cat(\"b\", \"c\"));", "E200@0:27"},  // nested calls with two arguments do not parse
        {L"x = cat(\"a\", \"b\") + cat(\"c\", \"d\");", "s:abcd"},
        {L"nothing();", "v"},
        {L"nothing(1, 2);", "v"},
        {L"bad(1);", "E311@0:0"},
        {L"bad();", "E310@0:0"},
        {L"bad(1.5);", "E309@0:0"},
        {L"oddletter(1);", "E309@0:0"},
        {L"oddletter(\"a\");", "E309@0:0"},
        {L"oddletter();", "E310@0:0"},
        {L"\n  y = 1 + ints(1);", "E310@1:10"},
    };
    Check(cases, std::size(cases));
}

TEST(ScriptRun, NodeOfTheWrongClass)
{
    // A node whose kind names another class than its own is refused.
    ScriptLexer lexer;
    ASSERT_EQ(0, lexer.Tokenize(L"\n  x;"));
    HXScriptParser parser;
    ASSERT_EQ(0, parser.Parse(lexer));
    SStmtPtr<SStmt> program = parser.TakeProgram();
    program->m_kind = STMT_CALL;
    HXScriptVM vm;
    HXSVal out;
    EXPECT_EQ(HXS_ERR_VM_INTERNAL, vm.Execute(std::move(program), out));
    EXPECT_EQ(1, vm.GetErrorLine());
    EXPECT_EQ(2, vm.GetErrorColumn());
    EXPECT_EQ(L"internal error(vm)", HXScriptVM::GetErrorText(HXS_ERR_VM_INTERNAL));
}

}  // namespace
