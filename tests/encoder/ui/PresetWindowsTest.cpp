// The preset manager and the add-preset window, driven by control id: the
// list of the presets folder with each preset's details, applying, moving
// presets to the trash, opening the folder, the first run, and adding
// presets made from the current settings or copied from a preset file.
#include <gtest/gtest.h>

#include <QTest>
#include <QTreeWidget>
#include <ctime>
#include <filesystem>

#include "RivoEncIds.h"
#include "UiTestIds.h"
#include "UiTestSupport.h"
#include "encoder/core/EncPresetInfo.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/ui/CDlgPreset.h"
#include "encoder/ui/CDlgPresetAdd.h"
#include "encoder/ui/SettingsPagesOwner.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Format.h"
#include "platform/win32/gui/QtAccess.h"
#include "tests/platform/mfc/FakeCommonDialogs.h"
#include "tests/platform/mfc/RecordingShellService.h"

using namespace mfc_test;
namespace fs = std::filesystem;

namespace {

const char* const kShipped[] = {"avi-mpeg4-mp3.rvp", "mp4-h264-aac.rvp", "mp4-psp.rvp", "ogm-xvid-vorbis.rvp",
                                "wmv.rvp"};

class PresetWindowsTest : public UiTest {
protected:
    void SetUp() override
    {
        UiTest::SetUp();
        SetShellService(&shell_);
        SetCommonDialogs(&dialogs_);
    }
    void TearDown() override
    {
        SetShellService(nullptr);
        SetCommonDialogs(nullptr);
        UiTest::TearDown();
    }
    // The shipped presets and one old-style ".ini" preset in the folder.
    void FillPresetsFolder()
    {
        const char* bin = std::getenv("RIVO_BIN_DIR");
        for (const char* name : kShipped) fs::copy_file(std::string(bin) + "/presets/" + name, PresetsFolder() + name);
        WriteUtf16Text(PresetsFolder() + "old.ini",
                       "[INFO]\ndesc=Old preset\nauthor=someone\ndate=2001/02/03\ncomment=from before\n"
                       "[GENERAL]\ndest_file_type=OGM\n[SUBTITLE]\nsubtitle_font=NanumGothic\n");
    }
    static CListCtrl& List(const DialogDriver& d)
    {
        return *dynamic_cast<CListCtrl*>(CWnd::FromHandlePermanent(d.Item(IDC_PRESET_LIST)));
    }
    // The rows as "title|file".
    static std::vector<std::wstring> Rows(const DialogDriver& d)
    {
        CListCtrl& list = List(d);
        std::vector<std::wstring> rows;
        for (int i = 0; i < list.GetItemCount(); ++i)
            rows.push_back(list.GetItemText(i, 0).str() + L"|" + list.GetItemText(i, 1).str());
        return rows;
    }
    static int RowOf(const DialogDriver& d, const std::wstring& file)
    {
        CListCtrl& list = List(d);
        for (int i = 0; i < list.GetItemCount(); ++i)
            if (list.GetItemText(i, 1).str() == file) return i;
        return -1;
    }
    // Focuses and selects the row, as a click does.
    static void Choose(const DialogDriver& d, int row)
    {
        List(d).SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        d.Pump();
    }
    static void DoubleClickRow(const DialogDriver& d, int row)
    {
        auto* view = GetWindowQWidget(d.Item(IDC_PRESET_LIST))->findChild<QTreeWidget*>();
        ASSERT_NE(nullptr, view);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                           view->visualItemRect(view->topLevelItem(row)).center());
        d.Pump();
    }
    static std::wstring Today()
    {
        std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        return FormatText(L"%04d/%02d/%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    }
    RecordingShellService shell_;
    FakeCommonDialogs dialogs_;
};

TEST_F(PresetWindowsTest, ListShowsEveryPresetAndTheFocusedOnesDetails)
{
    FillPresetsFolder();
    struct Language {
        UiLanguage ui;
        std::wstring mp4Title;
    };
    for (const Language& language : {Language{kUiLanguages[0], L"MP4 동영상 (H.264 영상 + AAC 음성)"},
                                     Language{kUiLanguages[1], L"MP4 video (H.264 + AAC)"}}) {
        SCOPED_TRACE(language.ui.tag);
        UseLanguage(language.ui.file);
        CDlgPreset window;
        driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
            // The ".rvp" files in name order, then the ".ini" files.
            std::vector<std::wstring> rows = Rows(d);
            ASSERT_EQ(6u, rows.size());
            EXPECT_EQ(language.mp4Title + L"|mp4-h264-aac.rvp", rows[1]);
            EXPECT_EQ(L"Old preset|old.ini", rows[5]);
            EXPECT_EQ(L"", d.Text(IDC_PRESET_INFO));
            EXPECT_FALSE(d.IsEnabled(IDC_PRESET_DELETE));
            EXPECT_FALSE(d.IsEnabled(IDC_PRESET_APPLY));
            EXPECT_TRUE(d.IsEnabled(IDC_PRESET_CLOSE));
            EXPECT_EQ(0x420u, List(d).GetExtendedStyle() & 0x420u);
            EXPECT_EQ(200, List(d).GetColumnWidth(0));
            EXPECT_EQ(100, List(d).GetColumnWidth(1));

            Choose(d, 5);
            EXPECT_TRUE(d.IsEnabled(IDC_PRESET_DELETE));
            EXPECT_TRUE(d.IsEnabled(IDC_PRESET_APPLY));
            auto item = [](const wchar_t* key, const wchar_t* value) {
                return std::wstring(LookupText(key)) + L" " + value + L"\r\n";
            };
            std::wstring expected =
                std::wstring(LookupText(L"TEXT_PRESETINFO_INFO")) + L"\r\n" +
                item(L"TEXT_PRESETINFO_NAME", L"Old preset") + item(L"TEXT_PRESETINFO_FILE", L"old.ini") +
                item(L"TEXT_PRESETINFO_AUTHOR", L"someone") + item(L"TEXT_PRESETINFO_DATE", L"2001/02/03") +
                item(L"TEXT_PRESETINFO_COMMEMT", L"from before") + L"\r\n" + LookupText(L"TEXT_PRESETINFO_SETTING") +
                L"\r\n" + item(L"TEXT_PRESETINFO_FORMAT", L"OGM");
            std::wstring details = d.Text(IDC_PRESET_INFO);
            EXPECT_EQ(expected, details.substr(0, expected.size()));
            EXPECT_NE(std::wstring::npos, details.find(item(L"TEXT_PRESETINFO_SUBFONT", L"NanumGothic")));
            Choose(d, 1);
            EXPECT_NE(std::wstring::npos, d.Text(IDC_PRESET_INFO).find(language.mp4Title));
            SaveShot(d, std::string("preset_manager_") + language.ui.tag);
            d.Click(IDC_PRESET_CLOSE);
        });
        EXPECT_EQ(IDCANCEL, window.DoModal());
    }
}

