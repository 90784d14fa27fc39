// The main window over a test skin that binds every name, driven by clicks
// injected on the skin's buttons, drops, command lines and the skin's menu
// notifications: the title and the job list's columns, each command, drops
// of files and folders, the command line, moving and deleting jobs, the
// preset menu, the first run, the start checks and the closing rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "RecordingEncodeWindows.h"
#include "RivoEncIds.h"
#include "UiTestIds.h"
#include "UiTestSupport.h"
#include "encoder/core/BatchReport.h"
#include "encoder/core/EncPresetInfo.h"
#include "encoder/core/EncPresetList.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/FilterModuleLoader.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/core/MediaTypeNames.h"
#include "encoder/core/RivoEncApp.h"
#include "encoder/ui/CRivoEncDlg.h"
#include "encoder/ui/VentraState.h"
#include "foundation/RegistryHelpers.h"
#include "platform/com/ComRuntime.h"
#include "platform/dshow/filters/SystemFilters.h"
#include "platform/mfc/DragDrop.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Menus.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConBrowser.h"
#include "skin/controls/HXConButton.h"
#include "tests/platform/mfc/FakeCommonDialogs.h"
#include "tests/platform/mfc/RecordingShellService.h"
#include "tests/support/MediaFixtures.h"
#include "tests/support/WaitUntil.h"

using namespace mfc_test;
namespace fs = std::filesystem;

namespace {

std::wstring W(const std::string& s) { return Utf8ToWide(s); }

std::wstring TitleOf(HWND window)
{
    CString text;
    CWnd::FromHandle(window)->GetWindowText(text);
    return text.str();
}

class MainWindowTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        // As the program starts: the component runtime on the UI thread.
        comStarted_ = SUCCEEDED(CoInitialize(nullptr));
        ASSERT_EQ(S_OK, RegisterSystemFilters());
        SetShellService(&shell_);
        SetCommonDialogs(&dialogs_);
        GetEncSettings().bAutoMode = 0;
        LoadLongPathApi();
        fs::create_directories(ProgramFolder() + "skins/default");
        fs::copy_file(std::string(RIVO_TEST_SOURCE_DIR) + "/tests/encoder/ui/fixtures/mainskin/skin.xml",
                      ProgramFolder() + "skins/default/skin.xml");
        out_ = temp().File("out") + "/";
        fs::create_directories(out_);
        GetEncSettings().sDstFolder = W(out_).c_str();
    }
    void TearDown() override
    {
        if (window_ && window_->m_hWnd) window_->DestroyWindow();
        window_.reset();
        windows_.progressWindows.clear();
        GetEncSettings().bAutoMode = 0;
        SetShellService(nullptr);
        SetCommonDialogs(nullptr);
        FreeFilterModules();
        if (comStarted_) CoUninitialize();
        UiTest::TearDown();
    }

    // The main window made modeless, its start run with the command line.
    void Open(const std::wstring& commandLine = L"")
    {
        window_ = std::make_unique<CRivoEncDlg>(CString(commandLine), &windows_);
        ASSERT_TRUE(window_->Create(IDD_RIVOENC_DIALOG));
        window_->ShowWindow(SW_SHOW);
        PumpDialogMessages();
    }
    bool IsOpen() const { return window_->m_hWnd && IsWindowVisible(window_->m_hWnd); }

    // One small source, copied under each name into the folder (made).
    std::vector<std::string> Sources(const std::vector<std::string>& names, const std::string& folder = "")
    {
        if (sourceBytes_.empty())
            sourceBytes_ = ReadBytes(
                MakeMedia(temp(), "made.avi",
                          TestPicture(1.0) + " " + TestTone(1.0) + " -c:v mpeg4 -vtag XVID -c:a libmp3lame -b:a 64k"));
        const std::string base = folder.empty() ? temp().File("src") : folder;
        std::vector<std::string> paths;
        for (const std::string& name : names) {
            paths.push_back(base + "/" + name);
            fs::create_directories(fs::path(paths.back()).parent_path());
            WriteBytes(paths.back(), sourceBytes_);
        }
        return paths;
    }
    void AddJobs(const std::vector<std::string>& names)
    {
        for (const std::string& path : Sources(names)) window_->AddSourceFile(CString(W(path)));
        PumpDialogMessages();
    }

    // The file names of the rows, which must be those of the records.
    std::vector<std::string> Order() const
    {
        std::vector<std::string> rows;
        for (int i = 0; i < window_->List().GetItemCount(); ++i) {
            rows.push_back(WideToUtf8(window_->List().GetItemText(i, 1).str()));
            EXPECT_EQ(rows.back(), WideToUtf8(window_->Jobs().GetJob(i)->GetSourceFileName().str()));
        }
        return rows;
    }
    std::vector<int> Selected() const
    {
        std::vector<int> rows;
        for (int i = 0; i < window_->List().GetItemCount(); ++i)
            if (window_->List().GetItemState(i, LVIS_SELECTED)) rows.push_back(i);
        return rows;
    }
    void Select(const std::vector<int>& rows)
    {
        CListCtrl& list = window_->List();
        for (int i = 0; i < list.GetItemCount(); ++i) list.SetItemState(i, 0, LVIS_SELECTED | LVIS_FOCUSED);
        for (int row : rows) list.SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        if (!rows.empty()) list.SetItemState(rows.front(), LVIS_FOCUSED, LVIS_FOCUSED);
        PumpDialogMessages();
    }

    // A click on the skin control of the id, injected at its centre.
    void ClickSkin(UINT id)
    {
        HXConBase* control = window_->Skin().FindControl(static_cast<int>(id));
        ASSERT_NE(nullptr, control) << "the test skin binds " << id;
        RECT r;
        control->GetScreenRect(&r);
        const POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        InjectMouseMove(p);
        PumpDialogMessages();
        InjectMouseButton(MouseButton::Left, true, p);
        PumpDialogMessages();
        InjectMouseButton(MouseButton::Left, false, p);
        PumpDialogMessages();
        clock_.Advance(5000);
        PumpDialogMessages();
    }
    bool SkinEnabled(UINT id) { return window_->Skin().FindControl(static_cast<int>(id))->IsEnabled(); }
    std::wstring SkinText(UINT id) { return window_->Skin().FindControl(static_cast<int>(id))->GetText(0).str(); }

    std::vector<std::string> Messages() const
    {
        std::vector<std::string> texts;
        for (const auto& shown : coreMessages_->shown) texts.push_back(shown.text);
        return texts;
    }
    static std::string Text(const wchar_t* key) { return WideToUtf8(LookupText(key)); }

    std::unique_ptr<CRivoEncDlg> window_;
    RecordingEncodeWindows windows_;
    RecordingShellService shell_;
    FakeCommonDialogs dialogs_;
    std::string out_;
    std::string sourceBytes_;
    bool comStarted_ = false;
};

