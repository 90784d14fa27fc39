// The main window with its real job windows over the recording stand-ins of
// the treatment filters and the writer: an automatic batch from the command
// line converts every source through the progress window, advances the
// naming counter once per job and closes both windows by itself; a start
// the progress window refuses gives the main window back its controls.
#include <gtest/gtest.h>

#include <filesystem>

#include "GraphWindowTest.h"
#include "RivoEncIds.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/RivoEncApp.h"
#include "encoder/ui/CDlgEncoding.h"
#include "encoder/ui/CRivoEncDlg.h"
#include "encoder/ui/EncodeWindows.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/MessageBox.h"

namespace fs = std::filesystem;
using mfc_test::DialogDriver;

namespace {

class MainWindowBatchTest : public GraphWindowTest {
protected:
    void SetUp() override
    {
        GraphWindowTest::SetUp();
        fs::create_directories(ProgramFolder() + "skins/default");
        fs::copy_file(std::string(RIVO_TEST_SOURCE_DIR) + "/tests/encoder/ui/fixtures/mainskin/skin.xml",
                      ProgramFolder() + "skins/default/skin.xml", fs::copy_options::overwrite_existing);
        LoadLongPathApi();
    }
    void TearDown() override
    {
        if (window_ && window_->m_hWnd) window_->DestroyWindow();
        window_.reset();
        GraphWindowTest::TearDown();
    }
    // The main window with the command line the program makes of its
    // arguments.
    void Open(const std::vector<std::string>& arguments)
    {
        std::vector<std::wstring> wide;
        for (const std::string& a : arguments) wide.push_back(Utf8ToWide(a));
        window_ = std::make_unique<CRivoEncDlg>(JoinEncoderCommandLine(wide), &windows_);
        ASSERT_TRUE(window_->Create(IDD_RIVOENC_DIALOG));
        window_->ShowWindow(SW_SHOW);
    }
    bool IsOpen() const { return window_->m_hWnd && IsWindowVisible(window_->m_hWnd); }
    bool ControlsEnabled() const { return window_->List().IsWindowEnabled(); }

    EncodeWindows windows_;
    std::unique_ptr<CRivoEncDlg> window_;
};

TEST_F(MainWindowBatchTest, AnAutomaticBatchConvertsEveryJobAndClosesBothWindows)
{
    const std::string a = GoodAvi("first.avi");
    const std::string b = GoodAvi("second.avi");
    const int counter = GetEncSettings().nEtcNamingCnt;
    GetEncSettings().sDstFolder = CString();
    Open({"/automode", "/destpath=" + Out(), a, b});
    ASSERT_EQ(2, window_->Jobs().GetJobCount());
    ASSERT_TRUE(PumpUntil([&] { return window_->ProgressWindow() == nullptr && !IsOpen(); }))
        << "progress window " << (window_->ProgressWindow() ? "open" : "gone") << ", " << coreMessages_->shown.size()
        << " messages, destination " << WideToUtf8(GetEncSettings().sDstFolder.str());
    EXPECT_TRUE(coreMessages_->shown.empty());
    EXPECT_NE(std::string::npos, FileText(OutputOf(a)).find("video"));
    EXPECT_NE(std::string::npos, FileText(OutputOf(b)).find("video"));
    EXPECT_EQ(counter + 2, GetEncSettings().nEtcNamingCnt);
}

TEST_F(MainWindowBatchTest, ARefusedStartGivesTheMainWindowBack)
{
    // The output of the one job would be its own source.
    const std::string source = GoodAvi("same.avi");
    fs::copy_file(source, Out() + "/same.avi");
    Open({});
    window_->AddSourceFile(CString(Utf8ToWide(Out() + "/same.avi")));
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_START);
    ASSERT_TRUE(PumpUntil([&] { return window_->ProgressWindow() == nullptr && ControlsEnabled(); }));
    ASSERT_EQ(1u, coreMessages_->shown.size());
    EXPECT_TRUE(IsOpen());
    EXPECT_EQ(FileText(source), FileText(Out() + "/same.avi"));
}

