// The option sheet: only pages the user opened change the settings, on OK
// only; the subtitle page's languages and code pages (UTF-8 as 65001, which
// the subtitle reader takes as UTF-8), the filter page's ticks and the
// general page's languages (Korean included) loaded and stored.
#include <gtest/gtest.h>

#include <QTabBar>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "RivoEncIds.h"
#include "UiTestSupport.h"
#include "encoder/core/EncSettings.h"
#include "encoder/core/LangTextTable.h"
#include "encoder/subtitles/SubtitleFileText.h"
#include "encoder/ui/COptionPropertySheet.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/QtAccess.h"

using namespace mfc_test;

namespace {

const GUID kForeignFilter = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

class OptionSheetTest : public UiTest {
protected:
    std::unique_ptr<COptionPropertySheet> MakeSheet()
    {
        return std::make_unique<COptionPropertySheet>(LookupText(L"TEXT_OPTION_TITLE"));
    }
    static QTabBar* Tabs(HWND sheet)
    {
        return GetWindowQWidget(GetDlgItem(sheet, AFX_IDC_TAB_CONTROL))->findChild<QTabBar*>();
    }
    static void ShowTab(HWND sheet, int index)
    {
        QTabBar* bar = Tabs(sheet);
        ASSERT_NE(nullptr, bar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        PumpDialogMessages();
    }
    static CComboBox& Combo(CPropertyPage& page, int id)
    {
        return *dynamic_cast<CComboBox*>(CWnd::FromHandlePermanent(GetDlgItem(page.m_hWnd, id)));
    }
    static CListCtrl& List(CPropertyPage& page)
    {
        return *dynamic_cast<CListCtrl*>(CWnd::FromHandlePermanent(GetDlgItem(page.m_hWnd, IDC_OPTION_FILTER_LIST)));
    }
    static std::vector<GUID> Blocked()
    {
        std::vector<GUID> out;
        const CBlockFilterList& list = GetEncSettings().BlockFilters;
        for (POSITION p = list.GetHeadPosition(); p;) out.push_back(list.GetNext(p));
        return out;
    }
    static void ClickCheckBox(CPropertyPage& page, int row)
    {
        auto* view = GetWindowQWidget(GetDlgItem(page.m_hWnd, IDC_OPTION_FILTER_LIST))->findChild<QTreeWidget*>();
        ASSERT_NE(nullptr, view);
        QRect cell = view->visualItemRect(view->topLevelItem(row));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 8, cell.center().y()));
        PumpDialogMessages();
    }
};

TEST_F(OptionSheetTest, OkRightAfterOpeningAppliesOnlyTheSubtitlePage)
{
    CEncSettings& settings = GetEncSettings();
    settings.bSubStreamAll = 0;
    settings.nSubStreamLCID = 0x0412;
    settings.nSubCodePage = 949;
    settings.BlockFilters.RemoveAll();
    settings.BlockFilters.Add(kForeignFilter);
    settings.sLangIniFileName = L"english.ini";
    auto sheet = MakeSheet();
    driver_.Expect(0, [&](DialogDriver& d) {
        wchar_t caption[128] = {};
        GetWindowTextW(d.Dialog(), caption, 128);
        EXPECT_EQ(std::wstring(LookupText(L"TEXT_OPTION_TITLE")), caption);
        QTabBar* bar = Tabs(d.Dialog());
        ASSERT_NE(nullptr, bar);
        ASSERT_EQ(3, bar->count());
        EXPECT_EQ(QString::fromStdWString(LookupText(L"TEXT_OPTION_SUBTITLE")), bar->tabText(0));
        EXPECT_EQ(QString::fromStdWString(LookupText(L"TEXT_OPTION_FILTER")), bar->tabText(1));
        EXPECT_EQ(QString::fromStdWString(LookupText(L"TEXT_OPTION_GENERAL")), bar->tabText(2));
        EXPECT_NE(nullptr, sheet->m_pageSubtitle.m_hWnd);
        EXPECT_EQ(nullptr, sheet->m_pageFilter.m_hWnd);
        EXPECT_EQ(nullptr, sheet->m_pageGeneral.m_hWnd);
        // The subtitle page's change is stored; the filter list keeps its
        // foreign filter, as its page was never opened.
        SendMessageW(GetDlgItem(sheet->m_pageSubtitle.m_hWnd, IDC_OPTION_SUB_CODEPAGE), CB_SETCURSEL, 2, 0);
        d.Ok();
    });
    EXPECT_EQ(IDOK, sheet->DoModal());
    EXPECT_EQ(0, settings.bSubStreamAll);
    EXPECT_EQ(0x0412, settings.nSubStreamLCID);
    EXPECT_EQ(1252, settings.nSubCodePage);
    EXPECT_EQ((std::vector<GUID>{kForeignFilter}), Blocked());
    EXPECT_EQ(L"english.ini", settings.sLangIniFileName.str());
}