TEST_F(MainWindowTest, TitleColumnsAndTheJobTextsInBothLanguages)
{
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        Open();
        ASSERT_TRUE(window_->IsSkinCreated());
        EXPECT_EQ(std::wstring(LookupText(L"TEXT_APP_NAME")) + L" [Build:Feb  9 2007]", TitleOf(window_->m_hWnd));
        CListCtrl& list = window_->List();
        EXPECT_EQ(0x420u, list.GetExtendedStyle() & 0x420u);
        const int widths[] = {200, 230, 70, 60, 200, 240, 240};
        for (int i = 0; i < 7; ++i) {
            LVCOLUMNW column{};
            wchar_t caption[100] = {};
            column.mask = LVCF_TEXT;
            column.pszText = caption;
            column.cchTextMax = 100;
            ASSERT_TRUE(list.SendMessage(LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&column)));
            EXPECT_EQ(LookupText(FormatText(L"TEXT_LIST_FILES_HEAD%d", i).c_str()), std::wstring(caption));
            EXPECT_EQ(widths[i], list.GetColumnWidth(i));
        }
        // The skin covers the client area; the list lies where its layout says.
        RECT client, skin;
        window_->GetClientRect(&client);
        GetClientRect(window_->Skin().GetSafeHwnd(), &skin);
        EXPECT_EQ(client.right, skin.right);
        EXPECT_EQ(client.bottom, skin.bottom);
        EXPECT_EQ(W(out_), SkinText(CRivoEncDlg::ID_ST_DST_FOLDER));
        EXPECT_EQ(LookupText(L"TEXT_BTN_PRESET"), SkinText(CRivoEncDlg::ID_BTN_PRESET_POPUP));

        AddJobs({"holiday.avi", "birthday.avi"});
        ASSERT_EQ(2, list.GetItemCount());
        // The first row became current: the texts of both sides show it.
        EXPECT_EQ(std::vector<int>{0}, Selected());
        EXPECT_EQ(0, window_->CurrentJob());
        const CEncFileInfo& job = *window_->Jobs().GetJob(0);
        EXPECT_EQ(L"holiday.avi", SkinText(CRivoEncDlg::kSourceTextIds));
        EXPECT_EQ(job.GetSummaryText().str(), SkinText(CRivoEncDlg::kSourceTextIds + 1));
        EXPECT_EQ(job.GetVideoInfoText().str(), SkinText(CRivoEncDlg::kSourceTextIds + 3));
        EXPECT_EQ(job.GetAudioInfoText().str(), SkinText(CRivoEncDlg::kSourceTextIds + 5));
        const CEncSettings& settings = GetEncSettings();
        EXPECT_EQ(settings.GetOutputFileName(job.m_sSourcePath, 0, settings.nEtcNamingCnt).str(),
                  SkinText(CRivoEncDlg::kOutputTextIds));
        EXPECT_FALSE(SkinText(CRivoEncDlg::kOutputTextIds + 1).empty());
        EXPECT_EQ(LookupText(L"TEXT_LIST_FILES_NONE"), list.GetItemText(0, 3).str());
        SaveShot(DialogDriver(window_->m_hWnd), std::string("main_window_") + language.tag);

        // An info tip is the job's whole path, cut to the buffer.
        wchar_t tipText[8] = {};
        NMLVGETINFOTIPW tip{};
        tip.hdr.hwndFrom = list.m_hWnd;
        tip.hdr.idFrom = CRivoEncDlg::kListId;
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = tipText;
        tip.cchTextMax = 8;
        tip.iItem = 1;
        window_->SendMessage(WM_NOTIFY, CRivoEncDlg::kListId, reinterpret_cast<LPARAM>(&tip));
        EXPECT_EQ(window_->Jobs().GetJob(1)->m_sSourcePath.str().substr(0, 7), std::wstring(tipText));

        window_->DestroyWindow();
        window_.reset();
    }
}

TEST_F(MainWindowTest, AMissingOrBrokenSkinIsToldAndTheWindowCloses)
{
    struct Case {
        const char* what;
        const char* skinXml;  // null: no skin at all
    };
    for (const Case& c : {Case{"none", nullptr}, Case{"broken", "<HXSkin><SkinWindow>"}}) {
        SCOPED_TRACE(c.what);
        fs::remove_all(ProgramFolder() + "skins");
        if (c.skinXml) {
            fs::create_directories(ProgramFolder() + "skins/default");
            std::ofstream(ProgramFolder() + "skins/default/skin.xml") << c.skinXml;
        }
        coreMessages_->shown.clear();
        window_ = std::make_unique<CRivoEncDlg>(CString(), &windows_);
        window_->Create(IDD_RIVOENC_DIALOG);
        PumpDialogMessages();
        ASSERT_EQ(1u, coreMessages_->shown.size());
        const std::string head = Text(L"TEXT_SKIN_OPENERROR");
        EXPECT_EQ(head.substr(0, head.find("%s")), Messages()[0].substr(0, head.find("%s")));
        EXPECT_GT(Messages()[0].size(), head.size() - 2) << "the skin's own error follows";
        EXPECT_FALSE(IsOpen());
        EXPECT_FALSE(window_->IsSkinCreated());
        if (window_->m_hWnd) window_->DestroyWindow();
        window_.reset();
    }
}