// While a batch runs, closing the main window (its exit button, the window
// manager's close, Escape) is ignored: the progress window is not asked to
// stop and is never destroyed from outside, not even while its completion
// box is open. Once it has gone, the main window closes.
TEST_F(MainWindowBatchTest, ClosingTheMainWindowIsIgnoredWhileTheProgressWindowIsOpen)
{
    const std::string source = GoodAvi("long.avi", 4.0);
    Open({});
    window_->AddSourceFile(CString(Utf8ToWide(source)));
    // The user closes the main window while the completion box is open.
    CWnd* progress = nullptr;
    bool progressStayed = false;
    coreMessages_->whileShown = [&](const FakeMessagePort::Shown& shown) {
        if (shown.type != MB_ICONINFORMATION) return;
        const HWND progressWindow = progress->m_hWnd;
        window_->SendMessage(WM_CLOSE);
        progressStayed = IsWindow(progressWindow) && window_->ProgressWindow() == progress;
    };
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_START);
    progress = window_->ProgressWindow();
    ASSERT_NE(nullptr, progress);
    // And while the batch runs.
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_EXIT);
    window_->SendMessage(WM_COMMAND, IDCANCEL);
    window_->SendMessage(WM_CLOSE);
    mfc_test::PumpDialogMessages();
    EXPECT_TRUE(IsOpen());
    ASSERT_TRUE(PumpUntil([&] {
        for (const auto& shown : coreMessages_->shown)
            if (shown.type == MB_ICONINFORMATION) return true;
        return false;
    }));
    coreMessages_->whileShown = nullptr;
    for (const auto& shown : coreMessages_->shown)
        EXPECT_EQ(static_cast<UINT>(MB_ICONINFORMATION), shown.type) << "asked: " << shown.text;
    EXPECT_TRUE(progressStayed) << "the progress window was closed under its completion box";
    EXPECT_TRUE(IsOpen());
    EXPECT_EQ(progress, window_->ProgressWindow());
    EXPECT_NE(std::string::npos, FileText(OutputOf(source)).find("video"));

    // Once the progress window has gone, the main window closes.
    progress->SendMessage(WM_CLOSE);
    ASSERT_TRUE(PumpUntil([&] { return window_->ProgressWindow() == nullptr && ControlsEnabled(); }));
    EXPECT_TRUE(IsOpen());
    window_->SendMessage(WM_CLOSE);
    mfc_test::PumpDialogMessages();
    EXPECT_FALSE(IsOpen());
}

TEST_F(MainWindowBatchTest, PicturesOfTheWindowsOfABatchInTheDefaultSkin)
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    ASSERT_NE(nullptr, bin);
    fs::remove_all(ProgramFolder() + "skins/default");
    fs::copy(std::string(bin) + "/skins/default", ProgramFolder() + "skins/default", fs::copy_options::recursive);
    const std::vector<std::string> sources = {GoodAvi("holiday.avi", 4.0), GoodAvi("birthday.avi"),
                                              GoodAvi("garden.avi")};
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        ClearOut();
        coreMessages_->shown.clear();
        Open({});
        ASSERT_TRUE(window_->IsSkinCreated());
        for (const std::string& source : sources) window_->AddSourceFile(CString(Utf8ToWide(source)));
        mfc_test::PumpDialogMessages();
        ASSERT_EQ(3, window_->List().GetItemCount());
        SaveShot(DialogDriver(window_->m_hWnd), std::string("main_default_skin_") + language.tag);

        // Source settings of the current job, through the real window.
        driver_.Expect(IDD_SETINPUT, [&](DialogDriver& d) {
            EXPECT_TRUE(PumpUntil([&] {
                return d.Item(IDC_SETINPUT_SLIDER) &&
                       SendMessageW(d.Item(IDC_SETINPUT_SLIDER), TBM_GETRANGEMAX, 0, 0) > 0;
            }));
            SaveShot(d, std::string("main_setinput_") + language.tag);
            d.Cancel();
        });
        window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_SETINPUT);
        EXPECT_EQ(0u, driver_.Pending());

        // The batch: the progress window while its first job runs, then at
        // its end with the completion box answered.
        window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_START);
        CWnd* progress = window_->ProgressWindow();
        ASSERT_NE(nullptr, progress);
        EXPECT_FALSE(ControlsEnabled());
        SaveShot(DialogDriver(progress->m_hWnd), std::string("main_progress_") + language.tag);
        ASSERT_TRUE(PumpUntil([&] {
            for (const auto& shown : coreMessages_->shown)
                if (shown.type == MB_ICONINFORMATION) return true;
            return false;
        }));
        for (const std::string& source : sources)
            EXPECT_NE(std::string::npos, FileText(OutputOf(source)).find("video")) << source;
        progress->SendMessage(WM_CLOSE);
        ASSERT_TRUE(PumpUntil([&] { return window_->ProgressWindow() == nullptr && ControlsEnabled(); }));
        window_->DestroyWindow();
        window_.reset();
    }
}

}  // namespace