TEST_F(OptionSheetTest, SubtitlePageLoadsAndStoresLanguagesAndCodePages)
{
    struct Case {
        BOOL all;
        int lcid, codePage;
        int languageRow, codePageRow;  // shown
        int chooseCodePageRow;         // chosen by the user (-1: none)
        bool clickAll;
        int storedLcid, storedCodePage;
        BOOL storedAll;
    };
    const Case cases[] = {
        {0, 0x0412, 949, 10, 11, -1, false, 0x0412, 949, 0},
        {1, 0x0411, 932, 9, 10, -1, false, 0x0411, 932, 1},
        {0, 0x0409, 65001, 3, 16, -1, true, 0x0409, 65001, 1},
        // Values the tables lack show the first rows and store theirs.
        {0, 0x0415, 437, 0, 0, -1, false, 0, -1, 0},
        {0, 0, -1, 0, 0, 16, false, 0, 65001, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.codePage);
        CEncSettings& settings = GetEncSettings();
        settings.bSubStreamAll = c.all;
        settings.nSubStreamLCID = c.lcid;
        settings.nSubCodePage = c.codePage;
        auto sheet = MakeSheet();
        driver_.Expect(0, [&](DialogDriver& sheetDriver) {
            CPageSetSubtitle& page = sheet->m_pageSubtitle;
            DialogDriver d(page.m_hWnd);
            CComboBox& languages = Combo(page, IDC_OPTION_SUB_LANG);
            CComboBox& codePages = Combo(page, IDC_OPTION_SUB_CODEPAGE);
            EXPECT_EQ(13, languages.GetCount());
            EXPECT_EQ(18, codePages.GetCount());
            EXPECT_EQ(c.languageRow, languages.GetCurSel());
            EXPECT_EQ(c.codePageRow, codePages.GetCurSel());
            EXPECT_EQ(c.all != 0, d.IsChecked(IDC_OPTION_SUB_ALL));
            EXPECT_EQ(c.all == 0, d.IsChecked(IDC_OPTION_SUB_ONE));
            EXPECT_EQ(c.all == 0, d.IsEnabled(IDC_OPTION_SUB_LANG));
            if (c.chooseCodePageRow >= 0) codePages.SetCurSel(c.chooseCodePageRow);
            if (c.clickAll) {
                d.Click(IDC_OPTION_SUB_ALL);
                EXPECT_FALSE(d.IsEnabled(IDC_OPTION_SUB_LANG));
                d.Click(IDC_OPTION_SUB_ONE);
                EXPECT_TRUE(d.IsEnabled(IDC_OPTION_SUB_LANG));
                d.Click(IDC_OPTION_SUB_ALL);
            }
            sheetDriver.Ok();
        });
        EXPECT_EQ(IDOK, sheet->DoModal());
        EXPECT_EQ(c.storedAll, settings.bSubStreamAll);
        EXPECT_EQ(c.storedLcid, settings.nSubStreamLCID);
        EXPECT_EQ(c.storedCodePage, settings.nSubCodePage);
    }
}

TEST_F(OptionSheetTest, TheUtf8RowGivesTheCodePageTheSubtitleReaderTakesAsUtf8)
{
    GetEncSettings().nSubCodePage = 0;
    auto sheet = MakeSheet();
    driver_.Expect(0, [&](DialogDriver& d) {
        CComboBox& codePages = Combo(sheet->m_pageSubtitle, IDC_OPTION_SUB_CODEPAGE);
        int row = -1;
        for (int i = 0; i < codePages.GetCount(); ++i) {
            CString text;
            codePages.GetLBText(i, text);
            if (text == L"Unicode (UTF-8)") row = i;
        }
        ASSERT_EQ(16, row);
        codePages.SetCurSel(row);
        d.Ok();
    });
    EXPECT_EQ(IDOK, sheet->DoModal());
    int stored = GetEncSettings().nSubCodePage;
    const std::string utf8 = "1\n00:00:01,000 --> 00:00:02,000\n\xEC\x95\x88\xEB\x85\x95 h\xC3\xA9llo\n";
    UINT used = 0;
    std::wstring text = DecodeSubtitleBytes(utf8, stored, 949, &used);
    EXPECT_EQ(65001u, used);
    EXPECT_NE(std::wstring::npos, text.find(L"안녕 héllo"));
}

