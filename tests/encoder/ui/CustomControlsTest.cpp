// The colour swatch, the font picker over fonts made by the test, the tab
// control of child dialogs, and the marked-up log view.
#include <gtest/gtest.h>

#include <QImage>
#include <QTabBar>
#include <QTest>
#include <QWidget>
#include <stdexcept>

#include "UiTestIds.h"
#include "UiTestSupport.h"
#include "encoder/ui/controls/CMultiTabCtrl.h"
#include "encoder/ui/controls/HColorStatic.h"
#include "encoder/ui/controls/HFontCombo.h"
#include "encoder/ui/controls/HRichEditCtrlFmt.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/OwnerDraw.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "tests/platform/win32/gui/FontFixtures.h"
#include "tests/platform/win32/gui/GuiTestSupport.h"

using namespace mfc_test;

namespace {

class ControlsDialog : public CDialog {
public:
    ControlsDialog() : CDialog(IDD_TEST_CONTROLS) {}
    HColorStatic swatch;
    HFontCombo fonts;
    CMultiTabCtrl tabs;
    int selChangesSeen = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_TEST_SWATCH, swatch);
        DDX_Control(dx, IDC_TEST_FONTS, fonts);
        DDX_Control(dx, IDC_TEST_TAB, tabs);
    }
    void OnTabChanged(NMHDR*, LRESULT*) { ++selChangesSeen; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(ControlsDialog, CDialog)
ON_NOTIFY(TCN_SELCHANGE, IDC_TEST_TAB, &ControlsDialog::OnTabChanged)
END_MESSAGE_MAP()

class CustomControlsTest : public ModelessDialogTest<ControlsDialog, IDD_TEST_CONTROLS> {
protected:
    void TearDown() override
    {
        ModelessDialogTest::TearDown();
        SetAnsiCodePage(949);
    }
    static QImage Picture(HWND window)
    {
        PumpDialogMessages();
        return GetWindowQWidget(window)->grab().toImage();
    }
    static QRgb Rgb(COLORREF c) { return qRgb(GetRValue(c), GetGValue(c), GetBValue(c)); }
};

TEST_F(CustomControlsTest, SwatchShowsItsColourOnlyWhileEnabled)
{
    HColorStatic& swatch = dialog_.swatch;
    EXPECT_EQ(RGB(255, 255, 255), swatch.GetColor());
    const COLORREF colour = RGB(10, 200, 30);
    swatch.SetColor(colour);
    EXPECT_EQ(colour, swatch.GetColor());
    QImage shown = Picture(swatch.m_hWnd);
    ASSERT_FALSE(shown.isNull());
    for (QPoint p :
         {QPoint(0, 0), QPoint(shown.width() / 2, shown.height() / 2), QPoint(shown.width() - 1, shown.height() - 1)})
        EXPECT_EQ(Rgb(colour), shown.pixel(p) | 0xFF000000u) << p.x() << "," << p.y();
    swatch.EnableWindow(FALSE);
    EXPECT_EQ(Rgb(GetSysColor(COLOR_BTNFACE)), Picture(swatch.m_hWnd).pixel(3, 3) | 0xFF000000u);
    EXPECT_EQ(colour, swatch.GetColor());
    swatch.EnableWindow(TRUE);
    EXPECT_EQ(Rgb(colour), Picture(swatch.m_hWnd).pixel(3, 3) | 0xFF000000u);
}

// Fonts of known kinds: an outline face and its vertical "@" face (renamed
// copies of installed fonts), a bitmap face, a Korean face and one more.
class FontPickerTest : public CustomControlsTest {
protected:
    void SetUp() override
    {
        CustomControlsTest::SetUp();
        std::string sans = gui_test::InstalledFontFile("DejaVuSans.ttf");
        std::string serif = gui_test::InstalledFontFile("DejaVuSerif.ttf");
        std::string mono = gui_test::InstalledFontFile("DejaVuSansMono.ttf");
        std::string korean = gui_test::InstalledFontFile("NanumGothic.ttf");
        if (sans.empty() || serif.empty() || mono.empty() || korean.empty())
            GTEST_SKIP() << "fonts-dejavu-core and fonts-nanum are needed";
        std::string upright = temp().File("upright.ttf");
        std::string vertical = temp().File("vertical.ttf");
        std::string bitmap = temp().File("bitmap.bdf");
        ASSERT_TRUE(gui_test::WriteRenamedFont(sans, upright, "DejaVu Sans", "RivoTestFnt"));
        ASSERT_TRUE(gui_test::WriteRenamedFont(serif, vertical, "DejaVu Serif", "@RivoTestFnt"));
        gui_test::WriteBitmapFont(bitmap, "RivoBitmap");
        fonts_ = std::make_unique<gui_test::PrivateFontConfiguration>(
            std::vector<std::string>{upright, vertical, bitmap, korean, mono});
        ASSERT_TRUE(fonts_->ok());
    }
    void TearDown() override
    {
        fonts_.reset();
        CustomControlsTest::TearDown();
    }
    std::unique_ptr<gui_test::PrivateFontConfiguration> fonts_;
};

TEST_F(FontPickerTest, ListsOutlineFacesSortedWithoutVerticalOrBitmapFaces)
{
    HFontCombo& fonts = dialog_.fonts;
    fonts.Fill();
    // Korean faces by their Korean names while the code page is Korean.
    EXPECT_EQ((std::vector<std::wstring>{L"DejaVu Sans Mono", L"RivoTestFnt", L"나눔고딕"}), ComboItems(fonts));
    for (const wchar_t* face : {L"DejaVu Sans Mono", L"RivoTestFnt", L"나눔고딕"}) {
        ASSERT_NE(nullptr, fonts.FontOf(face)) << WideToUtf8(face);
        EXPECT_TRUE(fonts.FontOf(face)->IsTrueType());
        EXPECT_EQ(nullptr, fonts.FontOf(face)->m_pFont);
    }
    EXPECT_EQ(nullptr, fonts.FontOf(L"@RivoTestFnt"));
    EXPECT_EQ(nullptr, fonts.FontOf(L"RivoBitmap"));
    // Filling again lists the faces once.
    fonts.Fill();
    EXPECT_EQ(3, fonts.GetCount());
    // Under a Western code page the Korean face has its Latin name.
    SetAnsiCodePage(1252);
    HFontCombo made;
    CRect r(10, 10, 200, 200);
    ASSERT_TRUE(made.Create(WS_CHILD | WS_VISIBLE | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS | WS_VSCROLL,
                            r, &dialog_, 1599));
    // Made by the program, the control fills itself.
    EXPECT_EQ((std::vector<std::wstring>{L"DejaVu Sans Mono", L"NanumGothic", L"RivoTestFnt"}), ComboItems(made));
    made.DestroyWindow();
    EXPECT_EQ(nullptr, made.FontOf(L"NanumGothic"));  // freed with the window
}

TEST_F(FontPickerTest, AFamilyIsFoundByAnyOfItsNames)
{
    HFontCombo& fonts = dialog_.fonts;
    fonts.Fill();
    struct Case {
        const wchar_t* name;
        int item;  // of "DejaVu Sans Mono", "RivoTestFnt", "나눔고딕"
    };
    for (const Case& c : {Case{L"나눔고딕", 2}, Case{L"NanumGothic", 2}, Case{L"nanumgothic", 2},
                          Case{L"RivoTestFnt", 1}, Case{L"DejaVu Sans Mono", 0}, Case{L"@RivoTestFnt", -1},
                          Case{L"RivoBitmap", -1}, Case{L"No Such Face", -1}, Case{L"", -1}})
        EXPECT_EQ(c.item, fonts.FindFamily(c.name)) << WideToUtf8(c.name);
}

TEST_F(FontPickerTest, ItemsAreDrawnWithTheTrueTypeMarkAndTheHighlight)
{
    HFontCombo& fonts = dialog_.fonts;
    fonts.Fill();
    const int width = 160, height = 18;
    QImage plain = mfc_controls::DrawItemByOwner(fonts.m_hWnd, ODT_COMBOBOX, 1, 0, 0, width, height, nullptr);
    QImage chosen =
        mfc_controls::DrawItemByOwner(fonts.m_hWnd, ODT_COMBOBOX, 1, ODS_SELECTED, 0, width, height, nullptr);
    QImage none =
        mfc_controls::DrawItemByOwner(fonts.m_hWnd, ODT_COMBOBOX, -1, ODS_SELECTED, 0, width, height, nullptr);
    const QRgb window = Rgb(GetSysColor(COLOR_WINDOW));
    const QRgb highlight = Rgb(GetSysColor(COLOR_HIGHLIGHT));
    // The mark's grey "T" starts at (2, 2); its magenta corner is transparent.
    EXPECT_EQ(qRgb(0x80, 0x80, 0x80), plain.pixel(2, 2));
    EXPECT_EQ(window, plain.pixel(2 + 14, 2));
    EXPECT_EQ(highlight, chosen.pixel(2 + 14, 2));
    EXPECT_EQ(qRgb(0x80, 0x80, 0x80), chosen.pixel(2, 2));
    // The name starts at x = 19: nothing is drawn between the mark and it.
    for (int y = 0; y < height; ++y) EXPECT_EQ(window, plain.pixel(17, y)) << y;
    bool text = false;
    for (int x = 19; x < width && !text; ++x)
        for (int y = 2; y < height && !text; ++y) text = plain.pixel(x, y) != window;
    EXPECT_TRUE(text);
    // No item: nothing is drawn.
    for (int x = 0; x < width; x += 7) EXPECT_EQ(window, none.pixel(x, height / 2)) << x;
    fonts.SetCurSel(2);
    gui_test::SaveScreenshot(Picture(dialog_.m_hWnd), "encoder_ui_font_picker");
}

class TabPagesTest : public CustomControlsTest {
protected:
    void SetUp() override
    {
        CustomControlsTest::SetUp();
        ASSERT_TRUE(a_.Create(IDD_TEST_PAGE_A, &dialog_));
        ASSERT_TRUE(b_.Create(IDD_TEST_PAGE_B, &dialog_));
        ASSERT_TRUE(c_.Create(IDD_TEST_PAGE_C, &dialog_));
    }
    void TearDown() override
    {
        for (CDialog* page : {&a_, &b_, &c_})
            if (page->m_hWnd) page->DestroyWindow();
        CustomControlsTest::TearDown();
    }
    std::vector<bool> Shown()
    {
        return {a_.IsWindowVisible() != 0, b_.IsWindowVisible() != 0, c_.IsWindowVisible() != 0};
    }
    void ChooseTab(int index)
    {
        QTabBar* bar = GetWindowQWidget(dialog_.tabs.m_hWnd)->findChild<QTabBar*>();
        ASSERT_NE(nullptr, bar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
        PumpDialogMessages();
    }
    CDialog a_, b_, c_;
};

TEST_F(TabPagesTest, TheChosenTabsPageShowsInTheDisplayArea)
{
    CMultiTabCtrl& tabs = dialog_.tabs;
    EXPECT_EQ(0, tabs.AddTab(L"First", &a_, 0));
    EXPECT_EQ(1, tabs.AddTab(L"Second", &b_, 0));
    EXPECT_EQ(2, tabs.AddTab(L"Third", &c_, 0));
    EXPECT_EQ(3, tabs.GetItemCount());
    EXPECT_EQ(3, tabs.GetPageCount());
    EXPECT_EQ((std::vector<bool>{true, false, false}), Shown());

    // The page covers the client area less the frame and the tab row.
    CRect client, tab0, page;
    tabs.GetClientRect(&client);
    tabs.GetItemRect(0, &tab0);
    tabs.MapWindowPoints(&dialog_, &client);
    a_.GetWindowRect(&page);
    dialog_.ScreenToClient(&page);
    int fx = GetSystemMetrics(SM_CXDLGFRAME), fy = GetSystemMetrics(SM_CYDLGFRAME);
    EXPECT_EQ(CRect(client.left + fx, client.top + tab0.Height() + fy, client.right - fx, client.bottom - fy), page);

    ChooseTab(2);
    EXPECT_EQ(2, tabs.GetCurSel());
    EXPECT_EQ((std::vector<bool>{false, false, true}), Shown());
    CRect third;
    c_.GetWindowRect(&third);
    dialog_.ScreenToClient(&third);
    EXPECT_EQ(page, third);
    // The control handles the change itself; its parent does not see it.
    EXPECT_EQ(0, dialog_.selChangesSeen);
    SaveShot(DialogDriver(dialog_.m_hWnd), "tab_pages");
}

TEST_F(TabPagesTest, ReplacingPages)
{
    CMultiTabCtrl& tabs = dialog_.tabs;
    tabs.AddTab(L"First", &a_, 0);
    tabs.AddTab(L"Second", &b_, 0);
    // A page replaced by itself: nothing changes, the index comes back.
    EXPECT_EQ(1, tabs.ReplacePage(1, &b_));
    EXPECT_EQ((std::vector<bool>{true, false, false}), Shown());
    // The page of a tab that is not chosen stays hidden until it is.
    c_.ShowWindow(SW_SHOW);
    EXPECT_EQ(-1, tabs.ReplacePage(1, &c_));
    EXPECT_EQ((std::vector<bool>{true, false, false}), Shown());
    EXPECT_EQ(&c_, tabs.GetPage(1));
    ChooseTab(1);
    EXPECT_EQ((std::vector<bool>{false, false, true}), Shown());
    // The chosen tab's page shows at once; the old one goes.
    EXPECT_EQ(-1, tabs.ReplacePage(1, &b_));
    EXPECT_EQ((std::vector<bool>{false, true, false}), Shown());
    EXPECT_THROW(tabs.ReplacePage(2, &a_), std::invalid_argument);
    EXPECT_THROW(tabs.ReplacePage(-1, &a_), std::invalid_argument);
    EXPECT_EQ(nullptr, tabs.GetPage(5));
}

// The log view in a window of its own.
class LogViewTest : public ModelessDialogTest<CDialog, IDD_TEST_LOG> {
protected:
    void SetUp() override
    {
        ModelessDialogTest::SetUp();
        CRect r;
        dialog_.GetClientRect(&r);
        r.DeflateRect(8, 8);
        ASSERT_TRUE(log_.Create(
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL | ES_MULTILINE, r,
            &dialog_, 9100));
        PumpDialogMessages();
    }
    // Appends one log line as the progress window does: converted with both
    // kinds of codes, then bold off, black, 180 twips and a line break.
    void Line(const wchar_t* text)
    {
        log_.AppendFormatted(ConvertMarkup(text, TRUE, TRUE), TRUE);
        log_.AppendFormatted(CString(L"\x07>\x07N\x07"
                                     L"1\r"),
                             TRUE);
    }
    CHARFORMAT2W At(long position)
    {
        log_.SetSel(position, position + 1);
        CHARFORMAT2W cf;
        log_.GetSelectionCharFormat(cf);
        return cf;
    }
    std::wstring Text()
    {
        CString text;
        log_.GetWindowText(text);
        return text.str();
    }
    HRichEditCtrlFmt log_;
};

TEST(MarkupTest, ConvertMarkupTurnsCodesIntoMarkers)
{
    struct Case {
        const wchar_t* text;
        BOOL letters, sizes;
        const wchar_t* converted;
    };
    const Case cases[] = {
        {L"plain text", TRUE, TRUE, L"plain text"},
        {L"@@RError@@N ok", TRUE, TRUE, L"\x07RError\x07N ok"},
        {L"@@r", TRUE, TRUE, L"\x07R"},
        {L"@@0", TRUE, TRUE, L"@@0"},
        {L"a@@@Bb", TRUE, TRUE,
         L"a@\x07"
         L"Bb"},
        {L"@@<bold@@> plain", TRUE, TRUE, L"\x07<bold\x07> plain"},
        {L"@@-small", TRUE, TRUE, L"\x07-small"},
        {L"@@5big", TRUE, TRUE,
         L"\x07"
         L"5big"},
        {L"@@5big", TRUE, FALSE, L"@@5big"},
        {L"@@Rred@@5", FALSE, TRUE,
         L"@@Rred\x07"
         L"5"},
        {L"@@", TRUE, TRUE, L"@@"},
        {L"x@@", TRUE, TRUE, L"x@@"},
        {L"@@@@G", TRUE, TRUE, L"@@\x07G"},
        {L"@@가나", TRUE, TRUE, L"@@가나"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::wstring(c.converted), ConvertMarkup(c.text, c.letters, c.sizes).str()) << WideToUtf8(c.text);
}

TEST(MarkupTest, LetterColoursAsTheTableGivesThem)
{
    struct Case {
        wchar_t letter;
        COLORREF colour;
    };
    for (const Case& c : {Case{L'A', RGB(0x99, 0x32, 0xCC)}, Case{L'B', RGB(0, 0, 0xFF)}, Case{L'N', RGB(0, 0, 0)},
                          Case{L'R', RGB(0xFF, 0, 0)}, Case{L'Z', RGB(0xDC, 0x14, 0x3C)}, Case{L'Y', RGB(0, 0, 0x80)},
                          Case{L'a', RGB(0, 0, 0)}})
        EXPECT_EQ(c.colour, MarkupColor(c.letter)) << static_cast<char>(c.letter);
}

TEST_F(LogViewTest, CodesColourEmboldenAndSizeTheTextAfterThem)
{
    EXPECT_TRUE(log_.GetExStyle() & WS_EX_CLIENTEDGE);
    EXPECT_EQ(RGB(248, 248, 248), log_.SetBackgroundColor(FALSE, RGB(248, 248, 248)));
    Line(L"@@RError@@N ok");
    Line(L"@@<bold@@> plain");
    Line(L"@@5@@BBig blue");
    Line(L"a@@@Bb");
    Line(L"@@rsame red@@0");
    Line(L"@@-small");
    EXPECT_EQ(L"Error ok\r\nbold plain\r\nBig blue\r\na@b\r\nsame red@@0\r\nsmall\r\n", Text());

    struct Expect {
        long at;
        COLORREF colour;
        bool bold;
        LONG height;
    };
    const Expect expected[] = {
        {0, RGB(255, 0, 0), false, 0},     // "Error" in red, the default height
        {6, RGB(0, 0, 0), false, 0},       // "ok" in black
        {9, RGB(0, 0, 0), true, 180},      // "bold"
        {14, RGB(0, 0, 0), false, 180},    // "plain"
        {20, RGB(0, 0, 255), false, 460},  // "Big blue"
        {29, RGB(0, 0, 0), false, 180},    // "a@"
        {31, RGB(0, 0, 255), false, 180},  // "b" in blue
        {33, RGB(255, 0, 0), false, 180},  // "same red@@0"
        {45, RGB(0, 0, 0), false, 145},    // "small"
    };
    for (const Expect& e : expected) {
        CHARFORMAT2W cf = At(e.at);
        EXPECT_EQ(e.colour, cf.crTextColor) << e.at;
        EXPECT_EQ(e.bold, (cf.dwEffects & CFE_BOLD) != 0) << e.at;
        if (e.height) {
            EXPECT_EQ(e.height, cf.yHeight) << e.at;
        }
    }
    log_.SetSel(0, 0);
    SaveShot(DialogDriver(dialog_.m_hWnd), "log_view");
}

TEST_F(LogViewTest, AppendingReplacingAndNothing)
{
    log_.AppendFormatted(static_cast<const wchar_t*>(nullptr), TRUE);
    EXPECT_EQ(L"", Text());
    log_.AppendText(L"one", TRUE);
    log_.AppendText(L" two", TRUE);
    EXPECT_EQ(L"one two", Text());
    // Without the append flag the first piece replaces the whole text; the
    // pieces after it are appended.
    log_.AppendFormatted(ConvertMarkup(L"new@@Gtext", TRUE, TRUE), FALSE);
    EXPECT_EQ(L"newtext", Text());
    EXPECT_EQ(RGB(0, 0x64, 0), At(3).crTextColor);
    // A marker at the very end applies to text written later.
    log_.AppendFormatted(CString(L"\x07"), TRUE);
    log_.AppendFormatted(CString(L"!"), TRUE);
    EXPECT_EQ(L"newtext!", Text());
}

}  // namespace