TEST_F(MainWindowTest, APackedSkinServesWithoutTheFolderAndTheSkinFollowsTheWindowSize)
{
    // The skin folder packed by the zip tool into skins/default.zip.
    const std::string skins = ProgramFolder() + "skins";
    ASSERT_EQ(0, std::system(("cd '" + skins + "/default' && zip -q -r ../default.zip .").c_str()));
    fs::remove_all(skins + "/default");
    Open();
    ASSERT_TRUE(window_->IsSkinCreated());
    EXPECT_TRUE(coreMessages_->shown.empty());
    EXPECT_NE(nullptr, window_->Skin().FindButton(CRivoEncDlg::ID_BTN_START));

    // The skin covers the client area at every size; the window keeps a
    // smallest size.
    window_->SetWindowPos(nullptr, 0, 0, 900, 700, SWP_NOZORDER | SWP_NOMOVE);
    PumpDialogMessages();
    RECT client, skin;
    window_->GetClientRect(&client);
    GetClientRect(window_->Skin().GetSafeHwnd(), &skin);
    EXPECT_EQ(client.right, skin.right);
    EXPECT_EQ(client.bottom, skin.bottom);
    MINMAXINFO limits{};
    window_->SendMessage(WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    EXPECT_EQ(700, limits.ptMinTrackSize.x);
    EXPECT_EQ(560, limits.ptMinTrackSize.y);

    // A double click on a row opens the source settings window with play.
    AddJobs({"a.avi"});
    NMITEMACTIVATE click{};
    click.hdr.hwndFrom = window_->List().m_hWnd;
    click.hdr.idFrom = CRivoEncDlg::kListId;
    click.hdr.code = NM_DBLCLK;
    click.iItem = 0;
    window_->SendMessage(WM_NOTIFY, CRivoEncDlg::kListId, reinterpret_cast<LPARAM>(&click));
    ASSERT_EQ(1u, windows_.sourceCalls.size());
    EXPECT_TRUE(windows_.sourceCalls[0].autoPlay);
}

TEST_F(MainWindowTest, ABrowserUnderTheBrowserIdIsHiddenAndOtherControlsThereAreNot)
{
    // The test skin binds the browser id to a colour strip; one case puts a
    // browser there instead.
    const std::string skinFile = ProgramFolder() + "skins/default/skin.xml";
    const std::string strip = ReadBytes(skinFile);
    const std::string line =
        "<StaticControl CID=\"ID_BROWSER_AD\" StaticControlType=\"color\" ControlColor=\"#203040\"";
    ASSERT_NE(std::string::npos, strip.find(line));
    std::string browser = strip;
    browser.replace(browser.find(line), line.size(), "<BrowserControl CID=\"ID_BROWSER_AD\" URL=\"about:blank\"");
    struct Case {
        const char* what;
        std::string skin;
        bool browser;
    } cases[] = {{"browser", browser, true}, {"colour strip", strip, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(skinFile, c.skin);
        Open();
        ASSERT_TRUE(window_->IsSkinCreated());
        HXConBase* control = window_->Skin().FindControl(static_cast<int>(CRivoEncDlg::kBrowserId));
        ASSERT_NE(nullptr, control);
        EXPECT_EQ(c.browser, dynamic_cast<HXConBrowser*>(control) != nullptr);
        EXPECT_EQ(!c.browser, control->IsShown());
        if (auto* web = dynamic_cast<HXConBrowser*>(control); web && web->GetBrowserWindow()) {
            EXPECT_FALSE(IsWindowVisible(web->GetBrowserWindow())) << "its page goes with it";
        }
        window_->DestroyWindow();
        window_.reset();
    }
}

TEST_F(MainWindowTest, ATranslatedErrorTextWithWrongConversionsPrintsThemAsWritten)
{
    WriteUtf16Text(ProgramFolder() + "lang/odd.ini",
                   "[GENERAL]\nCODEPAGE=1252\n[TEXT]\nTEXT_SKIN_OPENERROR=%d%n%s%s [%S]\n");
    UseLanguage(L"odd.ini");
    fs::remove_all(ProgramFolder() + "skins");
    window_ = std::make_unique<CRivoEncDlg>(CString(), &windows_);
    window_->Create(IDD_RIVOENC_DIALOG);
    PumpDialogMessages();
    ASSERT_EQ(1u, coreMessages_->shown.size());
    EXPECT_EQ(0u, Messages()[0].find("%d%n")) << Messages()[0];
    EXPECT_FALSE(IsOpen());
}

TEST_F(MainWindowTest, ButtonsFollowTheSelectionAndTheJobs)
{
    Open();
    auto states = [this] {
        std::vector<bool> s;
        for (UINT id : {CRivoEncDlg::ID_BTN_PREVIEW, CRivoEncDlg::ID_BTN_DEL, CRivoEncDlg::ID_BTN_SETINPUT,
                        CRivoEncDlg::ID_BTN_LIST_UP, CRivoEncDlg::ID_BTN_LIST_BOTTOM, CRivoEncDlg::ID_BTN_START,
                        CRivoEncDlg::ID_BTN_DELALL, CRivoEncDlg::ID_BTN_PARSEINFO, CRivoEncDlg::ID_BTN_ADD})
            s.push_back(SkinEnabled(id));
        return s;
    };
    EXPECT_EQ((std::vector<bool>{0, 0, 0, 0, 0, 0, 0, 1, 1}), states());
    AddJobs({"a.avi", "b.avi"});
    EXPECT_EQ((std::vector<bool>{1, 1, 1, 1, 1, 1, 1, 1, 1}), states());
    Select({});
    EXPECT_EQ((std::vector<bool>{0, 0, 0, 0, 0, 1, 1, 1, 1}), states());
    // With nothing selected, Delete removes nothing and the texts are emptied.
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_DEL);
    EXPECT_EQ(2, window_->List().GetItemCount());
    EXPECT_EQ(L"", SkinText(CRivoEncDlg::kSourceTextIds));
    ClickSkin(CRivoEncDlg::ID_BTN_DELALL);
    EXPECT_EQ(0, window_->Jobs().GetJobCount());
    EXPECT_EQ(0, window_->List().GetItemCount());
    EXPECT_EQ((std::vector<bool>{0, 0, 0, 0, 0, 0, 0, 1, 1}), states());
    EXPECT_EQ(L"", SkinText(CRivoEncDlg::kOutputTextIds));
}

TEST_F(MainWindowTest, EachCommandOfTheSkin)
{
    Open();
    // Add: every path the file dialog gives, in its order, under the wait box.
    std::vector<std::string> picked = Sources({"z.avi", "m.avi"});
    dialogs_.fileAnswers.push_back(FileDialogAnswer{true, {W(picked[0]), W(picked[1])}});
    ClickSkin(CRivoEncDlg::ID_BTN_ADD);
    ASSERT_EQ(1u, dialogs_.fileRequests.size());
    EXPECT_TRUE(dialogs_.fileRequests[0].multiple);
    ASSERT_EQ(2u, dialogs_.fileRequests[0].filters.size());
    EXPECT_EQ(LookupText(L"TEXT_FILEDLG_MEDIAFILE"), dialogs_.fileRequests[0].filters[0].first);
    EXPECT_NE(std::wstring::npos, dialogs_.fileRequests[0].filters[0].second.find(L"*.rmvb;"));
    EXPECT_EQ((std::vector<std::string>{"z.avi", "m.avi"}), Order());
    // A cancelled dialog adds nothing.
    ClickSkin(CRivoEncDlg::ID_BTN_ADD);
    EXPECT_EQ(2, window_->Jobs().GetJobCount());

    // The source settings window, with and without playing at once.
    ClickSkin(CRivoEncDlg::ID_BTN_PREVIEW);
    ClickSkin(CRivoEncDlg::ID_BTN_SETINPUT);
    ASSERT_EQ(2u, windows_.sourceCalls.size());
    EXPECT_TRUE(windows_.sourceCalls[0].autoPlay);
    EXPECT_FALSE(windows_.sourceCalls[1].autoPlay);
    EXPECT_EQ(0, windows_.sourceCalls[1].job);

    // The destination: the picker's folder with its separator, on the label.
    const std::string chosen = temp().File("chosen");
    fs::create_directories(chosen);
    dialogs_.folderAnswers.push_back(W(chosen));
    ClickSkin(CRivoEncDlg::ID_BTN_BROWSE);
    EXPECT_EQ(W(chosen) + L"/", GetEncSettings().sDstFolder.str());
    EXPECT_EQ(W(chosen) + L"/", SkinText(CRivoEncDlg::ID_ST_DST_FOLDER));
    ClickSkin(CRivoEncDlg::ID_BTN_BROWSE);  // cancelled: nothing changes
    EXPECT_EQ(W(chosen) + L"/", GetEncSettings().sDstFolder.str());
    ClickSkin(CRivoEncDlg::ID_ST_DST_FOLDER);

    // The analyser on the current job, the home page.
    world_->WriteScript("RivoReader", "exit 0\n");
    // The browser registered for http addresses notes what it was given.
    const std::string opened = temp().File("opened");
    world_->WriteScript("browser", "printf '%s' \"$1\" > '" + opened + "'\n");
    RegWriteStringAnsi(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", L"",
                       CString(L"\"") + world_->WProgramFolder().c_str() + L"browser\" \"%1\"");
    GetEncSettings().sHomePage = L"https://rivoenc.example/";
    ClickSkin(CRivoEncDlg::ID_BTN_PARSEINFO);
    ClickSkin(CRivoEncDlg::ID_BTN_ABOUT);
    EXPECT_TRUE(WaitUntil("the browser's run", [&] { return ReadBytes(opened) == "https://rivoenc.example/"; }));
    ASSERT_EQ(2u, shell_.requests.size());
    EXPECT_EQ(L"folder", shell_.requests[0].what);
    EXPECT_EQ(W(chosen) + L"/", shell_.requests[0].target);
    EXPECT_EQ(L"program", shell_.requests[1].what);
    EXPECT_EQ(W(ProgramFolder() + "RivoReader"), shell_.requests[1].target);
    EXPECT_EQ(std::vector<std::wstring>{W(picked[0])}, shell_.requests[1].args);

    // The output settings window and the option sheet, modal.
    driver_.Expect(IDD_SET_OUTPUT, [](DialogDriver& d) { d.Cancel(); });
    ClickSkin(CRivoEncDlg::ID_BTN_SETOUTPUT);
    driver_.Expect(0, [](DialogDriver& d) {
        EXPECT_EQ(LookupText(L"TEXT_OPTION_TITLE"), TitleOf(d.Dialog()));
        d.Cancel();
    });
    ClickSkin(CRivoEncDlg::ID_BTN_OPTION);
    EXPECT_EQ(0u, driver_.Pending());

    // Start: the progress window over the jobs, the main window disabled.
    ClickSkin(CRivoEncDlg::ID_BTN_START);
    ASSERT_EQ(1u, windows_.progressWindows.size());
    EXPECT_EQ(2, windows_.progressJobCount);
    EXPECT_FALSE(IsWindowEnabled(window_->Skin().GetSafeHwnd()));
    EXPECT_FALSE(window_->List().IsWindowEnabled());
    // A second Start while it runs makes no second window.
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_START);
    EXPECT_EQ(1u, windows_.progressWindows.size());
    windows_.progressWindows[0]->SendMessage(WM_CLOSE);
    PumpDialogMessages();
    EXPECT_EQ(nullptr, window_->ProgressWindow());
    EXPECT_TRUE(IsWindowEnabled(window_->Skin().GetSafeHwnd()));
    EXPECT_TRUE(IsOpen()) << "without automatic mode the main window stays";

    // Exit closes the main window.
    ClickSkin(CRivoEncDlg::ID_BTN_EXIT);
    EXPECT_FALSE(IsOpen());
}

