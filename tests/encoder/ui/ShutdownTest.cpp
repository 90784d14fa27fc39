// The countdown before switching off: its title counts ten seconds down, the
// settings are saved before the one power-off request (to a recorder: no
// test can reach the system's power-off), Cancel and Escape keep the
// computer running, and a system that cannot or will not switch off is
// explained to the user.
#include <gtest/gtest.h>

#include "RivoEncIds.h"
#include "UiTestSupport.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/ui/CDlgShutdown.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "tests/support/RecordingPowerOffService.h"

using namespace mfc_test;

namespace {

class ShutdownTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        // A value that reaches the registry only when the settings are saved.
        GetEncSettings().nVideoBrightness = 77;
        power_.recorder.onRequest = [this] { savedAtRequest_ = DumpOptionKey(); };
    }
    std::wstring Title(const DialogDriver& d)
    {
        wchar_t title[256] = {};
        GetWindowTextW(d.Dialog(), title, 256);
        return title;
    }
    std::wstring CountdownTitle(int seconds) { return FormatText(LookupText(L"TEXT_SHUTDOWN"), seconds); }
    // One second of the countdown.
    void Tick(DialogDriver& d)
    {
        clock_.Advance(1000);
        d.Pump();
    }
    ScopedPowerOffRecorder power_;
    std::string savedAtRequest_;
};

TEST_F(ShutdownTest, CountdownRunsOutThenSettingsAreSavedAndOnePowerOffIsAsked)
{
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        power_.recorder.requests = 0;
        driver_.Expect(IDD_SHUTDOWN, [&](DialogDriver& d) {
            EXPECT_EQ(CountdownTitle(10), Title(d));
            // The warning comes from the language file.
            std::wstring warning = d.Text(IDC_SHUTDOWN_TEXT);
            EXPECT_NE(std::wstring::npos,
                      warning.find(language.tag == std::string("ko") ? L"컴퓨터를 끕니다" : L"switched off"))
                << WideToUtf8(warning);
            SaveShot(d, std::string("shutdown_") + language.tag);
            for (int seconds = 9; seconds >= 0; --seconds) {
                Tick(d);
                EXPECT_EQ(CountdownTitle(seconds), Title(d));
                EXPECT_EQ(0, power_.recorder.requests);
            }
            Tick(d);  // one second after 0 the window ends
        });
        EXPECT_TRUE(ShutdownAfterEncoding(nullptr));
        EXPECT_EQ(1, power_.recorder.requests);
        EXPECT_NE(std::string::npos, savedAtRequest_.find("nVideoBrightness REG_DWORD 4 0x0000004D"));
        EXPECT_TRUE(answers_.questions.empty());
    }
}

TEST_F(ShutdownTest, CancelOrEscapeKeepsTheComputerRunning)
{
    struct Case {
        int ticksFirst;
        bool escape;
    };
    for (const Case& c : {Case{0, false}, Case{5, false}, Case{10, false}, Case{3, true}}) {
        SCOPED_TRACE(c.ticksFirst);
        CDlgShutdown countdown;
        driver_.Expect(IDD_SHUTDOWN, [&](DialogDriver& d) {
            for (int i = 0; i < c.ticksFirst; ++i) Tick(d);
            EXPECT_EQ(10 - c.ticksFirst, countdown.SecondsLeft());
            if (c.escape)
                d.PressEscape();
            else
                d.Cancel();
        });
        EXPECT_EQ(IDCANCEL, countdown.DoModal());
        // Time goes on after the window has gone; nothing happens.
        clock_.Advance(20000);
        PumpDialogMessages();
    }
    // The same through the main window's call: no save, no request.
    driver_.Expect(IDD_SHUTDOWN, [&](DialogDriver& d) {
        Tick(d);
        d.Cancel();
    });
    EXPECT_FALSE(ShutdownAfterEncoding(nullptr));
    EXPECT_EQ(0, power_.recorder.requests);
    EXPECT_EQ("", DumpOptionKey());
}

TEST_F(ShutdownTest, ASystemThatCannotSwitchOffIsExplained)
{
    struct Case {
        PowerOffResult answer;
        bool installed;
        const wchar_t* reason;
    };
    const Case cases[] = {
        {PowerOffResult::NoService, true, L"TEXT_SHUTDOWN_NO_LOGIND"},
        {PowerOffResult::Refused, true, L"TEXT_SHUTDOWN_REFUSED"},
        {PowerOffResult::Failed, true, L"TEXT_SHUTDOWN_FAILED"},
        {PowerOffResult::Requested, false, L"TEXT_SHUTDOWN_FAILED"},  // no service installed at all
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.reason));
        power_.recorder.result = c.answer;
        if (!c.installed) SetPowerOffService(nullptr);
        answers_.questions.clear();
        driver_.Expect(IDD_SHUTDOWN, [&](DialogDriver& d) {
            for (int i = 0; i <= 10; ++i) Tick(d);
        });
        EXPECT_FALSE(ShutdownAfterEncoding(nullptr));
        ASSERT_EQ(1u, answers_.questions.size());
        EXPECT_EQ(std::wstring(LookupText(c.reason)), answers_.questions[0].text);
        EXPECT_NE(L"", answers_.questions[0].text);
        SetPowerOffService(&power_.recorder);
    }
    // The settings were saved before each request all the same.
    EXPECT_NE(std::string::npos, DumpOptionKey().find("nVideoBrightness REG_DWORD 4 0x0000004D"));
}

}  // namespace
