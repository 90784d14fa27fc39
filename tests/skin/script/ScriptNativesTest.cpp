// The native functions of a skin window, on a window that records what they
// do: each by its name and its short name, with right and wrong arguments.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "RecordingScriptWindow.h"
#include "ScriptTestSupport.h"
#include "foundation/RegistryHelpers.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Registry.h"
#include "skin/script/ScriptNatives.h"
#include "tests/support/TempDir.h"

namespace {

using Kind = RecordingScriptWindow::Kind;

// A text, what it gives and what it did to the window.
struct NativeCase {
    const wchar_t* text;
    const char* outcome;
    std::vector<std::string> log;
};

class ScriptNativesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_.AddControl(L"ID_TEXT", 5, Kind::Static, L"hello");
        window_.AddControl(L"ID_BTN_START", 1001, Kind::Button, L"Start");
        window_.AddControl(L"ID_WEB", 7, Kind::Browser);
        window_.AddControl(L"ID_LIST", 8, Kind::Other, L"list");
        window_.At(8).shown = 2;           // as a skin's Show="2" leaves it
        window_.Bind(L"ID_ELSEWHERE", 9);  // bound, but no control of that id
        window_.AddChildWindow(L"ID_CHILD", 20);
        ASSERT_TRUE(RegisterScriptNatives(host_, &window_));
    }

    // Runs the text; returns its outcome and moves the window's log out.
    std::string Run(const wchar_t* text, std::vector<std::string>* log = nullptr)
    {
        window_.log.clear();
        std::string outcome = RunOutcome(host_, text);
        if (log) *log = window_.log;
        return outcome;
    }

    void Check(const NativeCase* cases, size_t count)
    {
        for (size_t i = 0; i < count; ++i) {
            std::vector<std::string> log;
            EXPECT_EQ(cases[i].outcome, Run(cases[i].text, &log)) << WideToUtf8(cases[i].text);
            EXPECT_EQ(cases[i].log, log) << WideToUtf8(cases[i].text);
        }
    }

    RecordingScriptWindow window_;
    HXScript host_;
};

