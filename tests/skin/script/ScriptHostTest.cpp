#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "ScriptTestSupport.h"
#include "foundation/DebugTrace.h"
#include "platform/win32/CodePage.h"
#include "tests/support/TempDir.h"
#include "tests/support/TraceViewer.h"

namespace {

// Texts run one after another on one host, each with what it gives.
struct Step {
    const wchar_t* text;
    const char* expected;
};

void RunSteps(HXScript& host, std::initializer_list<Step> steps)
{
    for (const Step& s : steps) EXPECT_EQ(s.expected, RunOutcome(host, s.text)) << WideToUtf8(s.text);
}

TEST(ScriptHost, GlobalsAndFunctionsPersistBetweenRuns)
{
    HXScript host;
    RegisterTestNatives(host);
    RunSteps(host, {
                       {L"x = 5;", "i:5"},
                       {L"x;", "i:5"},
                       {L"x = x + 1;", "i:6"},
                       {L"int f() { return x * 7; }", "s:untouched"},
                       {L"f();", "i:42"},
                       {L"int g(int a) { return f() + a; } g(1);", "i:43"},
                       {L"g(2);", "i:44"},
                       // Running the same declaration again fails.
                       {L"int f() { return 1; }", "E305@0:0"},
                       {L"f();", "i:42"},
                       {L"int y;", "i:0"},
                       {L"int y;", "E304@0:0"},
                       // A failed run keeps what it made before the failure.
                       {L"a = 1; int h() { return 2; } b = 1 / 0; c = 3;", "E303@0:33"},
                       {L"a;", "i:1"},
                       {L"h();", "i:2"},
                       {L"c;", "u"},
                       // Function locals and block variables are gone after their run.
                       {L"int k() { int t; t = 1; return t; } k();", "i:1"},
                       {L"t;", "u"},
                       {L"{ int w; w = 1; }", "s:untouched"},
                       {L"{ int w; w = 2; }", "s:untouched"},
                   });
    EXPECT_TRUE(host.HasFunction(L"f"));
    EXPECT_TRUE(host.HasFunction(L"h"));
    EXPECT_FALSE(host.HasFunction(L"ints"));  // a native, not a script function
    EXPECT_FALSE(host.HasFunction(L"none"));
}

TEST(ScriptHost, ResetDropsFunctionsAndGlobalsAndWithTheFlagTheNatives)
{
    HXScript host;
    RegisterTestNatives(host);
    RunSteps(host, {{L"x = 1; int f() { return 2; }", "i:1"}});
    host.Reset(false);
    EXPECT_FALSE(host.HasFunction(L"f"));
    EXPECT_EQ(0, host.GetMachine().GetVariableCount());
    RunSteps(host,
             {{L"x;", "u"}, {L"f();", "E306@0:0"}, {L"ints(1, 2);", "i:3"}, {L"int f() { return 3; } f();", "i:3"}});
    host.Reset(true);
    RunSteps(host, {{L"ints(1, 2);", "E306@0:0"}});
    EXPECT_TRUE(host.RegisterApi(L"ints", L"I", [](void*, const std::vector<HXSVal>&) { return HXSVal::Int(8); }));
    RunSteps(host, {{L"ints();", "i:8"}});
}

TEST(ScriptHost, ErrorPositionSourceLineAndMessage)
{
    struct Case {
        const wchar_t* text;
        int code, line, column;
        const char* sourceLine;
        const char* message;
    } const cases[] = {
        {L"a = 1;\nb = 2;\n   c = 1 / 0;   \n", HXS_ERR_DIVIDE_BY_ZERO, 2, 7, "c = 1 / 0;", "c = 1 / 0;"},
        {L"a = 1;\r\n\tc = 1 / 0;\r\n", HXS_ERR_DIVIDE_BY_ZERO, 1, 5, "c = 1 / 0;", "c = 1 / 0;"},
        {L"x = 1;\n\n  y = @;", HXS_ERR_TOKEN, 2, 7, "y = @;", "y = @;"},
        {L"x = 1;\n  y = ;", HXS_ERR_UNEXPECTED_EOF, 1, 6, "y = ;", "y = ;"},
        {L"\n if (1 2) x;", HXS_ERR_SYNTAX, 1, 1, "if (1 2) x;", "if (1 2) x;"},
        {L"x = \"ab", HXS_ERR_EOF_STRING, 0, 7, "x = \"ab", "x = \"ab"},
        // Inside a function the detail names it and the line from its declaration.
        {L"x = 1;\nint f() {\n  y = 2;\n  return y / 0;\n}\nf();", HXS_ERR_DIVIDE_BY_ZERO, 3, 9, "return y / 0;",
         "return y / 0;/function[f] line[2]"},
        // The detail is that of the function running when the error came:
        // after a nested call returns, its caller's name and line base are back.
        {L"int g() { return 1; }\nint f() {\n  g();\n  return 1 / 0;\n}\nf();", HXS_ERR_DIVIDE_BY_ZERO, 3, 9,
         "return 1 / 0;", "return 1 / 0;/function[f] line[2]"},
        {L"int g() { return 1 / 0; }\nint f() {\n  x = g();\n}\nf();", HXS_ERR_DIVIDE_BY_ZERO, 0, 17,
         "int g() { return 1 / 0; }", "int g() { return 1 / 0; }/function[g] line[0]"},
        // Blocks inside a function do not change which function is named.
        {L"int f() {\n  {\n    return 1 / 0;\n  }\n}\nf();", HXS_ERR_DIVIDE_BY_ZERO, 2, 11, "return 1 / 0;",
         "return 1 / 0;/function[f] line[2]"},
    };
    for (const Case& c : cases) {
        HXScript host;
        HXSVal out;
        int code = 0;
        EXPECT_FALSE(host.Run(c.text, out, code)) << WideToUtf8(c.text);
        EXPECT_EQ(c.code, code) << WideToUtf8(c.text);
        EXPECT_EQ(c.line, host.GetErrorLine()) << WideToUtf8(c.text);
        EXPECT_EQ(c.column, host.GetErrorColumn()) << WideToUtf8(c.text);
        EXPECT_EQ(c.sourceLine, WideToUtf8(host.GetErrorSourceLine().str())) << WideToUtf8(c.text);
        EXPECT_EQ(c.message, WideToUtf8(host.GetErrorMessage().str())) << WideToUtf8(c.text);
        // A success afterwards clears them all.
        EXPECT_TRUE(host.Run(L"1;", out, code));
        EXPECT_EQ(0, code);
        EXPECT_EQ(-1, host.GetErrorLine());
        EXPECT_EQ(-1, host.GetErrorColumn());
        EXPECT_TRUE(host.GetErrorMessage().IsEmpty());
        EXPECT_TRUE(host.GetErrorDetail().IsEmpty());
    }
}

TEST(ScriptHost, ErrorTexts)
{
    const std::pair<int, const char*> texts[] = {
        {0, "no error"},
        {110, "err at ctoi()"},
        {111, "invalid DBCS"},
        {112, "token error"},
        {113, "invalid hex number format"},
        {114, "invalid real number format"},
        {115, "invalid binary number format"},
        {116, "invalid decimal number format"},
        {117, "unexpected eof comment"},
        {200, "unexpected eof"},
        {201, "syntax error"},
        {300, "internal error(vm)"},
        {301, "invalid binary operator"},
        {302, "invalid string operator"},
        {303, "divide by zero"},
        {304, "variable redefinition"},
        {305, "function redefinition"},
        {306, "undeclared function"},
        {307, "invalid function parameter type"},
        {308, "invalid function parameter count"},
        {309, "invalid api parameter type"},
        {310, "invalid api parameter count"},
        {311, "api call failed"},
        {312, "assign failed (undefined type)"},
        // Codes without a text of their own, ours included.
        {118, "HXScript err(code:118)"},
        {202, "HXScript err(code:202)"},
        {313, "HXScript err(code:313)"},
        {314, "HXScript err(code:314)"},
        {315, "HXScript err(code:315)"},
        {316, "HXScript err(code:316)"},
        {-5, "HXScript err(code:-5)"},
    };
    for (const auto& [code, text] : texts) EXPECT_EQ(text, WideToUtf8(HXScript::GetErrorText(code).str())) << code;
}

TEST(ScriptHost, RegistrationRules)
{
    HXScript host;
    auto one = [](void*, const std::vector<HXSVal>&) { return HXSVal::Int(1); };
    auto two = [](void*, const std::vector<HXSVal>&) { return HXSVal::Int(2); };
    EXPECT_TRUE(host.RegisterApi(L"SendCommand", L"I", one));
    EXPECT_FALSE(host.RegisterApi(L"SendCommand", L"I", two));  // the first stays
    EXPECT_FALSE(host.RegisterApi(L"", L"I", two));
    EXPECT_FALSE(host.RegisterApi(nullptr, L"I", two));
    EXPECT_FALSE(host.RegisterApi(L"n", L"", two));
    EXPECT_FALSE(host.RegisterApi(L"n", nullptr, two));
    EXPECT_FALSE(host.RegisterApi(L"n", L"Iiiiiiiiiiii", two));  // twelve characters
    EXPECT_FALSE(host.RegisterApi(L"n", L"I", nullptr));
    EXPECT_TRUE(host.RegisterApi(L"eleven", L"Iiiiiiiiiii", two));
    RunSteps(host, {{L"SendCommand();", "i:1"},
                    {L"n();", "E306@0:0"},
                    {L"eleven(1, 2, 3, 4, 5, 6, 7, 8, 9, 10);", "i:2"},
                    {L"eleven(1, 2, 3, 4, 5, 6, 7, 8, 9);", "E310@0:0"}});
}

// The object given at registration comes first, then the arguments in
// signature order.
TEST(ScriptHost, NativesGetTheirObjectAndArguments)
{
    struct Seen {
        void* object = nullptr;
        std::vector<HXSVal> args;
    } seen;
    HXScript host;
    auto record = [](void* object, const std::vector<HXSVal>& args) {
        Seen* s = static_cast<Seen*>(object);
        s->object = object;
        s->args = args;
        return HXSVal::String(L"r");
    };
    ASSERT_TRUE(host.RegisterApi(L"rec", L"Sdis", record, &seen));
    RunSteps(host, {{L"rec(1.5, 2, \"x\") + \"!\";", "s:r!"}});
    EXPECT_EQ(&seen, seen.object);
    ASSERT_EQ(3u, seen.args.size());
    EXPECT_EQ("d:1.5", Describe(seen.args[0]));
    EXPECT_EQ("i:2", Describe(seen.args[1]));
    EXPECT_EQ("s:x", Describe(seen.args[2]));
}

// A native that runs script on the host that called it.
struct Reentry {
    HXScript* host;
    int code = -1;
    bool result = true;
};

HXSVal RunAgain(void* object, const std::vector<HXSVal>& args)
{
    auto* r = static_cast<Reentry*>(object);
    HXSVal out;
    r->result = r->host->Run(args[0].m_text, out, r->code);
    return HXSVal::Int(r->code);
}

TEST(ScriptHost, RunFromInsideARunIsRefused)
{
    HXScript host;
    Reentry reentry{&host};
    ASSERT_TRUE(host.RegisterApi(L"again", L"Is", RunAgain, &reentry));
    RunSteps(host, {{L"int f() { return 4; } x = again(\"y = 1;\"); x + f();", "i:318"}});
    EXPECT_FALSE(reentry.result);
    EXPECT_EQ(HXS_ERR_REENTRANT_RUN, reentry.code);
    // The outer run went on undisturbed; the refused text never ran.
    RunSteps(host, {{L"y;", "u"}, {L"x;", "i:314"}, {L"f();", "i:4"}});
}

HXSVal ResetHost(void* object, const std::vector<HXSVal>& args)
{
    static_cast<HXScript*>(object)->Reset(args[0].m_nValue != 0);
    return HXSVal();
}

TEST(ScriptHost, ResetAskedForDuringARunWaitsForItsEnd)
{
    HXScript host;
    RegisterTestNatives(host);
    ASSERT_TRUE(host.RegisterApi(L"reset", L"Vi", ResetHost, &host));
    // The running text still has its functions and variables...
    RunSteps(host, {{L"int f() { return 1; } x = 2; reset(0); f() + x;", "i:3"}});
    // ...and loses them when it ends; natives stay.
    RunSteps(host, {{L"f();", "E306@0:0"}, {L"x;", "u"}, {L"ints(1, 1);", "i:2"}});
    RunSteps(host, {{L"int g() { reset(1); return 5; } g();", "i:5"}, {L"ints(1, 1);", "E306@0:0"}});
}

// The traces of errors, as an outside trace viewer receives them.
class ScriptTraceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("XDG_RUNTIME_DIR", dir_.path().c_str(), 1);
        viewer_ = std::make_unique<TraceViewer>();
        ASSERT_TRUE(viewer_->bound());
    }
    void TearDown() override
    {
        viewer_.reset();
        unsetenv("XDG_RUNTIME_DIR");
    }
    std::vector<std::string> Received() { return viewer_->Lines(); }

    TempDir dir_;
    std::unique_ptr<TraceViewer> viewer_;
};

TEST_F(ScriptTraceTest, ParserAndMachineErrorsAreTraced)
{
    HXScript host;
    HXSVal out;
    int code = 0;
    host.Run(L"x = 1;\n  if (1 2) y;", out, code);
    EXPECT_EQ((std::vector<std::string>{"@@rHXScriptParser::Error(err:201 line:1 col:2)"}), Received());
    host.Run(L"int g() { return 1 / 0; } int f() { return g(); } f();", out, code);
    EXPECT_EQ(
        (std::vector<std::string>{"@@rHXScriptVM::Error - 303", "@@r HXScriptVM Call stack - [0], []",
                                  "@@r HXScriptVM Call stack - [1], [f]", "@@r HXScriptVM Call stack - [2], [g]"}),
        Received());
    // The lexer traces nothing.
    host.Run(L"@", out, code);
    EXPECT_TRUE(Received().empty());
}

}  // namespace
