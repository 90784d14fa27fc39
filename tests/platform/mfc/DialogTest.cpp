// Dialogs from resources: modal runs driven by control id, Enter and Escape,
// data exchange and validation, the modal loop serving posted messages and
// timers, nesting, modeless dialogs that delete themselves, and reflection.
#include <gtest/gtest-spi.h>

#include <string>
#include <thread>
#include <vector>

#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/StandardCtrls.h"
#include "platform/win32/gui/Dialog.h"

using namespace mfc_test;

namespace {

constexpr UINT kPing = WM_APP + 1;

class SampleDialog : public CDialog {
public:
    explicit SampleDialog(CWnd* parent = nullptr) : CDialog(IDD_SAMPLE, parent) {}

    CString name = L"initial";
    int count = 5;
    int again = 0;
    int quality = 1;
    CString notes = L"First line\r\nSecond line";
    std::vector<std::string> events;
    std::function<void(SampleDialog&)> onInit;
    INT_PTR secondResult = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Text(dx, IDC_NAME, name);
        DDX_Text(dx, IDC_COUNT, count);
        DDV_MinMaxInt(dx, count, 1, 99);
        DDX_Check(dx, IDC_AGAIN, again);
        DDX_Radio(dx, IDC_LOW, quality);
        DDX_Text(dx, IDC_NOTES, notes);
    }
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        events.push_back("init");
        if (onInit) onInit(*this);
        return TRUE;
    }
    void OnOK() override
    {
        events.push_back("ok");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        events.push_back("cancel");
        CDialog::OnCancel();
    }
    void OnApply()
    {
        events.push_back("apply");
        CDialog second(IDD_SECOND, this);
        secondResult = second.DoModal();
    }
    void OnTimer(UINT_PTR id)
    {
        events.push_back("timer " + std::to_string(id));
        KillTimer(id);
    }
    LRESULT OnPing(WPARAM wParam, LPARAM)
    {
        events.push_back("ping " + std::to_string(wParam));
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(SampleDialog, CDialog)
ON_BN_CLICKED(IDC_APPLY, &SampleDialog::OnApply)
ON_WM_TIMER()
ON_MESSAGE(kPing, &SampleDialog::OnPing)
END_MESSAGE_MAP()

class DialogTest : public MfcTest {};

TEST_F(DialogTest, SampleDialogIsDrivenByControlId)
{
    SampleDialog dialog;
    driver_.Expect(IDD_SAMPLE, [](DialogDriver& d) {
        EXPECT_EQ(L"initial", d.Text(IDC_NAME));
        EXPECT_EQ(L"5", d.Text(IDC_COUNT));
        EXPECT_TRUE(d.IsChecked(IDC_MEDIUM));
        d.Type(IDC_NAME, L"Movie night");
        d.Type(IDC_COUNT, L"42");
        d.Click(IDC_AGAIN);
        d.Click(IDC_HIGH);
        EXPECT_FALSE(d.IsChecked(IDC_MEDIUM));
        QImage shot = d.Screenshot();
        EXPECT_FALSE(shot.isNull());
        EXPECT_GT(shot.width(), 200);
        gui_test::SaveScreenshot(shot, "mfc_sample_dialog");
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(L"Movie night", dialog.name.str());
    EXPECT_EQ(42, dialog.count);
    EXPECT_EQ(1, dialog.again);
    EXPECT_EQ(2, dialog.quality);
    EXPECT_EQ((std::vector<std::string>{"init", "ok"}), dialog.events);
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ((std::vector<int>{IDD_SAMPLE}), driver_.seen);
}

TEST_F(DialogTest, EnterAndEscapeReachOkAndCancel)
{
    struct Case {
        const char* name;
        int focus;
        WORD key;
        INT_PTR result;
        const char* handler;
    };
    const Case cases[] = {
        {"Enter in an edit presses the default button", IDC_NAME, VK_RETURN, IDOK, "ok"},
        {"Escape in an edit cancels", IDC_NAME, VK_ESCAPE, IDCANCEL, "cancel"},
        {"Enter on a focused push button presses it", IDCANCEL, VK_RETURN, IDCANCEL, "cancel"},
        {"Enter on a check box presses the default button", IDC_AGAIN, VK_RETURN, IDOK, "ok"},
        {"Escape on a radio button cancels", IDC_LOW, VK_ESCAPE, IDCANCEL, "cancel"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleDialog dialog;
        driver_.Expect(IDD_SAMPLE, [&](DialogDriver& d) {
            d.Focus(c.focus);
            d.Key(c.key, c.key == VK_RETURN ? L'\r' : 0x1B);
        });
        EXPECT_EQ(c.result, dialog.DoModal());
        EXPECT_EQ(c.handler, dialog.events.back());
    }
}

TEST_F(DialogTest, ChildDialogsArePlainChildWindows)
{
    struct Case {
        const char* name;
        int resource;
        int edit;
        // Where Tab goes from the parent's last control.
        bool tabEntersChild;
        // Escape in the child's edit cancels the parent (else the child).
        bool escapeCancelsParent;
    };
    const Case cases[] = {
        {"a plain child dialog keeps its keys", IDD_PAGE, IDC_PAGE_EDIT, false, false},
        {"a child dialog that is part of its parent", IDD_PART, IDC_PART_EDIT, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SampleDialog dialog;
        bool childHidden = false;
        driver_.Expect(IDD_SAMPLE, [&](DialogDriver& d) {
            CDialog child(c.resource, &dialog);
            ASSERT_TRUE(child.Create(c.resource, &dialog));
            child.MoveWindow(8, 8, 120, 30);
            child.ShowWindow(SW_SHOW);
            d.Pump();
            EXPECT_TRUE(GetWindowLongW(child.m_hWnd, GWL_STYLE) & WS_CHILD);
            EXPECT_EQ(d.Dialog(), GetParent(child.m_hWnd));
            // It runs in the parent's loop and takes nothing from the parent.
            EXPECT_TRUE(IsWindowEnabled(d.Dialog()));
            DialogDriver part(child.m_hWnd);
            HWND edit = part.Item(c.edit);
            d.Focus(IDCANCEL);
            d.Key(VK_TAB);
            EXPECT_EQ(c.tabEntersChild ? edit : d.Item(IDC_NAME), GetFocus());
            part.Focus(c.edit);
            if (c.tabEntersChild) {
                part.Key(VK_TAB);
                EXPECT_EQ(d.Item(IDC_NAME), GetFocus());
                part.Focus(c.edit);
            }
            part.PressEscape();
            childHidden = !(GetWindowLongW(child.m_hWnd, GWL_STYLE) & WS_VISIBLE);
            if (!c.escapeCancelsParent) d.Cancel();
            child.DestroyWindow();
        });
        EXPECT_EQ(IDCANCEL, dialog.DoModal());
        EXPECT_EQ((std::vector<std::string>{"init", "cancel"}), dialog.events);
        EXPECT_EQ(!c.escapeCancelsParent, childHidden);
    }
}

TEST_F(DialogTest, EnterInAMultiLineEditThatWantsItBreaksTheLine)
{
    SampleDialog dialog;
    driver_.Expect(IDD_SAMPLE, [](DialogDriver& d) {
        d.Focus(IDC_NOTES);
        SendMessageW(d.Item(IDC_NOTES), EM_SETSEL, 10, 10);  // after "First line"
        d.PressEnter();
        d.Key('X', L'x');
        EXPECT_EQ(L"First line\r\nx\r\nSecond line", d.Text(IDC_NOTES));
        d.PressEscape();
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ((std::vector<std::string>{"init", "cancel"}), dialog.events);
}

TEST_F(DialogTest, ValidationRefusesAndKeepsTheDialogOpen)
{
    SampleDialog dialog;
    driver_.Expect(IDD_SAMPLE, [&](DialogDriver& d) {
        d.Type(IDC_NAME, L"kept");
        d.Type(IDC_COUNT, L"0");
        d.Ok();
        ASSERT_EQ(1u, answers_.questions.size());
        EXPECT_EQ(L"Enter a whole number from 1 to 99.", answers_.questions[0].text);
        EXPECT_TRUE(IsWindowVisible(d.Dialog()));
        EXPECT_EQ(d.Item(IDC_COUNT), GetFocus());
        DWORD start = 0, end = 0;
        SendMessageW(d.Item(IDC_COUNT), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(1u, end);
        // Letters never get into a number edit.
        d.Type(IDC_COUNT, L"x7");
        EXPECT_EQ(L"7", d.Text(IDC_COUNT));
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(7, dialog.count);
    EXPECT_EQ(L"kept", dialog.name.str());
    EXPECT_EQ((std::vector<std::string>{"init", "ok", "ok"}), dialog.events);
}

TEST_F(DialogTest, ModalLoopServesPostedMessagesTimersAndOtherThreads)
{
    SampleDialog dialog;
    dialog.onInit = [](SampleDialog& self) {
        self.PostMessage(kPing, 1);
        self.SetTimer(7, 100);
    };
    driver_.Expect(IDD_SAMPLE, [&](DialogDriver& d) {
        EXPECT_EQ((std::vector<std::string>{"init", "ping 1"}), dialog.events);
        clock_.Advance(150);
        d.Pump();
        std::thread worker([h = d.Dialog()] { PostMessageW(h, kPing, 2, 0); });
        worker.join();
        d.Pump();
        d.Ok();
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ((std::vector<std::string>{"init", "ping 1", "timer 7", "ping 2", "ok"}), dialog.events);
}

TEST_F(DialogTest, EndDialogDuringInitialisationEndsBeforeTheLoop)
{
    SampleDialog dialog;
    bool shownDuringInit = true;
    dialog.onInit = [&](SampleDialog& self) {
        shownDuringInit = self.IsWindowVisible();
        self.EndDialog(77);
    };
    EXPECT_EQ(77, dialog.DoModal());
    EXPECT_FALSE(shownDuringInit);
    EXPECT_TRUE(driver_.seen.empty());
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST_F(DialogTest, NestedModalDialogDisablesItsOwnerUntilItEnds)
{
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, L"owner", WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    SampleDialog dialog(&owner);
    HWND sampleWindow = nullptr;
    driver_.Expect(IDD_SAMPLE, [&](DialogDriver& d) {
        sampleWindow = d.Dialog();
        EXPECT_FALSE(owner.IsWindowEnabled());
        d.Click(IDC_APPLY);
        EXPECT_TRUE(IsWindowEnabled(d.Dialog()));
        EXPECT_EQ(d.Dialog(), GetActiveWindow());
        d.Cancel();
    });
    driver_.Expect(IDD_SECOND, [&](DialogDriver& d) {
        EXPECT_FALSE(IsWindowEnabled(sampleWindow));
        EXPECT_EQ(sampleWindow, GetWindow(d.Dialog(), GW_OWNER));
        EXPECT_EQ(L"두 번째 창 🙂", d.Text(IDC_SECOND_TEXT));
        d.Ok();
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(IDOK, dialog.secondResult);
    EXPECT_TRUE(owner.IsWindowEnabled());
    EXPECT_EQ((std::vector<int>{IDD_SAMPLE, IDD_SECOND}), driver_.seen);
    EXPECT_EQ((std::vector<std::string>{"init", "apply", "cancel"}), dialog.events);
}

// A modeless window that owns itself, as the progress window does.
class SelfDeletingDialog : public CDialog {
public:
    explicit SelfDeletingDialog(std::vector<std::string>* log) : log_(log) {}
    ~SelfDeletingDialog() override { log_->push_back("deleted"); }

protected:
    void OnCancel() override
    {
        log_->push_back("cancel");
        DestroyWindow();
    }
    void OnDestroy()
    {
        log_->push_back("destroy");
        CDialog::OnDestroy();
    }
    void PostNcDestroy() override
    {
        log_->push_back("post nc destroy");
        delete this;
    }
    DECLARE_MESSAGE_MAP()

private:
    std::vector<std::string>* log_;
};

BEGIN_MESSAGE_MAP(SelfDeletingDialog, CDialog)
ON_WM_DESTROY()
END_MESSAGE_MAP()

TEST_F(DialogTest, ModelessDialogDeletesItselfAfterItsWindowIsGone)
{
    std::vector<std::string> log;
    auto* dialog = new SelfDeletingDialog(&log);
    ASSERT_TRUE(dialog->Create(IDD_SECOND));
    HWND h = dialog->m_hWnd;
    EXPECT_FALSE(IsWindowVisible(h));  // the resource is not visible
    dialog->ShowWindow(SW_SHOW);
    EXPECT_EQ(h, FindDialogByResourceId(IDD_SECOND));
    // Escape reaches OnCancel through the caller's loop, which destroys it.
    SetFocus(GetDlgItem(h, IDOK));
    InjectKey(VK_ESCAPE, true, 0x1B);
    InjectKey(VK_ESCAPE, false);
    PumpDialogMessages();
    EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ((std::vector<std::string>{"cancel", "destroy", "post nc destroy", "deleted"}), log);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
}

TEST_F(DialogTest, EndDialogHidesAModelessDialog)
{
    SampleDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SAMPLE));
    dialog.ShowWindow(SW_SHOW);
    CString text;
    dialog.GetDlgItem(IDC_NAME)->GetWindowText(text);
    EXPECT_EQ(L"initial", text.str());
    dialog.EndDialog(IDCANCEL);
    EXPECT_TRUE(dialog.IsWindow());
    EXPECT_FALSE(dialog.IsWindowVisible());
    EXPECT_EQ(IDCANCEL, dialog.m_nModalResult);
}

// An edit that handles its own change notification; the _EX form lets the
// parent see it as well.
class ReflectingEdit : public CEdit {
public:
    int changes = 0;
    BOOL parentToo = FALSE;

protected:
    void OnOwnChange() { ++changes; }
    BOOL OnOwnChangeEx()
    {
        ++changes;
        return !parentToo;
    }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ReflectingEdit, CEdit)
ON_CONTROL_REFLECT_EX(EN_CHANGE, &ReflectingEdit::OnOwnChangeEx)
END_MESSAGE_MAP()

class ReflectionDialog : public SampleDialog {
public:
    ReflectingEdit name;
    int parentChanges = 0;

protected:
    void DoDataExchange(CDataExchange* dx) override
    {
        DDX_Control(dx, IDC_NAME, name);
        SampleDialog::DoDataExchange(dx);
    }
    void OnNameChange() { ++parentChanges; }
    DECLARE_MESSAGE_MAP()
};
BEGIN_MESSAGE_MAP(ReflectionDialog, SampleDialog)
ON_EN_CHANGE(IDC_NAME, &ReflectionDialog::OnNameChange)
END_MESSAGE_MAP()

TEST_F(DialogTest, ControlHandlesItsOwnNotificationBeforeTheParent)
{
    ReflectionDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SAMPLE));
    ASSERT_EQ(dialog.name.m_hWnd, dialog.GetDlgItem(IDC_NAME)->m_hWnd);
    EXPECT_EQ(&dialog.name, CWnd::FromHandle(dialog.name.m_hWnd));
    int afterLoad = dialog.name.changes;
    dialog.name.SetWindowText(L"one");
    EXPECT_EQ(afterLoad + 1, dialog.name.changes);
    EXPECT_EQ(0, dialog.parentChanges);
    dialog.name.parentToo = TRUE;
    dialog.name.SetWindowText(L"two");
    EXPECT_EQ(afterLoad + 2, dialog.name.changes);
    EXPECT_EQ(1, dialog.parentChanges);
}

TEST_F(DialogTest, ObjectsAttachAndDetachWithTheirWindows)
{
    CWnd window;
    ASSERT_TRUE(window.CreateEx(0, nullptr, L"plain", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
    HWND h = window.m_hWnd;
    EXPECT_EQ(&window, CWnd::FromHandlePermanent(h));
    CEdit edit;
    ASSERT_TRUE(edit.Create(WS_CHILD | WS_VISIBLE, CRect(0, 0, 40, 20), &window, 5));
    EXPECT_EQ(&edit, CWnd::FromHandlePermanent(::GetDlgItem(h, 5)));
    // A window nobody attached gets a temporary plain object.
    HWND other = CreateWindowExW(0, L"Static", L"x", WS_CHILD, 0, 0, 5, 5, h, nullptr, nullptr, nullptr);
    CWnd* temp = CWnd::FromHandle(other);
    ASSERT_NE(nullptr, temp);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(other));
    EXPECT_EQ(temp, CWnd::FromHandle(other));
    EXPECT_TRUE(window.DestroyWindow());
    EXPECT_EQ(nullptr, window.m_hWnd);
    EXPECT_EQ(nullptr, edit.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(h));
    CWnd::DeleteTempMap();
}

TEST_F(DialogTest, DialogItemIntegersReadAsTheSystemReadsThem)
{
    SampleDialog dialog;
    ASSERT_TRUE(dialog.Create(IDD_SAMPLE));
    struct Case {
        const wchar_t* text;
        BOOL isSigned;
        BOOL translated;
        UINT value;
    };
    const Case cases[] = {
        {L"42", TRUE, TRUE, 42},         {L"  -17 ", TRUE, TRUE, static_cast<UINT>(-17)},
        {L"-17", FALSE, FALSE, 0},       {L"12abc", TRUE, FALSE, 0},
        {L"", TRUE, FALSE, 0},           {L"4294967295", FALSE, TRUE, 4294967295u},
        {L"2147483648", TRUE, FALSE, 0}, {L"99999999999", FALSE, FALSE, 0},
    };
    for (const Case& c : cases) {
        dialog.SetDlgItemText(IDC_NAME, c.text);
        BOOL translated = -1;
        UINT value = dialog.GetDlgItemInt(IDC_NAME, &translated, c.isSigned);
        EXPECT_EQ(c.translated, translated) << c.text;
        EXPECT_EQ(c.value, value) << c.text;
    }
}

void RunUnguarded()
{
    static SampleDialog* dialog = nullptr;
    dialog = new SampleDialog;
    EXPECT_EQ(IDCANCEL, dialog->DoModal());
    delete dialog;
}

TEST_F(DialogTest, AModalDialogNobodyExpectsFailsAndIsCancelled)
{
    EXPECT_NONFATAL_FAILURE(RunUnguarded(), "modal dialog 200 was not expected");
}

}  // namespace