TEST_F(ScriptNativesTest, EveryNativeUnderEveryName)
{
    const NativeCase cases[] = {
        {L"SendCommand(\"ID_BTN_START\");", "v", {"SendCommand 1001"}},
        {L"SCMD(\"ID_BTN_START\");", "v", {"SendCommand 1001"}},
        {L"SendCommand(\"ID_ELSEWHERE\");", "v", {"SendCommand 9"}},  // a binding is enough
        {L"SendCommand(\"ID_NONE\");", "v", {}},
        {L"GetControlText(\"ID_TEXT\");", "s:hello", {}},
        {L"GCT(\"ID_BTN_START\");", "s:Start", {}},
        {L"GetControlText(\"ID_ELSEWHERE\");", "s:", {}},
        {L"GetControlText(\"ID_NONE\");", "s:", {}},
        {L"SetControlText(\"ID_TEXT\", \"bye\"); GCT(\"ID_TEXT\");", "s:bye", {"SetControlText 5 bye"}},
        {L"SCT(\"ID_LIST\", \"\");", "v", {"SetControlText 8 "}},
        {L"SCT(\"ID_ELSEWHERE\", \"x\");", "v", {}},
        {L"SCT(\"ID_NONE\", \"x\");", "v", {}},
        // Scripts write 0xRRGGBB, controls take 0x00BBGGRR; then a refresh.
        {L"SetControlTextColor(\"ID_TEXT\", 0xFF0000);", "v", {"SetControlTextColor 5 0xff", "RefreshControl 5"}},
        {L"SCTC(\"ID_TEXT\", 0x123456);", "v", {"SetControlTextColor 5 0x563412", "RefreshControl 5"}},
        {L"SCTC(\"ID_TEXT\", 0x7F123456);", "v", {"SetControlTextColor 5 0x563412", "RefreshControl 5"}},
        {L"SCTC(\"ID_TEXT\", -1);", "v", {"SetControlTextColor 5 0xffffff", "RefreshControl 5"}},
        {L"SCTC(\"ID_NONE\", 0xFF);", "v", {}},
        {L"MessageBox(\"hi\");", "v", {"MessageBox [hi] []"}},
        {L"MB(\"\");", "v", {"MessageBox [] []"}},
        {L"MessageBoxNum(42);", "v", {"MessageBox [42] [HXS]"}},
        {L"MBN(-7);", "v", {"MessageBox [-7] [HXS]"}},
        {L"ShowControl(\"ID_TEXT\", 0); GetControlShow(\"ID_TEXT\");", "i:0", {"SetControlVisible 5 0"}},
        {L"SC(\"ID_TEXT\", 5); GetControlShow(\"ID_TEXT\");", "i:1", {"SetControlVisible 5 1"}},
        {L"ShowControl(\"ID_NONE\", 1);", "v", {"MessageBox [ShowControl() Failed - Can't Find Control ID] [HXS]"}},
        {L"SC(\"ID_ELSEWHERE\", 1);", "v", {"MessageBox [ShowControl() Failed - Can't Find Child Control] [HXS]"}},
        {L"GetControlShow(\"ID_NONE\");", "i:0", {}},
        {L"GetControlShow(\"ID_ELSEWHERE\");", "i:0", {}},
        {L"GetControlShow(\"ID_LIST\");", "i:2", {}},  // the flag as the control keeps it
        {L"RefreshAll(\"\");", "v", {"RelayoutAll"}},
        {L"RA(\"ID_CHILD\");", "v", {"RelayoutChildWindow 20"}},
        {L"RefreshAll(\"ID_TEXT\");", "v", {}},  // no nested window of that id
        {L"RefreshAll(\"ID_NONE\");", "v", {}},
        {L"SetImageNum(\"ID_TEXT\", 2);", "v", {"SetControlImageNum 5 2"}},
        {L"SETIN(\"ID_BTN_START\", 3);", "v", {"SetControlImageNum 1001 3"}},
        {L"SETIN(\"ID_WEB\", 3);", "v", {}},  // not a static or a button
        {L"SETIN(\"ID_NONE\", 3);", "v", {}},
        {L"Navigate(\"ID_WEB\", \"http://example.invalid/\");", "v", {"NavigateControl 7 http://example.invalid/"}},
        {L"Navigate(\"ID_TEXT\", \"http://example.invalid/\");", "v", {}},
        {L"atoi(\"12ab\");", "i:12", {}},
        {L"atoi(\"  -5\");", "i:-5", {}},
        {L"atoi(\"+8\");", "i:8", {}},
        {L"atoi(\"x1\");", "i:0", {}},
        {L"atoi(\"\");", "i:0", {}},
        {L"atoi(\"99999999999\");", "i:2147483647", {}},
        {L"itoa(7) + itoa(8);", "s:78", {}},
        {L"itoa(-2147483647 - 1);", "s:-2147483648", {}},
        {L"atoi(itoa(123)) + 1;", "i:124", {}},
    };
    Check(cases, std::size(cases));
}