TEST_F(OptionSheetTest, FilterPageTicksTheBlockedFiltersAndStoresTheTickedRows)
{
    CEncSettings& settings = GetEncSettings();
    const auto& rows = CPageSetFilter::kFilters;
    settings.BlockFilters.RemoveAll();
    settings.BlockFilters.Add(rows[6].clsid);
    settings.BlockFilters.Add(kForeignFilter);
    settings.BlockFilters.Add(rows[2].clsid);
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok);
        auto sheet = MakeSheet();
        driver_.Expect(0, [&](DialogDriver& d) {
            ShowTab(d.Dialog(), 1);
            CPageSetFilter& page = sheet->m_pageFilter;
            ASSERT_NE(nullptr, page.m_hWnd);
            CListCtrl& list = List(page);
            ASSERT_EQ(7, list.GetItemCount());
            for (int i = 0; i < 7; ++i) {
                EXPECT_EQ(std::wstring(rows[i].name), list.GetItemText(i, 0).str());
                EXPECT_EQ(std::wstring(LookupText(rows[i].commentKey)), list.GetItemText(i, 1).str());
                EXPECT_EQ(i == 2 || i == 6, list.GetCheck(i) != 0) << i;
            }
            EXPECT_EQ(0x424u, list.GetExtendedStyle() & 0x424u);
            ClickCheckBox(page, 2);
            ClickCheckBox(page, 0);
            EXPECT_TRUE(list.GetCheck(0));
            EXPECT_FALSE(list.GetCheck(2));
            if (ok)
                d.Ok();
            else
                d.Cancel();
        });
        EXPECT_EQ(ok ? IDOK : IDCANCEL, sheet->DoModal());
        if (ok)
            EXPECT_EQ((std::vector<GUID>{rows[0].clsid, rows[6].clsid}), Blocked());
        else
            EXPECT_EQ((std::vector<GUID>{rows[6].clsid, kForeignFilter, rows[2].clsid}), Blocked());
    }
}

TEST_F(OptionSheetTest, GeneralPageOffersTheLanguagesWithFilesKoreanIncluded)
{
    namespace fs = std::filesystem;
    std::string lang = ProgramFolder() + "lang/";
    WriteUtf16Text(lang + "nodesc.ini", "[GENERAL]\nLANGABBR=NOD\n");
    WriteUtf16Text(lang + "englishuk.ini", "[GENERAL]\nLANGDESC=English (UK)\n");
    WriteUtf16Text(temp().File("escape.ini"), "[GENERAL]\nLANGDESC=Outside\n");
    WriteUtf16Text(ProgramFolder() + "setting.ini",
                   "[GENERAL]\nSUPPORTED_LANGS=englishuk, korean ,missing,nodesc,../../escape,\"english\",korean\n");
    struct Case {
        const wchar_t* current;
        int shownRow;
        int chosenRow;
        const wchar_t* stored;
    };
    // "English (UK)" comes first and begins like "English": the current
    // language is found by its file, not by the start of its description.
    for (const Case& c : {Case{L"english.ini", 2, 1, L"korean.ini"}, Case{L"korean.ini", 1, 2, L"english.ini"},
                          Case{L"gone.ini", -1, -1, L"gone.ini"}}) {
        SCOPED_TRACE(WideToUtf8(c.current));
        GetEncSettings().sLangIniFileName = c.current;
        auto sheet = MakeSheet();
        driver_.Expect(0, [&](DialogDriver& d) {
            ShowTab(d.Dialog(), 2);
            CPageSetGeneral& page = sheet->m_pageGeneral;
            ASSERT_NE(nullptr, page.m_hWnd);
            CComboBox& languages = Combo(page, IDC_OPTION_LANG);
            EXPECT_EQ((std::vector<std::wstring>{L"English (UK)", L"한국어", L"English"}), ComboItems(languages));
            ASSERT_EQ(3, page.LanguageFiles().GetSize());
            EXPECT_EQ(L"englishuk.ini", page.LanguageFiles()[0].str());
            EXPECT_EQ(L"korean.ini", page.LanguageFiles()[1].str());
            EXPECT_EQ(L"english.ini", page.LanguageFiles()[2].str());
            EXPECT_EQ(c.shownRow, languages.GetCurSel());
            if (c.chosenRow >= 0) languages.SetCurSel(c.chosenRow);
            d.Ok();
        });
        EXPECT_EQ(IDOK, sheet->DoModal());
        EXPECT_EQ(std::wstring(c.stored), GetEncSettings().sLangIniFileName.str());
    }
}

TEST_F(OptionSheetTest, EveryPageInBothLanguages)
{
    for (const UiLanguage& language : kUiLanguages) {
        SCOPED_TRACE(language.tag);
        UseLanguage(language.file);
        auto sheet = MakeSheet();
        driver_.Expect(0, [&](DialogDriver& d) {
            const char* names[] = {"subtitle", "filter", "general"};
            for (int tab = 0; tab < 3; ++tab) {
                ShowTab(d.Dialog(), tab);
                SaveShot(d, std::string("options_") + names[tab] + "_" + language.tag);
            }
            // The page texts are the language's.
            DialogDriver general(sheet->m_pageGeneral.m_hWnd);
            EXPECT_EQ(language.tag == std::string("ko") ? L"언어:" : L"Language:", general.Text(IDC_OPTION_LANG_LABEL));
            d.Cancel();
        });
        EXPECT_EQ(IDCANCEL, sheet->DoModal());
    }
}

}  // namespace
