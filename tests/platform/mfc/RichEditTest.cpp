// The rich-edit control: formats applied by selection (and to the text put
// at an empty selection), paragraph breaks as one character, line messages,
// hidden selection, copying, and change notices by the event mask.
#include <QScrollBar>
#include <QTextEdit>

#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/RichEditCtrl.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/SystemModules.h"
#include "platform/win32/gui/QtAccess.h"

using namespace mfc_test;

namespace {

class LogDialog : public CDialog {
public:
    LogDialog() : CDialog(IDD_LOG) {}
    CRichEditCtrl log;
    int changes = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override { DDX_Control(dx, IDC_LOG, log); }
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (HIWORD(wParam) == EN_CHANGE) ++changes;
        return CDialog::OnCommand(wParam, lParam);
    }
};

class RichEditTest : public MfcTest {
public:
    void SetUp() override
    {
        MfcTest::SetUp();
        ASSERT_TRUE(dialog_.Create(IDD_LOG));
        dialog_.ShowWindow(SW_SHOW);
        PumpDialogMessages();
    }
    void TearDown() override
    {
        dialog_.DestroyWindow();
        MfcTest::TearDown();
    }
    // Appends at the end in a colour, bold or not, at a height in twips.
    void Append(const wchar_t* text, COLORREF colour, bool bold, LONG twips)
    {
        long end = dialog_.log.GetTextLengthEx(GTL_DEFAULT);
        dialog_.log.SetSel(end, end);
        CHARFORMAT2W cf;
        cf.dwMask = CFM_COLOR | CFM_BOLD | CFM_SIZE;
        cf.crTextColor = colour;
        cf.dwEffects = bold ? CFE_BOLD : 0;
        cf.yHeight = twips;
        dialog_.log.SetSelectionCharFormat(cf);
        dialog_.log.ReplaceSel(text);
    }
    CHARFORMAT2W FormatOf(long from, long to)
    {
        dialog_.log.SetSel(from, to);
        CHARFORMAT2W cf;
        dialog_.log.GetSelectionCharFormat(cf);
        return cf;
    }
    LogDialog dialog_;
};

TEST_F(RichEditTest, FormatsFollowTheSelectionAndTheInsertionPoint)
{
    dialog_.log.SetBackgroundColor(FALSE, RGB(248, 248, 248));
    Append(L"Error", RGB(255, 0, 0), true, 460);
    Append(L" ok\r\n", RGB(0, 0, 0), false, 180);
    Append(L"next", RGB(0, 0, 255), false, 180);
    EXPECT_EQ(2, dialog_.log.GetLineCount());
    CHARFORMAT2W error = FormatOf(0, 5);
    EXPECT_EQ(RGB(255, 0, 0), error.crTextColor);
    EXPECT_TRUE(error.dwEffects & CFE_BOLD);
    EXPECT_EQ(460, error.yHeight);
    CHARFORMAT2W ok = FormatOf(6, 8);
    EXPECT_EQ(RGB(0, 0, 0), ok.crTextColor);
    EXPECT_FALSE(ok.dwEffects & CFE_BOLD);
    EXPECT_EQ(180, ok.yHeight);
    EXPECT_EQ(RGB(0, 0, 255), FormatOf(9, 13).crTextColor);
    EXPECT_EQ(RGB(248, 248, 248), dialog_.log.SetBackgroundColor(FALSE, RGB(250, 250, 250)));
    dialog_.log.SetSel(-1, 0);
    PumpDialogMessages();
    QWidget* window = GetWindowQWidget(dialog_.m_hWnd);
    gui_test::SaveScreenshot(window->grab().toImage(), "mfc_rich_edit_log");
}

TEST_F(RichEditTest, InsertionPointKeepsItsFormatWhenSetWhereItIs)
{
    Append(L"plain ", RGB(0, 0, 0), false, 180);
    long end = dialog_.log.GetTextLengthEx(GTL_DEFAULT);
    dialog_.log.SetSel(end, end);
    CHARFORMAT2W red;
    red.dwMask = CFM_COLOR;
    red.crTextColor = RGB(255, 0, 0);
    dialog_.log.SetSelectionCharFormat(red);
    // Setting the insertion point where it is keeps the format; moving it
    // away and back does not.
    dialog_.log.SetSel(end, end);
    dialog_.log.ReplaceSel(L"red");
    EXPECT_EQ(RGB(255, 0, 0), FormatOf(end, end + 3).crTextColor);
    end += 3;
    dialog_.log.SetSel(end, end);
    CHARFORMAT2W blue;
    blue.dwMask = CFM_COLOR;
    blue.crTextColor = RGB(0, 0, 255);
    dialog_.log.SetSelectionCharFormat(blue);
    dialog_.log.SetSel(0, 0);
    dialog_.log.SetSel(end, end);
    dialog_.log.ReplaceSel(L"again");
    EXPECT_EQ(RGB(255, 0, 0), FormatOf(end, end + 5).crTextColor);
}

TEST_F(RichEditTest, ParagraphBreaksCountAsOneCharacter)
{
    dialog_.log.SetWindowText(L"ab\r\ncd\r\nefg");
    EXPECT_EQ(3, dialog_.log.GetLineCount());
    EXPECT_EQ(3, dialog_.log.LineIndex(1));
    EXPECT_EQ(6, dialog_.log.LineIndex(2));
    EXPECT_EQ(-1, dialog_.log.LineIndex(3));
    EXPECT_EQ(3, dialog_.log.LineLength(7));
    EXPECT_EQ(1, dialog_.log.LineFromChar(4));
    EXPECT_EQ(11, dialog_.log.GetTextLength());              // WM_GETTEXTLENGTH counts "\r\n"
    EXPECT_EQ(9, dialog_.log.GetTextLengthEx(GTL_DEFAULT));  // the control's own count
    EXPECT_EQ(11, dialog_.log.GetTextLengthEx(GTL_USECRLF));
    // The first line with its break goes, as the log trims itself.
    dialog_.log.SetSel(0, dialog_.log.LineIndex(1));
    dialog_.log.ReplaceSel(L"");
    EXPECT_EQ(2, dialog_.log.GetLineCount());
    CString text;
    dialog_.log.GetWindowText(text);
    EXPECT_EQ(L"cd\r\nefg", text.str());
    dialog_.log.SetSel(3, 5);
    EXPECT_EQ(L"ef", dialog_.log.GetSelText().str());
}