// The Add dialog has room for 133,120 characters of names: twenty files of
// long names (over 4,000 characters together) are all added, in the
// dialog's order; a choice whose names do not fit adds nothing and says so.
TEST_F(MainWindowTest, TheAddDialogTakesLongChoicesAndSaysWhenOneDoesNotFit)
{
    Open();
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back(std::string(200, static_cast<char>('a' + i)) + ".avi");
    std::reverse(names.begin(), names.end());
    FileDialogAnswer chosen{true, {}, 0};
    for (const std::string& path : Sources(names)) chosen.paths.push_back(W(path));
    dialogs_.fileAnswers.push_back(chosen);
    ClickSkin(CRivoEncDlg::ID_BTN_ADD);
    EXPECT_EQ(names, Order());
    for (const auto& shown : coreMessages_->shown) EXPECT_NE(Text(L"TEXT_FILEDLG_TOOMANY"), shown.text);

    // Seven hundred names of 200 characters: more than the buffer holds.
    FileDialogAnswer tooMany{true, {}, 0};
    for (int i = 0; i < 700; ++i)
        tooMany.paths.push_back(L"/media/" + std::wstring(196, L'v') + FormatText(L"%03d", i) + L".avi");
    dialogs_.fileAnswers.push_back(tooMany);
    coreMessages_->shown.clear();
    ClickSkin(CRivoEncDlg::ID_BTN_ADD);
    EXPECT_EQ(20, window_->Jobs().GetJobCount());
    ASSERT_EQ(1u, coreMessages_->shown.size());
    EXPECT_EQ(Text(L"TEXT_FILEDLG_TOOMANY"), coreMessages_->shown[0].text);
    EXPECT_FALSE(Text(L"TEXT_FILEDLG_TOOMANY").empty());
    EXPECT_TRUE(IsOpen());
}

