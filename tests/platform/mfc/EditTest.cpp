// Edit controls: which changes notify (EN_CHANGE also for WM_SETTEXT on a
// single line, never for moving the selection), the user's typing through
// the real widget, the clipboard messages and the line messages.
#include <map>

#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/StandardCtrls.h"

using namespace mfc_test;

namespace {

class EditDialog : public CDialog {
public:
    EditDialog() : CDialog(IDD_SAMPLE) {}
    std::map<std::pair<int, int>, int> notes;  // (control, code) -> count
    int Count(int id, WORD code) const
    {
        auto it = notes.find({id, code});
        return it == notes.end() ? 0 : it->second;
    }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (lParam) ++notes[{LOWORD(wParam), HIWORD(wParam)}];
        return CDialog::OnCommand(wParam, lParam);
    }
};

class EditTest : public MfcTest {
public:
    void SetUp() override
    {
        MfcTest::SetUp();
        ASSERT_TRUE(dialog_.Create(IDD_SAMPLE));
        dialog_.ShowWindow(SW_SHOW);
        PumpDialogMessages();
        dialog_.notes.clear();
        name_ = GetDlgItem(dialog_.m_hWnd, IDC_NAME);
        multi_ = GetDlgItem(dialog_.m_hWnd, IDC_NOTES);
    }
    void TearDown() override
    {
        dialog_.DestroyWindow();
        MfcTest::TearDown();
    }
    std::wstring Text(HWND h)
    {
        CString t;
        CWnd(h).GetWindowText(t);
        return t.str();
    }
    void Type(HWND h, const std::wstring& text)
    {
        SetFocus(h);
        for (wchar_t c : text) {
            InjectKey(0xDF, true, c);
            InjectKey(0xDF, false);
        }
        PumpDialogMessages();
    }
    EditDialog dialog_;
    HWND name_ = nullptr;
    HWND multi_ = nullptr;
};

TEST_F(EditTest, ChangeNotificationsFollowTheSystemRules)
{
    struct Case {
        const char* what;
        std::function<void(EditTest&)> act;
        int id;
        int changes;
    };
    const Case cases[] = {
        {"WM_SETTEXT on a single line", [](EditTest& t) { SetWindowTextW(t.name_, L"abc"); }, IDC_NAME, 1},
        {"WM_SETTEXT on a multi-line edit", [](EditTest& t) { SetWindowTextW(t.multi_, L"a\r\nb"); }, IDC_NOTES, 0},
        {"EM_REPLACESEL", [](EditTest& t) { SendMessageW(t.name_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(L"x")); },
         IDC_NAME, 1},
        {"EM_REPLACESEL on a multi-line edit",
         [](EditTest& t) { SendMessageW(t.multi_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(L"x")); }, IDC_NOTES, 1},
        {"EM_SETSEL", [](EditTest& t) { SendMessageW(t.name_, EM_SETSEL, 0, 3); }, IDC_NAME, 0},
        {"typing two characters", [](EditTest& t) { t.Type(t.name_, L"hé"); }, IDC_NAME, 2},
        {"typing into the multi-line edit", [](EditTest& t) { t.Type(t.multi_, L"z"); }, IDC_NOTES, 1},
        {"EM_LIMITTEXT", [](EditTest& t) { SendMessageW(t.name_, EM_LIMITTEXT, 3, 0); }, IDC_NAME, 0},
    };
    for (const Case& c : cases) {
        dialog_.notes.clear();
        c.act(*this);
        PumpDialogMessages();
        EXPECT_EQ(c.changes, dialog_.Count(c.id, EN_CHANGE)) << c.what;
        EXPECT_EQ(c.changes, dialog_.Count(c.id, EN_UPDATE)) << c.what;
    }
}