TEST_F(ScriptNativesTest, WrongArgumentTypesAndCounts)
{
    const NativeCase cases[] = {
        {L"SendCommand(1);", "E309@0:0", {}},
        {L"SCMD();", "E310@0:0", {}},
        {L"GetControlText(1.5);", "E309@0:0", {}},
        {L"SetControlText(\"ID_TEXT\");", "E310@0:0", {}},
        {L"SCT(\"ID_TEXT\", 5);", "E309@0:0", {}},
        {L"SetControlTextColor(\"ID_TEXT\", \"red\");", "E309@0:0", {}},
        {L"SCTC(\"ID_TEXT\", 1.0);", "E309@0:0", {}},
        {L"MessageBox(3);", "E309@0:0", {}},
        {L"MessageBoxNum(\"42\");", "E309@0:0", {}},
        {L"MBN();", "E310@0:0", {}},
        {L"ShowControl(\"ID_TEXT\");", "E310@0:0", {}},
        {L"SC(\"ID_TEXT\", \"1\");", "E309@0:0", {}},
        {L"GetControlShow(5);", "E309@0:0", {}},
        {L"RefreshAll(1);", "E309@0:0", {}},
        {L"RA();", "E310@0:0", {}},
        {L"SetImageNum(\"ID_TEXT\", 1.5);", "E309@0:0", {}},
        {L"Navigate(\"ID_WEB\", 1);", "E309@0:0", {}},
        {L"Navigate(\"ID_WEB\");", "E310@0:0", {}},
        {L"OpenHomepage(1);", "E309@0:0", {}},
        {L"OpenHomepage();", "E310@0:0", {}},
        {L"atoi(12);", "E309@0:0", {}},
        {L"itoa(\"7\");", "E309@0:0", {}},
        {L"itoa(7.0);", "E309@0:0", {}},
        // Arguments beyond the signature are ignored.
        {L"MessageBox(\"a\", 1, 2);", "v", {"MessageBox [a] []"}},
    };
    Check(cases, std::size(cases));
}

TEST_F(ScriptNativesTest, RegisteringTwiceKeepsTheFirstTable)
{
    RecordingScriptWindow other;
    other.AddControl(L"ID_BTN_START", 2002, Kind::Button);
    EXPECT_FALSE(RegisterScriptNatives(host_, &other));
    std::vector<std::string> log;
    EXPECT_EQ("v", Run(L"SendCommand(\"ID_BTN_START\");", &log));
    EXPECT_EQ(std::vector<std::string>{"SendCommand 1001"}, log);
    EXPECT_TRUE(other.log.empty());
}

TEST_F(ScriptNativesTest, ScriptFunctionOfANativesNameHidesIt)
{
    std::vector<std::string> log;
    EXPECT_EQ("v", Run(L"void MB(string s) { SCT(\"ID_TEXT\", s); } MB(\"x\");", &log));
    EXPECT_EQ(std::vector<std::string>{"SetControlText 5 x"}, log);
    EXPECT_EQ("v", Run(L"MessageBox(\"y\");", &log));
    EXPECT_EQ(std::vector<std::string>{"MessageBox [y] []"}, log);
}

TEST_F(ScriptNativesTest, WithoutAWindowTheWindowNativesDoNothing)
{
    HXScript host;
    ASSERT_TRUE(RegisterScriptNatives(host, nullptr));
    EXPECT_EQ("v", RunOutcome(host, L"SendCommand(\"a\"); SC(\"a\", 1); MB(\"m\"); RA(\"\");"));
    EXPECT_EQ("s:", RunOutcome(host, L"GCT(\"a\");"));
    EXPECT_EQ("i:0", RunOutcome(host, L"GetControlShow(\"a\");"));
    EXPECT_EQ("i:3", RunOutcome(host, L"atoi(\"3\");"));
}

// OpenHomepage starts the browser registered for http addresses: here a
// script that writes down its arguments.
TEST(ScriptNativesHomepage, OpensTheAddressInTheRegisteredBrowser)
{
    TempDir config;
    setenv("XDG_CONFIG_HOME", config.path().c_str(), 1);
    const std::string script = config.File("browser.sh"), log = config.File("args.txt");
    WriteBytes(script, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > '" + log + ".tmp'\nmv '" + log +
                           ".tmp' '" + log + "'\n");
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    ASSERT_TRUE(RegWriteStringAnsi(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"",
                                   CString(Utf8ToWide(script).c_str()) + L" \"%1\""));
    HXScript host;
    ASSERT_TRUE(RegisterScriptNatives(host, nullptr));
    EXPECT_EQ("v", RunOutcome(host, L"OpenHomepage(\"http://example.invalid/a b\");"));
    for (int i = 0; i < 1000 && ReadBytes(log).empty(); ++i) usleep(10000);
    EXPECT_EQ("http://example.invalid/a b\n", ReadBytes(log));
    unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