TEST_F(MainWindowTest, DropsAddFoldersBreadthFirstThenTheLooseFilesSorted)
{
    Open();
    const std::string tree = temp().File("tree");
    // Folder "tree": b.avi, a.avi, sub/c.avi, sub/deeper/e.avi, sub2/d.avi;
    // a path of far more than 260 characters below it.
    std::string deep = tree + "/long";
    for (int i = 0; i < 7; ++i) deep += "/" + std::string(60, static_cast<char>('k' + i));
    Sources({"b.avi", "a.avi", "sub/deeper/e.avi", "sub/c.avi", "sub2/d.avi"}, tree);
    Sources({"far.avi"}, deep);
    ASSERT_GT(deep.size(), 400u);
    std::vector<std::string> loose = Sources({"y.avi", "x.avi"}, temp().File("loose"));
    const std::vector<std::wstring> dropped = {W(loose[0]), W(tree), W(loose[1])};
    ASSERT_TRUE(DropFilesOnWindow(window_->List().m_hWnd, POINT{5, 5}, dropped));
    PumpDialogMessages();
    // The folder's files at once: the sorted whole paths of every file found
    // breadth first; then the loose files, sorted.
    std::vector<std::string> paths;
    for (int i = 0; i < window_->Jobs().GetJobCount(); ++i)
        paths.push_back(WideToUtf8(window_->Jobs().GetJob(i)->m_sSourcePath.str()));
    std::vector<std::string> expected = {
        tree + "/a.avi",      tree + "/b.avi", deep + "/far.avi", tree + "/sub/c.avi", tree + "/sub/deeper/e.avi",
        tree + "/sub2/d.avi", loose[1],        loose[0]};
    EXPECT_EQ(expected, paths);

    // Collecting alone: breadth first, each folder's files before the
    // files of the folders found in it.
    CStringList files;
    CRivoEncDlg::CollectFolderFiles(CString(W(tree + "/sub")), files, true);
    std::vector<std::string> found;
    for (POSITION p = files.GetHeadPosition(); p;) found.push_back(WideToUtf8(files.GetNext(p).str()));
    EXPECT_EQ((std::vector<std::string>{tree + "/sub/c.avi", tree + "/sub/deeper/e.avi"}), found);
    CRivoEncDlg::CollectFolderFiles(CString(W(tree + "/sub")), files, false);
    EXPECT_EQ(1, files.GetCount());
}

TEST_F(MainWindowTest, CommandLines)
{
    const std::string bin = std::getenv("RIVO_BIN_DIR");
    fs::copy_file(bin + "/presets/mp4-h264-aac.rvp", PresetsFolder() + "mp4-h264-aac.rvp");
    const std::string preset = temp().File("mine.rvp");
    fs::copy_file(bin + "/presets/ogm-xvid-vorbis.rvp", preset);
    const std::vector<std::string> src =
        Sources({"one.avi", "two words.avi", "say \"hi\".avi", "line\nbreak ünï.avi", "x=y.avi"});
    const std::string other = temp().File("other dest");
    fs::create_directories(other);
    struct Case {
        std::vector<std::string> arguments;
        std::deque<int> answers;
        std::vector<std::string> jobs;
        int autoMode;
        std::string destination;            // "" = unchanged
        int format;                         // -1 = unchanged
        std::vector<std::string> reported;  // the batch report's lines
    };
    const std::string nowhere = temp().File("nowhere");
    const Case cases[] = {
        {{src[0], src[1]}, {}, {"one.avi", "two words.avi"}, 0, "", -1, {}},
        // Every name a shell passes is a source, quotes, line breaks and
        // "=" included.
        {{src[2], src[3], src[4]}, {}, {"say \"hi\".avi", "line\nbreak ünï.avi", "x=y.avi"}, 0, "", -1, {}},
        {{"/automode", "/destpath=" + other, src[0]}, {}, {"one.avi"}, 1, other, -1, {}},
        {{"/preset=mp4-h264-aac.rvp", src[1]}, {}, {"two words.avi"}, 0, "", 1, {}},
        // A shipped preset by its name alone, in any letter case.
        {{"/preset=mp4-h264-aac"}, {}, {}, 0, "", 1, {}},
        {{"/preset=MP4-H264-AAC.RVP"}, {}, {}, 0, "", 1, {}},
        {{"/preset=" + preset}, {}, {}, 0, "", 3, {}},
        // One preset file: applied on Yes, else added like any source.
        {{preset}, {kAnswerYes}, {}, 0, "", 3, {}},
        {{preset},
         {kAnswerNo},
         {},
         0,
         "",
         -1,
         {"RivoEnc: not listed: " + preset + ": the file holds neither video nor audio that can be read"}},
        // Faults and unknown names are ignored by the window, and reported;
        // so is a source that cannot be listed.
        {{"/destpath=" + nowhere, "/preset=none.rvp", "/colour=red", "/AUTOMODE", src[0], temp().File("gone.avi")},
         {},
         {"one.avi"},
         0,
         "",
         -1,
         {"RivoEnc: switch not used: /destpath=" + nowhere + ": no such folder",
          "RivoEnc: switch not used: /preset=none.rvp: no such preset file",
          "RivoEnc: switch not used: /colour=red: unknown switch",
          "RivoEnc: switch not used: /AUTOMODE: unknown switch",
          "RivoEnc: not listed: " + temp().File("gone.avi") + ": no such file"}},
    };
    for (const Case& c : cases) {
        std::vector<std::wstring> arguments;
        for (const std::string& a : c.arguments) arguments.push_back(W(a));
        const CString line = JoinEncoderCommandLine(arguments);
        SCOPED_TRACE(WideToUtf8(line.str()));
        GetEncSettings().sDstFolder = W(out_).c_str();
        GetEncSettings().nEncFormat = 0;
        coreMessages_->answers = c.answers;
        coreMessages_->shown.clear();
        Open(line.str());
        EXPECT_EQ(c.jobs, Order());
        EXPECT_EQ(c.autoMode, GetEncSettings().bAutoMode);
        EXPECT_EQ(c.destination.empty() ? W(out_) : W(c.destination), GetEncSettings().sDstFolder.str());
        EXPECT_EQ(c.format < 0 ? 0 : c.format, GetEncSettings().nEncFormat);
        EXPECT_EQ(c.answers.size(), coreMessages_->shown.size());
        EXPECT_EQ(c.reported, GetBatchReport().Lines());
        // Automatic mode starts at once.
        EXPECT_EQ(c.autoMode ? 1u : 0u, windows_.progressWindows.size());
        if (c.autoMode) {
            windows_.progressWindows[0]->SendMessage(WM_CLOSE);
            PumpDialogMessages();
            EXPECT_FALSE(IsOpen()) << "automatic mode closes with the progress window";
        }
        windows_.progressWindows.clear();
        GetEncSettings().bAutoMode = 0;
        window_->DestroyWindow();
        window_.reset();
    }
}