TEST_F(EditTest, TypedTextReachesTheControlThroughTheWidget)
{
    SetWindowTextW(name_, L"");
    Type(name_, L"Rivo 한글");
    EXPECT_EQ(L"Rivo 한글", Text(name_));
    // Backspace goes to the widget as a key.
    InjectKey(VK_BACK, true, L'\b');
    InjectKey(VK_BACK, false);
    PumpDialogMessages();
    EXPECT_EQ(L"Rivo 한", Text(name_));
    DWORD start = 0, end = 0;
    SendMessageW(name_, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(6u, start);
    EXPECT_EQ(6u, end);
    EXPECT_TRUE(SendMessageW(name_, EM_GETMODIFY, 0, 0));
}

TEST_F(EditTest, FocusChangesNotify)
{
    SetFocus(multi_);
    dialog_.notes.clear();
    SetFocus(name_);
    SetFocus(multi_);
    EXPECT_EQ(1, dialog_.Count(IDC_NAME, EN_SETFOCUS));
    EXPECT_EQ(1, dialog_.Count(IDC_NAME, EN_KILLFOCUS));
    EXPECT_EQ(1, dialog_.Count(IDC_NOTES, EN_SETFOCUS));
    EXPECT_EQ(1, dialog_.Count(IDC_NOTES, EN_KILLFOCUS));
}

TEST_F(EditTest, ClipboardMessagesUseTheClipboardService)
{
    SetWindowTextW(name_, L"hello world");
    SendMessageW(name_, EM_SETSEL, 0, 5);
    SendMessageW(name_, WM_COPY, 0, 0);
    ASSERT_TRUE(clipboard_.content.has_value());
    EXPECT_EQ(L"hello", *clipboard_.content);
    SendMessageW(name_, WM_CUT, 0, 0);
    EXPECT_EQ(L" world", Text(name_));
    SendMessageW(name_, EM_SETSEL, 6, 6);
    SendMessageW(name_, WM_PASTE, 0, 0);
    EXPECT_EQ(
        L" world"
        L"hello",
        Text(name_));
    // Ctrl+C typed by the user goes through the same service.
    clipboard_.content = std::nullopt;
    SetFocus(name_);
    SendMessageW(name_, EM_SETSEL, 0, 3);
    InjectKey(VK_CONTROL, true);
    InjectKey('C', true);
    InjectKey('C', false);
    InjectKey(VK_CONTROL, false);
    PumpDialogMessages();
    ASSERT_TRUE(clipboard_.content.has_value());
    EXPECT_EQ(L" wo", *clipboard_.content);
    // A read-only edit copies but neither cuts nor pastes.
    SendMessageW(name_, EM_SETREADONLY, TRUE, 0);
    EXPECT_TRUE(GetWindowLongW(name_, GWL_STYLE) & ES_READONLY);
    SendMessageW(name_, WM_CUT, 0, 0);
    SendMessageW(name_, WM_PASTE, 0, 0);
    EXPECT_EQ(L" worldhello", Text(name_));
    // The user limit cuts what is pasted and reports it.
    SendMessageW(name_, EM_SETREADONLY, FALSE, 0);
    SendMessageW(name_, EM_LIMITTEXT, 13, 0);
    clipboard_.content = L"12345";
    SendMessageW(name_, EM_SETSEL, 11, 11);
    dialog_.notes.clear();
    SendMessageW(name_, WM_PASTE, 0, 0);
    EXPECT_EQ(L" worldhello12", Text(name_));
    EXPECT_EQ(1, dialog_.Count(IDC_NAME, EN_MAXTEXT));
}

TEST_F(EditTest, LineMessagesCountCarriageReturnLineFeedLines)
{
    SetWindowTextW(multi_, L"one\r\ntwo two\r\n\r\nfour");
    CEdit edit;
    ASSERT_TRUE(edit.SubclassWindow(multi_));
    EXPECT_EQ(4, edit.GetLineCount());
    EXPECT_EQ(0, edit.LineIndex(0));
    EXPECT_EQ(5, edit.LineIndex(1));
    EXPECT_EQ(14, edit.LineIndex(2));
    EXPECT_EQ(16, edit.LineIndex(3));
    EXPECT_EQ(-1, edit.LineIndex(4));
    EXPECT_EQ(7, edit.LineLength(6));
    EXPECT_EQ(0, edit.LineLength(14));
    EXPECT_EQ(3, edit.LineFromChar(16));
    wchar_t buffer[16] = {};
    EXPECT_EQ(3, edit.GetLine(1, buffer, 3));
    EXPECT_EQ(std::wstring(L"two"), std::wstring(buffer, 3));
    edit.SetSel(5, 8);
    int start = 0, end = 0;
    edit.GetSel(start, end);
    EXPECT_EQ(5, start);
    EXPECT_EQ(8, end);
    // The widget shows the same text with its own line breaks.
    edit.ReplaceSel(L"TWO");
    EXPECT_EQ(L"one\r\nTWO two\r\n\r\nfour", Text(multi_));
    edit.UnsubclassWindow();
    // A single-line edit is one line whatever it holds.
    SetWindowTextW(name_, L"a\r\nb");
    EXPECT_EQ(1, SendMessageW(name_, EM_GETLINECOUNT, 0, 0));
}

}  // namespace