TEST_F(RichEditTest, CopyHidingAndScrolling)
{
    std::wstring many;
    for (int i = 0; i < 200; ++i) many += L"line " + std::to_wstring(i) + L"\r\n";
    dialog_.log.SetWindowText(many.c_str());
    PumpDialogMessages();
    EXPECT_EQ(201, dialog_.log.GetLineCount());
    dialog_.log.SetSel(0, -1);
    dialog_.log.Copy();
    ASSERT_TRUE(clipboard_.content.has_value());
    EXPECT_EQ(many, *clipboard_.content);
    auto* edit = GetWindowQWidget(dialog_.log.m_hWnd)->findChild<QTextEdit*>();
    ASSERT_NE(nullptr, edit);
    // A hidden selection is the control's, not drawn by the widget.
    dialog_.log.HideSelection(TRUE, FALSE);
    EXPECT_FALSE(edit->textCursor().hasSelection());
    long from = -1, to = -1;
    dialog_.log.GetSel(from, to);
    EXPECT_EQ(0, from);
    EXPECT_EQ(dialog_.log.GetTextLengthEx(GTL_DEFAULT), to);
    dialog_.log.HideSelection(FALSE, FALSE);
    EXPECT_TRUE(edit->textCursor().hasSelection());
    dialog_.log.SetSel(0, 0);
    dialog_.log.LineScroll(50);
    EXPECT_GE(dialog_.log.GetFirstVisibleLine(), 40);
    dialog_.log.LineScroll(-dialog_.log.GetLineCount());
    EXPECT_EQ(0, dialog_.log.GetFirstVisibleLine());
    EXPECT_EQ(0, edit->verticalScrollBar()->value());
}

// Text selected while the selection is hidden (as a log selects all of
// itself to copy it) keeps its own colours on the screen: the picture of
// the control is the same before and after.
TEST_F(RichEditTest, AHiddenSelectionLeavesTheTextAsItShows)
{
    dialog_.log.SetBackgroundColor(FALSE, RGB(248, 248, 248));
    Append(L"Heading\r\n", RGB(0, 0, 255), true, 400);
    Append(L"plain text", RGB(0, 0, 0), false, 180);
    dialog_.log.HideSelection(TRUE, FALSE);
    dialog_.log.SetSel(-1, 0);
    PumpDialogMessages();
    QWidget* log = GetWindowQWidget(dialog_.log.m_hWnd);
    ASSERT_NE(nullptr, log);
    auto blue = [&] {
        const QImage picture = log->grab().toImage();
        int count = 0;
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x) {
                const QColor c = picture.pixelColor(x, y);
                count += c.blue() > 160 && c.red() < 90 && c.green() < 90;
            }
        return count;
    };
    const QImage before = log->grab().toImage();
    const int blueBefore = blue();
    ASSERT_GT(blueBefore, 20) << "the heading shows blue";
    dialog_.log.SetSel(0, -1);
    dialog_.log.Copy();
    PumpDialogMessages();
    ASSERT_TRUE(clipboard_.content.has_value());
    EXPECT_EQ(L"Heading\r\nplain text", *clipboard_.content);
    EXPECT_EQ(blueBefore, blue());
    EXPECT_TRUE(before == log->grab().toImage()) << "copying changed what the control shows";
    gui_test::SaveScreenshot(GetWindowQWidget(dialog_.m_hWnd)->grab().toImage(), "mfc_rich_edit_hidden_selection");
}

TEST_F(RichEditTest, UserEditsNotifyAsTheEventMaskSays)
{
    CRichEditCtrl editable;
    ASSERT_TRUE(editable.Create(WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_MULTILINE, CRect(0, 0, 100, 40), &dialog_, 77));
    SetFocus(editable.m_hWnd);
    auto type = [&](wchar_t c) {
        InjectKey(0xDF, true, c);
        InjectKey(0xDF, false);
        PumpDialogMessages();
    };
    type(L'a');
    EXPECT_EQ(0, dialog_.changes);
    editable.SetEventMask(ENM_CHANGE);
    type(L'b');
    EXPECT_EQ(1, dialog_.changes);
    editable.ReplaceSel(L"c");  // the program's own change
    EXPECT_EQ(1, dialog_.changes);
    CString text;
    editable.GetWindowText(text);
    EXPECT_EQ(L"abc", text.str());
}

}  // namespace

namespace {

// The rich-edit library is loaded by name, in any letter case, before its
// windows are made; it is one of the system modules and has no file.
TEST(RichEditModuleTest, LibraryLoadsByNameWithoutAFile)
{
    for (const wchar_t* name : {L"RICHED20.DLL", L"riched20.dll"}) {
        HMODULE module = LoadLibraryW(name);
        ASSERT_NE(nullptr, module) << WideToUtf8(name);
        EXPECT_TRUE(IsSystemModule(module));
        EXPECT_EQ(nullptr, GetProcAddress(module, "CreateTextServices"));
        EXPECT_TRUE(FreeLibrary(module));
    }
}

}  // namespace