TEST_F(MainWindowTest, TheCommandLineTextKeepsWhatTheShellSplit)
{
    struct Case {
        std::vector<std::wstring> arguments;
        std::wstring text;
    };
    const Case cases[] = {
        {{L"/automode", L"/destpath=out", L"a.mp4"}, L"/automode /destpath=\"out\" a.mp4"},
        {{L"/destpath=my out", L"b c.avi"}, L"/destpath=\"my out\" \"b c.avi\""},
        {{L"/preset=\"x.rvp\""}, L"/preset=\"x.rvp\""},
        {{L"/destpath=a&\"b"}, L"/destpath=\"a&amp;&quot;b\""},
        {{L"/automode"}, L"/automode"},
        {{}, L""},
        // Sources keep every character: quotes and backslashes inside
        // quotes are escaped, and a path is no switch.
        {{L"say \"hi\".avi", L"a\\b c.avi"}, L"\"say \\\"hi\\\".avi\" \"a\\\\b c.avi\""},
        {{L"line\nbreak.avi"}, L"\"line\nbreak.avi\""},
        {{L"/videos/x=y.avi"}, L"/videos/x=y.avi"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.text, JoinEncoderCommandLine(c.arguments).str());
}

// An automatic batch that cannot start would wait for ever for somebody to
// close its window: it ends at once, and its report says why.
TEST_F(MainWindowTest, AnAutomaticBatchThatCannotStartEndsAtOnce)
{
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::string destination;
        const wchar_t* message;  // the start check's message, if any
        std::string reported;    // the report's last line
    };
    const std::string gone = temp().File("gone") + "/";
    const std::vector<std::string> src = Sources({"a.avi"});
    const Case cases[] = {
        {"no source", {"/automode"}, out_, nullptr, "RivoEnc: not started: no source could be listed"},
        {"no folder",
         {"/automode", src[0]},
         gone,
         L"TEXT_INVALID_DST_FOLDER",
         "RivoEnc: not started: the destination folder does not exist: " + gone},
        {"a switch not used",
         {"/automode", "/preset=none", src[0]},
         out_,
         nullptr,
         "RivoEnc: not started: a switch of the command line could not be used"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        GetEncSettings().sDstFolder = W(c.destination).c_str();
        coreMessages_->shown.clear();
        std::vector<std::wstring> arguments;
        for (const std::string& a : c.arguments) arguments.push_back(W(a));
        Open(JoinEncoderCommandLine(arguments).str());
        ASSERT_TRUE(WaitUntil("the window closing by itself", [&] {
            PumpDialogMessages();
            return !IsOpen();
        }));
        EXPECT_TRUE(windows_.progressWindows.empty());
        EXPECT_EQ(c.message ? 1u : 0u, coreMessages_->shown.size());
        if (c.message && !coreMessages_->shown.empty()) {
            EXPECT_EQ(WideToUtf8(LookupText(c.message)), coreMessages_->shown[0].text);
        }
        ASSERT_FALSE(GetBatchReport().Lines().empty());
        EXPECT_EQ(c.reported, GetBatchReport().Lines().back());
        EXPECT_EQ(BatchReport::kNotRun, GetBatchReport().ExitStatus());
        if (window_->m_hWnd) window_->DestroyWindow();
        window_.reset();
        GetEncSettings().bAutoMode = 0;
    }
}

TEST_F(MainWindowTest, MovingTheSelectedJobs)
{
    struct Case {
        UINT command;
        std::vector<int> selected;
        std::string order;  // of the five jobs a..e afterwards
        std::vector<int> selectedAfter;
    };
    const Case cases[] = {
        {CRivoEncDlg::ID_BTN_LIST_UP, {1, 3}, "badce", {0, 2}},
        {CRivoEncDlg::ID_BTN_LIST_UP, {0, 2}, "acbde", {0, 1}},
        {CRivoEncDlg::ID_BTN_LIST_UP, {0, 1}, "abcde", {0, 1}},
        {CRivoEncDlg::ID_BTN_LIST_DOWN, {1, 3}, "acbed", {2, 4}},
        {CRivoEncDlg::ID_BTN_LIST_DOWN, {2, 4}, "abdce", {3, 4}},
        {CRivoEncDlg::ID_BTN_LIST_TOP, {0, 3}, "abcde", {0, 3}},
        {CRivoEncDlg::ID_BTN_LIST_TOP, {2, 4}, "ceabd", {0, 1}},
        {CRivoEncDlg::ID_BTN_LIST_BOTTOM, {1, 4}, "abcde", {1, 4}},
        {CRivoEncDlg::ID_BTN_LIST_BOTTOM, {0, 2}, "bdeac", {3, 4}},
    };
    Open();
    AddJobs({"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"});
    const std::vector<std::string> start = Order();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.command) + " " + c.order);
        // Back to a..e.
        for (int i = 0; i < 5; ++i) {
            const std::string want = start[static_cast<size_t>(i)];
            for (int j = i; j < 5; ++j)
                if (Order()[static_cast<size_t>(j)] == want) window_->Jobs().MoveJob(j, i);
        }
        Select(c.selected);
        ClickSkin(c.command);
        std::string order;
        for (const std::string& name : Order()) order += name[0];
        EXPECT_EQ(c.order, order);
        EXPECT_EQ(c.selectedAfter, Selected());
    }
}