TEST_F(PresetWindowsTest, ApplyTakesTheSelectedPresetByButtonEnterOrDoubleClick)
{
    FillPresetsFolder();
    enum class How { Button, Enter, DoubleClick };
    for (How how : {How::Button, How::Enter, How::DoubleClick}) {
        SCOPED_TRACE(static_cast<int>(how));
        CEncSettings& settings = GetEncSettings();
        settings.nEncFormat = 0;
        settings.sLastPresetPath.Empty();
        CDlgPreset window;
        driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
            int row = RowOf(d, L"mp4-h264-aac.rvp");
            ASSERT_GE(row, 0);
            Choose(d, row);
            if (how == How::Button)
                d.Click(IDC_PRESET_APPLY);
            else if (how == How::Enter)
                d.PressEnter();
            else
                DoubleClickRow(d, row);
        });
        EXPECT_EQ(IDOK, window.DoModal());
        EXPECT_EQ(1, settings.nEncFormat);
        EXPECT_EQ(CString(Utf8ToWide(PresetsFolder() + "mp4-h264-aac.rvp")), settings.sLastPresetPath);
    }
}

TEST_F(PresetWindowsTest, ApplyWithoutAPresetClosesAndChangesNothing)
{
    struct Case {
        bool presets;
    };
    for (const Case& c : {Case{false}, Case{true}}) {
        if (c.presets) FillPresetsFolder();
        CEncSettings& settings = GetEncSettings();
        settings.nEncFormat = 3;
        CDlgPreset window;
        driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
            EXPECT_EQ(c.presets ? 6u : 0u, Rows(d).size());
            EXPECT_FALSE(d.IsEnabled(IDC_PRESET_APPLY));
            EXPECT_FALSE(d.IsEnabled(IDC_PRESET_DELETE));
            d.PressEnter();
        });
        EXPECT_EQ(IDOK, window.DoModal());
        EXPECT_EQ(3, settings.nEncFormat);
        EXPECT_TRUE(settings.sLastPresetPath.IsEmpty());
    }
}

