// Property sheets: pages made when first shown, leaving a page only when it
// lets go, OK and Cancel told to the pages that have windows, and Enter in a
// page pressing the sheet's OK.
#include <QTabBar>
#include <QTest>

#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/PropertySheet.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/UserLanguage.h"

using namespace mfc_test;

namespace {

class CountingPage : public CPropertyPage {
public:
    explicit CountingPage(UINT id) : CPropertyPage(id) {}
    int inits = 0, actives = 0, leaves = 0, oks = 0, cancels = 0;

protected:
    BOOL OnInitDialog() override
    {
        ++inits;
        return CPropertyPage::OnInitDialog();
    }
    BOOL OnSetActive() override
    {
        ++actives;
        return CPropertyPage::OnSetActive();
    }
    BOOL OnKillActive() override
    {
        ++leaves;
        return CPropertyPage::OnKillActive();
    }
    void OnOK() override { ++oks; }
    void OnCancel() override { ++cancels; }
};

class ValuePage : public CountingPage {
public:
    ValuePage() : CountingPage(IDD_PAGE_ONE) {}
    int value = 5;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_ONE_VALUE, value);
        DDV_MinMaxInt(dx, value, 1, 9);
    }
};

// Sets the tab captions itself after the base initialisation, as the
// program's option sheet does.
class OptionSheet : public CPropertySheet {
public:
    OptionSheet() : CPropertySheet(L"Options")
    {
        AddPage(&one);
        AddPage(&two);
        AddPage(&three);
    }
    ValuePage one;
    CountingPage two{IDD_PAGE_TWO};
    CountingPage three{IDD_PAGE_THREE};

protected:
    BOOL OnInitDialog() override
    {
        BOOL result = CPropertySheet::OnInitDialog();
        const wchar_t* captions[] = {L"Subtitles", L"Filters", L"General"};
        for (int i = 0; i < 3; ++i) {
            TCITEMW item;
            item.mask = TCIF_TEXT;
            item.pszText = const_cast<LPWSTR>(captions[i]);
            GetTabControl()->SetItem(i, &item);
        }
        return result;
    }
};

class PropertySheetTest : public MfcTest {};

QTabBar* TabBarOf(HWND sheet)
{
    HWND tab = GetDlgItem(sheet, AFX_IDC_TAB_CONTROL);
    return tab ? GetWindowQWidget(tab)->findChild<QTabBar*>() : nullptr;
}

TEST_F(PropertySheetTest, PagesAreMadeWhenFirstShown)
{
    OptionSheet sheet;
    driver_.Expect(0, [&](DialogDriver& d) {
        EXPECT_NE(nullptr, sheet.one.m_hWnd);
        EXPECT_EQ(nullptr, sheet.two.m_hWnd);
        EXPECT_EQ(nullptr, sheet.three.m_hWnd);
        EXPECT_TRUE(IsChild(d.Dialog(), sheet.one.m_hWnd));
        QTabBar* bar = TabBarOf(d.Dialog());
        ASSERT_NE(nullptr, bar);
        EXPECT_EQ(QString("Filters"), bar->tabText(1));
        // The sheet holds the largest page.
        RECT page, tab;
        GetWindowRect(sheet.one.m_hWnd, &page);
        GetWindowRect(d.Item(AFX_IDC_TAB_CONTROL), &tab);
        EXPECT_TRUE(page.left > tab.left && page.right < tab.right && page.bottom < tab.bottom);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        d.Pump();
        EXPECT_NE(nullptr, sheet.three.m_hWnd);
        EXPECT_TRUE(IsWindowVisible(sheet.three.m_hWnd));
        EXPECT_FALSE(IsWindowVisible(sheet.one.m_hWnd));
        EXPECT_EQ(nullptr, sheet.two.m_hWnd);
        EXPECT_EQ(2, sheet.GetActiveIndex());
        gui_test::SaveScreenshot(d.Screenshot(), "mfc_property_sheet");
        d.Ok();
    });
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ(1, sheet.one.inits);
    EXPECT_EQ(1, sheet.one.oks);
    EXPECT_EQ(0, sheet.two.inits);
    EXPECT_EQ(0, sheet.two.oks);
    EXPECT_EQ(1, sheet.three.oks);
    EXPECT_EQ(1, sheet.one.leaves);  // left for the third page
}

TEST_F(PropertySheetTest, APageThatRefusesKeepsTheSheetOnIt)
{
    OptionSheet sheet;
    driver_.Expect(0, [&](DialogDriver& d) {
        HWND value = GetDlgItem(sheet.one.m_hWnd, IDC_ONE_VALUE);
        SetWindowTextW(value, L"42");
        QTabBar* bar = TabBarOf(d.Dialog());
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        d.Pump();
        EXPECT_EQ(0, sheet.GetActiveIndex());
        EXPECT_EQ(0, bar->currentIndex());
        EXPECT_EQ(nullptr, sheet.two.m_hWnd);
        EXPECT_EQ(1u, answers_.questions.size());
        // OK refuses too, then Enter in the page presses the sheet's OK.
        d.Ok();
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        SetWindowTextW(value, L"7");
        SetFocus(value);
        d.PressEnter();
    });
    EXPECT_EQ(IDOK, sheet.DoModal());
    EXPECT_EQ(7, sheet.one.value);
    EXPECT_EQ(1, sheet.one.oks);
}

TEST_F(PropertySheetTest, TheSheetsButtonsSpeakTheUsersLanguage)
{
    struct Case {
        LANGID language;
        const wchar_t* ok;
        const wchar_t* cancel;
        const wchar_t* apply;
    };
    for (const Case& c : {Case{1042, L"확인", L"취소", L"적용(&A)"}, Case{1041, L"OK", L"キャンセル", L"適用(&A)"},
                          Case{1033, L"OK", L"Cancel", L"&Apply"}}) {
        SetUserDefaultLangID(c.language);
        OptionSheet sheet;
        driver_.Expect(0, [&](DialogDriver& d) {
            EXPECT_EQ(c.ok, d.Text(IDOK)) << c.language;
            EXPECT_EQ(c.cancel, d.Text(IDCANCEL)) << c.language;
            EXPECT_EQ(c.apply, d.Text(ID_APPLY_NOW)) << c.language;
            d.Cancel();
        });
        EXPECT_EQ(IDCANCEL, sheet.DoModal());
    }
    SetUserDefaultLangID(0);
}

TEST_F(PropertySheetTest, CancelTellsThePagesThatHaveWindows)
{
    OptionSheet sheet;
    sheet.SetActivePage(1);
    driver_.Expect(0, [&](DialogDriver& d) {
        EXPECT_EQ(nullptr, sheet.one.m_hWnd);
        EXPECT_NE(nullptr, sheet.two.m_hWnd);
        // A page made from a pop-up resource is still a child of the sheet.
        EXPECT_TRUE(GetWindowLongW(sheet.two.m_hWnd, GWL_STYLE) & WS_CHILD);
        EXPECT_EQ(d.Dialog(), GetParent(sheet.two.m_hWnd));
        d.PressEscape();
    });
    EXPECT_EQ(IDCANCEL, sheet.DoModal());
    EXPECT_EQ(1, sheet.two.cancels);
    EXPECT_EQ(0, sheet.one.cancels);
}

}  // namespace