TEST_F(MainWindowTest, DeletingTheSelectedJobsSelectsTheOneThatFollowed)
{
    struct Case {
        std::vector<int> selected;
        std::string left;
        std::vector<int> selectedAfter;
    };
    const Case cases[] = {
        {{1, 2}, "ade", {1}},
        {{3, 4}, "abc", {2}},
        {{0, 1, 2, 3, 4}, "", {}},
    };
    Open();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_DELALL);
        AddJobs({"a.avi", "b.avi", "c.avi", "d.avi", "e.avi"});
        Select(c.selected);
        ClickSkin(CRivoEncDlg::ID_BTN_DEL);
        std::string left;
        for (const std::string& name : Order()) left += name[0];
        EXPECT_EQ(c.left, left);
        EXPECT_EQ(c.selectedAfter, Selected());
        if (c.left.empty()) {
            EXPECT_EQ(L"", SkinText(CRivoEncDlg::kSourceTextIds));
        } else {
            EXPECT_EQ(W(c.left.substr(static_cast<size_t>(c.selectedAfter[0]), 1) + ".avi"),
                      SkinText(CRivoEncDlg::kSourceTextIds));
        }
    }
}

TEST_F(MainWindowTest, SourceSettingsAppliedToEveryJobAreClampedToEach)
{
    Open();
    AddJobs({"a.avi", "b.avi"});
    window_->Jobs().GetJob(1)->m_nDuration = 30;
    window_->Jobs().GetJob(1)->m_nAudioStreamCount = 1;
    windows_.editJob = [](CEncFileInfoList& jobs, int job) {
        CEncFileInfo* q = jobs.GetJob(job);
        q->m_nDuration = 100;
        q->m_nAudioStreamCount = 3;
        q->m_nSegmentStart = 20;
        q->m_nSegmentEnd = 60;
        q->m_nAudioStream = 2;
        q->m_nAudioDelay = 150;
        q->m_nAudioGain = 6;
    };
    struct Case {
        UINT command;
        int delay;  // what the other job gets
    };
    for (const Case& c : {Case{CRivoEncDlg::ID_BTN_SETINPUT, 0}, Case{CRivoEncDlg::ID_BTN_PREVIEW, 150}}) {
        SCOPED_TRACE(c.command);
        window_->Jobs().GetJob(1)->m_nAudioDelay = 0;
        windows_.sourceAnswers = {IEncodeWindows::kApplyToAll};
        ClickSkin(c.command);
        const CEncFileInfo& other = *window_->Jobs().GetJob(1);
        EXPECT_EQ(20, other.m_nSegmentStart);
        EXPECT_EQ(30, other.m_nSegmentEnd);
        EXPECT_EQ(0, other.m_nAudioStream);
        EXPECT_EQ(c.delay, other.m_nAudioDelay);
        EXPECT_EQ(other.GetDurationText().str(), window_->List().GetItemText(1, 0).str());
    }
    // OK refreshes the job's row.
    windows_.sourceAnswers = {IDOK};
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_SETINPUT);
    EXPECT_EQ(window_->Jobs().GetJob(0)->GetDurationText().str(), window_->List().GetItemText(0, 0).str());
    EXPECT_NE(std::wstring::npos, window_->List().GetItemText(0, 0).str().find(L"[0:00:20 - 0:01:00]"));
}

TEST_F(MainWindowTest, ThePresetMenuListsThePresetsAndAppliesTheChosenOne)
{
    const std::string bin = std::getenv("RIVO_BIN_DIR");
    for (const char* name : {"avi-mpeg4-mp3.rvp", "mp4-h264-aac.rvp", "ogm-xvid-vorbis.rvp"})
        fs::copy_file(bin + "/presets/" + name, PresetsFolder() + name);
    GetEncSettings().sLastPresetPath = W(PresetsFolder() + "mp4-h264-aac.rvp").c_str();
    Open();
    AddJobs({"a.avi"});
    CEncPresetList presets(CString(W(PresetsFolder())));
    ASSERT_EQ(3, presets.GetSize());

    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(CRivoEncDlg::kPresetMenuId));
    ASSERT_NE(nullptr, menu);
    SPopupMenuOpenNotify open{menu, GetSubMenu(menu, 0), static_cast<int>(CRivoEncDlg::kPresetMenuId), 0};
    ASSERT_NE(nullptr, open.popup);
    window_->SendMessage(SkinNotifyMessage(), HXWindowMain::NOTIFY_MENU_OPEN, reinterpret_cast<LPARAM>(&open));
    ASSERT_EQ(3, GetMenuItemCount(open.popup));
    for (int i = 0; i < 3; ++i) {
        wchar_t text[200] = {};
        GetMenuStringW(open.popup, static_cast<UINT>(i), text, 200, MF_BYPOSITION);
        EXPECT_EQ(presets.GetAt(i)->m_sDescLocal.str(), std::wstring(text));
        EXPECT_EQ(60000u + static_cast<UINT>(i), GetMenuItemID(open.popup, i));
        const bool checked = presets.GetAt(i)->m_sFilePath == GetEncSettings().sLastPresetPath;
        EXPECT_EQ(checked, (GetMenuState(open.popup, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) != 0);
    }
    DestroyMenu(menu);

    // Another menu's notifications are not the main window's.
    SPopupMenuCloseNotify foreign{158, 60000};
    window_->SendMessage(SkinNotifyMessage(), HXWindowMain::NOTIFY_MENU_CHOSEN, reinterpret_cast<LPARAM>(&foreign));
    EXPECT_EQ(W(PresetsFolder() + "mp4-h264-aac.rvp"), GetEncSettings().sLastPresetPath.str());

    SPopupMenuCloseNotify chosen{static_cast<int>(CRivoEncDlg::kPresetMenuId), 60002};
    window_->SendMessage(SkinNotifyMessage(), HXWindowMain::NOTIFY_MENU_CHOSEN, reinterpret_cast<LPARAM>(&chosen));
    EXPECT_EQ(presets.GetAt(2)->m_sFilePath.str(), GetEncSettings().sLastPresetPath.str());
    EXPECT_EQ(presets.GetAt(2)->m_sDescLocal.str(), SkinText(CRivoEncDlg::ID_BTN_PRESET_POPUP));
    EXPECT_EQ(3, GetEncSettings().nEncFormat);
    EXPECT_NE(std::wstring::npos, SkinText(CRivoEncDlg::kOutputTextIds + 1).find(L"OGM"));
    // Nothing chosen, or past the list: nothing changes.
    for (int command : {0, 60003}) {
        SPopupMenuCloseNotify none{static_cast<int>(CRivoEncDlg::kPresetMenuId), command};
        window_->SendMessage(SkinNotifyMessage(), HXWindowMain::NOTIFY_MENU_CHOSEN, reinterpret_cast<LPARAM>(&none));
        EXPECT_EQ(presets.GetAt(2)->m_sFilePath.str(), GetEncSettings().sLastPresetPath.str());
    }
}