TEST_F(PresetWindowsTest, DeleteMovesThePresetToTheTrash)
{
    FillPresetsFolder();
    std::string original = ReadBytes(PresetsFolder() + "wmv.rvp");
    CDlgPreset window;
    driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
        Choose(d, RowOf(d, L"wmv.rvp"));
        d.Click(IDC_PRESET_DELETE);
        EXPECT_EQ(5u, Rows(d).size());
        EXPECT_EQ(-1, RowOf(d, L"wmv.rvp"));
        EXPECT_EQ(L"", d.Text(IDC_PRESET_INFO));
        EXPECT_FALSE(d.IsEnabled(IDC_PRESET_DELETE));
        // A preset whose file went meanwhile cannot be moved: the user is
        // told, and the list shows the folder as it is.
        fs::remove(PresetsFolder() + "old.ini");
        Choose(d, RowOf(d, L"old.ini"));
        d.Click(IDC_PRESET_DELETE);
        EXPECT_EQ(4u, Rows(d).size());
        d.Click(IDC_PRESET_CLOSE);
    });
    EXPECT_EQ(IDCANCEL, window.DoModal());
    EXPECT_FALSE(fs::exists(PresetsFolder() + "wmv.rvp"));
    std::string trash = world_->DataHome() + "/Trash";
    EXPECT_EQ(original, ReadBytes(trash + "/files/wmv.rvp"));
    EXPECT_TRUE(fs::exists(trash + "/info/wmv.rvp.trashinfo"));
    ASSERT_EQ(1u, answers_.questions.size());
    EXPECT_NE(std::wstring::npos, answers_.questions[0].text.find(L"old.ini"));
}

TEST_F(PresetWindowsTest, OpenFolderCloseAndTheFirstRun)
{
    CDlgPreset window;
    driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
        d.Click(IDC_PRESET_FOLDER);
        d.PressEscape();
    });
    EXPECT_EQ(IDCANCEL, window.DoModal());
    ASSERT_EQ(1u, shell_.requests.size());
    EXPECT_EQ(L"folder", shell_.requests[0].what);
    EXPECT_EQ(fs::path(PresetsFolder()), fs::path(WideToUtf8(shell_.requests[0].target)));

    // On the first run only Apply ends the window.
    GetEncSettings().bIsFirst2 = 1;
    CDlgPreset first;
    driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
        EXPECT_FALSE(d.IsEnabled(IDC_PRESET_CLOSE));
        d.PressEscape();
        d.Pump();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        PostMessageW(d.Dialog(), WM_CLOSE, 0, 0);
        d.Pump();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        d.PressEnter();
    });
    EXPECT_EQ(IDOK, first.DoModal());
}

// A window whose pages hold values not yet in the settings record.
class PagesOwner : public CDialog, public ISettingsPagesOwner {
public:
    PagesOwner() : CDialog(IDD_TEST_LOG) {}
    void WritePagesToSettings() override
    {
        ++writes;
        GetEncSettings().nVideoBrightness = 42;
    }
    int writes = 0;
};

TEST_F(PresetWindowsTest, AddingTheCurrentSettingsNeverReplacesAPreset)
{
    PagesOwner owner;
    ASSERT_TRUE(owner.Create(IDD_TEST_LOG));
    GetEncSettings().nEncFormat = 1;
    CDlgPreset window(&owner);
    driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
        for (int round = 0; round < 2; ++round) {
            driver_.Expect(IDD_PRESET_ADD, [](DialogDriver& add) {
                add.Type(IDC_PRESETADD_NAME, L"a:b*c");
                EXPECT_EQ(L"a_b_c.rvp", add.Text(IDC_PRESETADD_FILENAME));
                add.Ok();
            });
            d.Click(IDC_PRESET_ADD);
        }
        EXPECT_EQ((std::vector<std::wstring>{L"a:b*c|a_b_c (2).rvp", L"a:b*c|a_b_c.rvp"}), Rows(d));
        d.Click(IDC_PRESET_CLOSE);
    });
    EXPECT_EQ(IDCANCEL, window.DoModal());
    EXPECT_EQ(2, owner.writes);
    for (const char* name : {"a_b_c.rvp", "a_b_c (2).rvp"}) {
        SCOPED_TRACE(name);
        CEncPresetInfo saved(CString(Utf8ToWide(PresetsFolder() + name)));
        EXPECT_EQ(L"a:b*c", saved.m_sDesc.str());
        EXPECT_EQ(L"a:b*c", saved.m_sDescLocal.str());
        EXPECT_EQ(Today(), saved.m_sDate.str());
        EXPECT_EQ(L"MP4", saved.m_sDestFileType.str());
        EXPECT_EQ(42, saved.m_nVideoBrightness);
    }
    owner.DestroyWindow();
}

