// Texts at and beyond the limits: very long, very deep, runaway recursion and
// strings that double without end. None crashes or hangs; each gives a
// value or a clear error. Timing is checked by hand with bench/script-limits.sh;
// the deadlines here only stop a hang.
#include <gtest/gtest.h>

#include <pthread.h>
#include <unistd.h>

#include <string>

#include "ScriptTestSupport.h"

namespace {

class ScriptLimitsTest : public ::testing::Test {
protected:
    void SetUp() override { alarm(300); }
    void TearDown() override { alarm(0); }
};

std::wstring Repeat(const std::wstring& piece, int count)
{
    std::wstring s;
    s.reserve(piece.size() * static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) s += piece;
    return s;
}

std::string CodeOf(const std::string& outcome) { return outcome.substr(0, outcome.find('@')); }

TEST_F(ScriptLimitsTest, DeepNestingIsAnErrorNotACrash)
{
    const int n = 100000;
    EXPECT_EQ("E202", CodeOf(RunFresh(Repeat(L"{", n) + Repeat(L"}", n))));
    EXPECT_EQ("E202", CodeOf(RunFresh(L"int f() " + Repeat(L"{", n) + Repeat(L"}", n))));
    EXPECT_EQ("E202", CodeOf(RunFresh(L"x = " + Repeat(L"(", n) + L"1" + Repeat(L")", n) + L";")));
    EXPECT_EQ("E202", CodeOf(RunFresh(Repeat(L"if (1) ", n) + L"x = 1;")));
    EXPECT_EQ("E202", CodeOf(RunFresh(L"x = " + Repeat(L"-", n) + L"1;")));
    EXPECT_EQ("E202", CodeOf(RunFresh(L"x = 1" + Repeat(L" + 1", n) + L";")));
    EXPECT_EQ("E202", CodeOf(RunFresh(Repeat(L"a = ", n) + L"1;")));
    EXPECT_EQ("E202", CodeOf(RunFresh(L"ints(1" + Repeat(L", 1", n) + L");")));
    // Unbalanced, the same.
    EXPECT_EQ("E200", CodeOf(RunFresh(Repeat(L"{", n))));
    EXPECT_EQ("E200", CodeOf(RunFresh(Repeat(L"}", n))));
    EXPECT_EQ("E200", CodeOf(RunFresh(L"int f() {" + Repeat(L"{", n) + L"}")));
}

TEST_F(ScriptLimitsTest, NestingWithinTheLimitsRuns)
{
    EXPECT_EQ("i:1", RunFresh(L"x = 0; " + Repeat(L"{", 900) + L"x = 1;" + Repeat(L"}", 900) + L" x;"));
    EXPECT_EQ("i:1", RunFresh(L"x = " + Repeat(L"(", 450) + L"1" + Repeat(L")", 450) + L";"));
    EXPECT_EQ("i:2500", RunFresh(L"x = 1" + Repeat(L" + 1", 2499) + L";"));
    EXPECT_EQ("i:1", RunFresh(L"x = " + Repeat(L"- ", 2000) + L"1;"));
    EXPECT_EQ("i:7", RunFresh(Repeat(L"a = ", 500) + L"7;"));
    EXPECT_EQ("i:1", RunFresh(Repeat(L"if (1) ", 1400) + L"x = 1; x;"));
    // Calls as deep as the machine follows, each with blocks inside.
    EXPECT_EQ("i:199", RunFresh(L"int d(int n) { { { if (n) return d(n - 1) + 1; } } return 0; } d(199);"));
}

TEST_F(ScriptLimitsTest, RunawayRecursionEndsWithItsOwnError)
{
    HXScript host;
    HXSVal out;
    int code = 0;
    EXPECT_FALSE(host.Run(L"int r(int n) {\n  return r(n + 1);\n}\nr(0);", out, code));
    EXPECT_EQ(HXS_ERR_CALL_DEPTH, code);
    EXPECT_EQ(1, host.GetErrorLine());
    EXPECT_EQ(9, host.GetErrorColumn());
    EXPECT_EQ(L"return r(n + 1);/function[r] line[1]", host.GetErrorMessage());
    // Every call's locals are gone again, and the host runs on.
    EXPECT_EQ(0, host.GetMachine().GetVariableCount());
    EXPECT_EQ("u", RunOutcome(host, L"n;"));
    EXPECT_EQ("i:3", RunOutcome(host, L"3;"));
    // Deep evaluation inside deep calls meets the same limit.
    EXPECT_EQ("E313", CodeOf(RunFresh(L"int d(int n) { if (n) return " + Repeat(L"- ", 400) +
                                      L"d(n - 1); return 0; } "
                                      L"d(150);")));
    EXPECT_EQ("i:0", RunFresh(L"int d(int n) { if (n) return " + Repeat(L"- ", 400) + L"d(n - 1); return 0; } d(10);"));
    EXPECT_EQ("E313", CodeOf(RunFresh(L"int d() { return 1 + d(); } d();")));
}

// On a thread with a small stack, texts that nest deep end with the
// nesting errors before the stack runs out.
struct ThreadRun {
    std::wstring text;
    HXScript* host;  // made on the main thread; none: one made on the thread
    std::string outcome;
};

void* RunOnThread(void* job)
{
    auto* j = static_cast<ThreadRun*>(job);
    j->outcome = j->host ? RunOutcome(*j->host, j->text) : RunFresh(j->text);
    return nullptr;
}

TEST_F(ScriptLimitsTest, SmallStacksEndDeepTextsWithAnError)
{
    // Which stage stops first depends on the build's frame sizes.
    const std::wstring texts[] = {
        L"x = " + Repeat(L"- ", 2900) + L"1;",
        L"x = 1" + Repeat(L" + 1", 2900) + L";",
        Repeat(L"{", 1400) + L"x;" + Repeat(L"}", 1400),
        L"int d(int n) { { { if (n) return d(n - 1) + 1; } } return 0; } d(199);",
    };
    HXScript mainThreadHost;
    // A host made on one thread measures the stack of the thread that runs it.
    ThreadRun shallow{L"int f(int n) { if (n) return f(n - 1) + 1; return 0; } f(20);", &mainThreadHost, ""};
    pthread_t runner;
    ASSERT_EQ(0, pthread_create(&runner, nullptr, RunOnThread, &shallow));
    pthread_join(runner, nullptr);
    EXPECT_EQ("i:20", shallow.outcome);
    mainThreadHost.Reset(false);
    for (const std::wstring& text : texts) {
        for (HXScript* host : {static_cast<HXScript*>(nullptr), &mainThreadHost}) {
            ThreadRun job{text, host, ""};
            pthread_attr_t attr;
            pthread_attr_init(&attr);
            pthread_attr_setstacksize(&attr, 256 * 1024);
            pthread_t thread;
            ASSERT_EQ(0, pthread_create(&thread, &attr, RunOnThread, &job));
            pthread_join(thread, nullptr);
            pthread_attr_destroy(&attr);
            const std::string code = CodeOf(job.outcome);
            EXPECT_TRUE(code == "E202" || code == "E313") << job.outcome;
        }
    }
}

TEST_F(ScriptLimitsTest, StepLimitEndsALongRun)
{
    HXScript host;
    host.GetMachine().SetStepLimit(100000);
    const wchar_t* text = L"int f(int n) { if (n) { f(n - 1); f(n - 1); } return 0; } f(40);";
    EXPECT_EQ("E315", CodeOf(RunOutcome(host, text)));
    // The count starts again with every run.
    EXPECT_EQ("i:0", RunOutcome(host, L"f(5);"));
    EXPECT_EQ("i:0", RunOutcome(host, L"f(5);"));
    host.GetMachine().SetStepLimit(0);
    EXPECT_EQ("i:0", RunOutcome(host, L"f(12);"));
}

TEST_F(ScriptLimitsTest, StringsStopGrowingAtTheirLimit)
{
    const std::wstring doubling = L"string d(string s, int n) { if (n) return d(s + s, n - 1); return s; } ";
    EXPECT_EQ("s:abababab", RunFresh(doubling + L"d(\"ab\", 2);"));
    EXPECT_EQ("E316", CodeOf(RunFresh(doubling + L"d(\"ab\", 40);")));
    EXPECT_EQ("i:1", RunFresh(doubling + L"x = d(\"a\", 20); 1;"));  // exactly the longest string
    EXPECT_EQ("E316", CodeOf(RunFresh(doubling + L"x = d(\"a\", 20) + \"b\";")));
}

TEST_F(ScriptLimitsTest, AMillionStatements)
{
    // At the top level and in a function body.
    EXPECT_EQ("i:1", RunFresh(L"x = 1;" + Repeat(L"x;", 999999)));
    EXPECT_EQ("i:1", RunFresh(L"int f() { x = 1;" + Repeat(L"x;", 999998) + L"return x; } f();"));
    EXPECT_EQ("s:untouched", RunFresh(Repeat(L";", 1000000)));
    EXPECT_EQ("i:1", RunFresh(L"{ x = 1;" + Repeat(L"x;", 99999) + L"} 1;"));
    // Long lists with an error in the last statement.
    EXPECT_EQ("E303@1:4", RunFresh(L"x = 1;" + Repeat(L"x;", 99998) + L"\nx = 1 / 0;"));
    EXPECT_EQ("E201@0:200010", RunFresh(L"int f() { " + Repeat(L"x;", 100000) + L"if (1 2) x; }"));
}

}  // namespace