TEST_F(MainWindowTest, TheFirstRunAsksForAPresetOnce)
{
    const std::string bin = std::getenv("RIVO_BIN_DIR");
    fs::copy_file(bin + "/presets/mp4-h264-aac.rvp", PresetsFolder() + "mp4-h264-aac.rvp");
    GetEncSettings().bIsFirst2 = 1;
    driver_.Expect(IDD_PRESET, [](DialogDriver& d) {
        CListCtrl& list = *dynamic_cast<CListCtrl*>(CWnd::FromHandlePermanent(d.Item(IDC_PRESET_LIST)));
        list.SetItemState(0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        d.Pump();
        d.Click(IDC_PRESET_APPLY);
    });
    Open();
    EXPECT_EQ(0u, driver_.Pending());
    ASSERT_EQ(1u, coreMessages_->shown.size());
    EXPECT_EQ(Text(L"TEXT_FIRST_SETTING"), coreMessages_->shown[0].text);
    EXPECT_EQ(0, GetEncSettings().bIsFirst2);
    EXPECT_EQ(1, GetEncSettings().nEncFormat);
    EXPECT_EQ(GetEncSettings().sLastPresetTitle.str(), SkinText(CRivoEncDlg::ID_BTN_PRESET_POPUP));
    window_->DestroyWindow();
    // Not again, and not when a command line is given.
    Open();
    GetEncSettings().bIsFirst2 = 1;
    window_->DestroyWindow();
    Open(L"/automode");
    int asked = 0;
    for (const std::string& text : Messages()) asked += text == Text(L"TEXT_FIRST_SETTING");
    EXPECT_EQ(1, asked);
}

TEST_F(MainWindowTest, StartChecksTheDestinationAndTheH264Module)
{
    Open();
    // An empty list starts nothing, silently.
    window_->SendMessage(WM_COMMAND, CRivoEncDlg::ID_BTN_START);
    EXPECT_TRUE(coreMessages_->shown.empty());
    AddJobs({"a.avi"});
    struct Case {
        const char* what;
        std::string destination;
        int format;
        const char* fourcc;
        bool module;
        const wchar_t* message;  // null: the batch starts
    };
    const Case cases[] = {
        {"no folder", temp().File("gone") + "/", 0, "XVID", false, L"TEXT_INVALID_DST_FOLDER"},
        {"h264 avi", out_, 0, "H264", false, L"TEXT_H264PLUGIN_ERROR"},
        {"h264 mp4", out_, 1, "avc1", false, L"TEXT_H264PLUGIN_ERROR"},
        {"x264 ogm", out_, 3, "x264", false, L"TEXT_H264PLUGIN_ERROR"},
        {"wmv", out_, 2, "avc1", false, nullptr},
        {"module there", out_, 1, "avc1", true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CEncSettings& settings = GetEncSettings();
        settings.sDstFolder = W(c.destination).c_str();
        settings.nEncFormat = c.format;
        const DWORD fourcc = StringToFourcc(c.fourcc);
        settings.AviEncoder.fccVideoCodec = settings.Mp4Encoder.fccVideoCodec = settings.OgmEncoder.fccVideoCodec =
            fourcc;
        fs::remove(ProgramFolder() + "x264.dll");
        if (c.module) std::ofstream(ProgramFolder() + "x264.dll") << "module";
        coreMessages_->shown.clear();
        ClickSkin(CRivoEncDlg::ID_BTN_START);
        if (c.message) {
            ASSERT_EQ(1u, coreMessages_->shown.size());
            EXPECT_EQ(WideToUtf8(LookupText(c.message)), coreMessages_->shown[0].text);
            EXPECT_TRUE(windows_.progressWindows.empty());
        } else {
            EXPECT_TRUE(coreMessages_->shown.empty());
            ASSERT_EQ(1u, windows_.progressWindows.size());
            windows_.progressWindows[0]->SendMessage(WM_CLOSE);
            PumpDialogMessages();
            windows_.progressWindows.clear();
        }
    }
}

TEST_F(MainWindowTest, ClosingIsIgnoredWhileTheProgressWindowIsOpen)
{
    Open();
    AddJobs({"a.avi"});
    ClickSkin(CRivoEncDlg::ID_BTN_START);
    ASSERT_EQ(1u, windows_.progressWindows.size());
    StandInProgressWindow& progress = *windows_.progressWindows[0];
    // The exit button, the window manager's close and Escape: the progress
    // window is not even asked; both stay.
    ClickSkin(CRivoEncDlg::ID_BTN_EXIT);
    window_->SendMessage(WM_CLOSE);
    window_->SendMessage(WM_COMMAND, IDCANCEL);
    PumpDialogMessages();
    EXPECT_EQ(0, progress.closeRequests);
    EXPECT_TRUE(IsOpen());
    EXPECT_EQ(&progress, window_->ProgressWindow());
    // The progress window goes: now the main window closes.
    progress.SendMessage(WM_CLOSE);
    PumpDialogMessages();
    EXPECT_EQ(nullptr, window_->ProgressWindow());
    EXPECT_TRUE(IsOpen());
    window_->SendMessage(WM_CLOSE);
    PumpDialogMessages();
    EXPECT_FALSE(IsOpen());
}

TEST_F(MainWindowTest, RunModallyTheWindowEndsItsLoopOnClose)
{
    CRivoEncDlg window(CString(), &windows_);
    driver_.Expect(IDD_RIVOENC_DIALOG, [](DialogDriver& d) {
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        // Neither Enter nor Escape ends the main window.
        d.PressEnter();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        d.PressEscape();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        PostMessageW(d.Dialog(), WM_CLOSE, 0, 0);
        d.Pump();
    });
    EXPECT_EQ(IDCANCEL, window.DoModal());
    EXPECT_EQ(0u, driver_.Pending());
    // The status module was looked for at the start.
    EXPECT_EQ(nullptr, GetVentraState().module);
}

}  // namespace