TEST_F(PresetWindowsTest, AddingAPresetFileAsksBeforeReplacingOne)
{
    std::string outside = temp().File("mine.rvp");
    WriteUtf16Text(outside, "[INFO]\ndesc=Mine\n[GENERAL]\ndest_file_type=AVI\n");
    WriteUtf16Text(PresetsFolder() + "keep.rvp", "[INFO]\ndesc=Keep\n");
    struct Case {
        std::string file;  // the preset file chosen
        int answer;        // to the question about replacing, 0 for none asked
        std::string inFolder;
        std::string expectedDesc;
    };
    std::string keep = temp().File("keep.rvp");
    WriteUtf16Text(keep, "[INFO]\ndesc=Replacement\n");
    const Case cases[] = {
        {outside, 0, "mine.rvp", "Mine"},
        {keep, IDNO, "keep.rvp", "Keep"},
        {keep, IDYES, "keep.rvp", "Replacement"},
        {PresetsFolder() + "keep.rvp", 0, "keep.rvp", "Replacement"},  // already there: nothing to do
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + std::to_string(c.answer));
        answers_.questions.clear();
        if (c.answer) answers_.answers.push_back(c.answer);
        dialogs_.fileAnswers.push_back(FileDialogAnswer{true, {Utf8ToWide(c.file)}, 0});
        CDlgPreset window;
        driver_.Expect(IDD_PRESET, [&](DialogDriver& d) {
            driver_.Expect(IDD_PRESET_ADD, [](DialogDriver& add) {
                add.Click(IDC_PRESETADD_FILE);
                add.Click(IDC_PRESETADD_BROWSE);
                add.Ok();
            });
            d.Click(IDC_PRESET_ADD);
            EXPECT_GE(RowOf(d, Utf8ToWide(c.inFolder)), 0);
            d.Click(IDC_PRESET_CLOSE);
        });
        EXPECT_EQ(IDCANCEL, window.DoModal());
        EXPECT_EQ(c.answer ? 1u : 0u, answers_.questions.size());
        CEncPresetInfo inFolder(CString(Utf8ToWide(PresetsFolder() + c.inFolder)));
        EXPECT_EQ(Utf8ToWide(c.expectedDesc), inFolder.m_sDesc.str());
    }
}

class PresetAddTest : public PresetWindowsTest {};

TEST_F(PresetAddTest, FileNamesAreMadeOfNamesAndCleaned)
{
    struct Named {
        const wchar_t* name;
        const wchar_t* file;
    };
    for (const Named& c : {Named{L"a:b*c", L"a_b_c.rvp"}, Named{L"\\/*?\"<>|:", L"_________.rvp"},
                           Named{L"한글 이름", L"한글 이름.rvp"}, Named{L"", L".rvp"}})
        EXPECT_EQ(std::wstring(c.file), CDlgPresetAdd::FileNameForName(c.name).str()) << WideToUtf8(c.name);
    for (const Named& c :
         {Named{L"a/b.rvp", L"a_b.rvp"}, Named{L" x ", L"x.rvp"}, Named{L"x.ini", L"x.ini"}, Named{L"X.RVP", L"X.RVP"},
          Named{L"..", L"__.rvp"}, Named{L".rvp", L"_rvp.rvp"}, Named{L"a\tb", L"a_b.rvp"},
          Named{L"../../up", L"___.._up.rvp"}, Named{L"", L""}, Named{L"   ", L""}})
        EXPECT_EQ(std::wstring(c.file), CDlgPresetAdd::CleanFileName(c.name).str()) << WideToUtf8(c.name);
}

TEST_F(PresetAddTest, NameFileNameChoiceAndBrowse)
{
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        dialogs_.fileAnswers.push_back(FileDialogAnswer{true, {L"/somewhere/else.ini"}, 0});
        CDlgPresetAdd add;
        driver_.Expect(IDD_PRESET_ADD, [&](DialogDriver& d) {
            EXPECT_TRUE(d.IsChecked(IDC_PRESETADD_CURRENT));
            EXPECT_TRUE(d.IsEnabled(IDC_PRESETADD_NAME));
            EXPECT_TRUE(d.IsEnabled(IDC_PRESETADD_FILENAME));
            EXPECT_FALSE(d.IsEnabled(IDC_PRESETADD_PATH));
            EXPECT_FALSE(d.IsEnabled(IDC_PRESETADD_BROWSE));
            d.Type(IDC_PRESETADD_NAME, L"My <best>");
            EXPECT_EQ(L"My _best_.rvp", d.Text(IDC_PRESETADD_FILENAME));
            SaveShot(d, std::string("preset_add_") + language.tag);
            d.Click(IDC_PRESETADD_FILE);
            EXPECT_FALSE(d.IsEnabled(IDC_PRESETADD_NAME));
            EXPECT_FALSE(d.IsEnabled(IDC_PRESETADD_FILENAME));
            EXPECT_TRUE(d.IsEnabled(IDC_PRESETADD_PATH));
            d.Click(IDC_PRESETADD_BROWSE);
            EXPECT_EQ(L"/somewhere/else.ini", d.Text(IDC_PRESETADD_PATH));
            d.Click(IDC_PRESETADD_CURRENT);
            EXPECT_TRUE(d.IsEnabled(IDC_PRESETADD_NAME));
            // A file name typed by hand is cleaned when OK is pressed.
            d.Type(IDC_PRESETADD_FILENAME, L"x/y");
            d.Ok();
        });
        EXPECT_EQ(IDOK, add.DoModal());
        EXPECT_EQ(CDlgPresetAdd::kAddCurrentSettings, add.m_nChoice);
        EXPECT_EQ(L"My <best>", add.m_sName.str());
        EXPECT_EQ(L"x_y.rvp", add.m_sFileName.str());
        EXPECT_EQ(L"/somewhere/else.ini", add.m_sPresetPath.str());
        // The file dialog: the language's filter texts, "ini" by default.
        ASSERT_FALSE(dialogs_.fileRequests.empty());
        const FileDialogRequest& request = dialogs_.fileRequests.back();
        EXPECT_FALSE(request.save);
        EXPECT_EQ(L"ini", request.defaultExtension);
        ASSERT_EQ(2u, request.filters.size());
        EXPECT_EQ(std::wstring(LookupText(L"TEXT_FILEDLG_PRESETFILE")), request.filters[0].first);
        EXPECT_EQ(L"*.ini;*.rvp;", request.filters[0].second);
        EXPECT_EQ(L"*.*", request.filters[1].second);
    }
}

TEST_F(PresetAddTest, EmptyNameOrNoFileKeepsTheWindowOpen)
{
    CDlgPresetAdd add;
    driver_.Expect(IDD_PRESET_ADD, [&](DialogDriver& d) {
        d.Type(IDC_PRESETADD_NAME, L"   ");
        d.Ok();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        d.Click(IDC_PRESETADD_FILE);
        d.Ok();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        d.Click(IDC_PRESETADD_CURRENT);
        d.Type(IDC_PRESETADD_NAME, L"fine");
        d.Ok();
    });
    EXPECT_EQ(IDOK, add.DoModal());
    ASSERT_EQ(2u, answers_.questions.size());
    EXPECT_EQ(std::wstring(LookupText(L"TEXT_PRESETADD_NO_NAME")), answers_.questions[0].text);
    EXPECT_EQ(std::wstring(LookupText(L"TEXT_PRESETADD_NO_FILE")), answers_.questions[1].text);
    EXPECT_EQ(L"fine.rvp", add.m_sFileName.str());
    // Cancel leaves the caller nothing to do.
    CDlgPresetAdd cancelled;
    driver_.Expect(IDD_PRESET_ADD, [](DialogDriver& d) { d.Cancel(); });
    EXPECT_EQ(IDCANCEL, cancelled.DoModal());
}

// A capital letter typed into the name box with Shift held down: Shift is
// served once, not for ever, and the letter arrives as typed.
TEST_F(PresetAddTest, ACapitalLetterTypedWithShiftArrivesOnce)
{
    CDlgPresetAdd add;
    driver_.Expect(IDD_PRESET_ADD, [](DialogDriver& d) {
        d.Focus(IDC_PRESETADD_NAME);
        d.KeyDown(VK_SHIFT);
        EXPECT_TRUE(mfc_test::PumpUntilQuiet()) << "Shift went round";
        d.Key('A', L'A');
        d.KeyUp(VK_SHIFT);
        EXPECT_TRUE(mfc_test::PumpUntilQuiet()) << "Shift's release went round";
        d.Key('B', L'b');
        EXPECT_EQ(L"Ab", d.Text(IDC_PRESETADD_NAME));
        EXPECT_EQ(L"Ab.rvp", d.Text(IDC_PRESETADD_FILENAME));
        d.Ok();
    });
    EXPECT_EQ(IDOK, add.DoModal());
    EXPECT_EQ(L"Ab", add.m_sName.str());
}

}  // namespace
