// The dialog of every common control, shown modeless, recording what its
// controls tell it: WM_COMMAND notifications (with the control's text at that
// moment), WM_NOTIFY notifications (with the list-view and up-down details)
// and scroll messages (with the control's position at that moment). A test
// may answer notifications.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "MfcSampleIds.h"
#include "MfcTestSupport.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"

namespace mfc_test {

struct Note {
    UINT message = 0;
    int id = 0;
    UINT code = 0;
    int item = -1;
    UINT oldState = 0;
    UINT newState = 0;
    UINT changed = 0;
    int pos = 0;
    int delta = 0;
    std::wstring text;
};

class ControlsDialog : public CDialog {
public:
    ControlsDialog() : CDialog(IDD_CONTROLS) {}

    std::vector<Note> notes;
    // Answers a WM_NOTIFY (the answer is the notification's result).
    std::function<LRESULT(NMHDR*)> answer;
    // Runs while a scroll message is handled.
    std::function<void(UINT code, HWND control)> onScroll;

    std::vector<Note> Of(int id, UINT message) const
    {
        std::vector<Note> out;
        for (const Note& n : notes)
            if (n.id == id && n.message == message) out.push_back(n);
        return out;
    }
    std::vector<UINT> Codes(int id, UINT message) const
    {
        std::vector<UINT> out;
        for (const Note& n : Of(id, message)) out.push_back(n.code);
        return out;
    }
    HWND Item(int id) const { return ::GetDlgItem(m_hWnd, id); }

protected:
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override
    {
        if (lParam) {
            Note n;
            n.message = WM_COMMAND;
            n.id = LOWORD(wParam);
            n.code = HIWORD(wParam);
            CString text;
            CWnd(reinterpret_cast<HWND>(lParam)).GetWindowText(text);
            n.text = text.str();
            notes.push_back(n);
        }
        return CDialog::OnCommand(wParam, lParam);
    }
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override
    {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        Note n;
        n.message = WM_NOTIFY;
        n.id = static_cast<int>(header->idFrom);
        n.code = header->code;
        if (header->code == LVN_ITEMCHANGED || header->code == LVN_ITEMCHANGING || header->code == LVN_DELETEITEM ||
            header->code == LVN_INSERTITEM) {
            auto* lv = reinterpret_cast<NMLISTVIEW*>(lParam);
            n.item = lv->iItem;
            n.oldState = lv->uOldState;
            n.newState = lv->uNewState;
            n.changed = lv->uChanged;
        } else if (header->code == NM_CLICK || header->code == NM_DBLCLK || header->code == NM_RCLICK) {
            n.item = reinterpret_cast<NMITEMACTIVATE*>(lParam)->iItem;
        } else if (header->code == UDN_DELTAPOS) {
            auto* ud = reinterpret_cast<NMUPDOWN*>(lParam);
            n.pos = ud->iPos;
            n.delta = ud->iDelta;
        } else if (header->code == DTN_DATETIMECHANGE) {
            const SYSTEMTIME& st = reinterpret_cast<NMDATETIMECHANGE*>(lParam)->st;
            n.pos = st.wHour * 3600 + st.wMinute * 60 + st.wSecond;
        } else if (header->code == LVN_GETINFOTIPW) {
            n.item = reinterpret_cast<NMLVGETINFOTIPW*>(lParam)->iItem;
        }
        notes.push_back(n);
        if (answer) {
            *result = answer(header);
            return TRUE;
        }
        return CDialog::OnNotify(wParam, lParam, result);
    }
    void Scroll(UINT message, UINT code, UINT pos, CWnd* control)
    {
        Note n;
        n.message = message;
        n.id = control ? control->GetDlgCtrlID() : 0;
        n.code = code;
        n.pos = static_cast<int>(pos);
        if (control) {
            wchar_t name[32] = {};
            GetClassNameW(control->m_hWnd, name, 32);
            n.delta = std::wstring(name) == TRACKBAR_CLASSW ? static_cast<int>(control->SendMessage(TBM_GETPOS))
                                                            : static_cast<int>(control->SendMessage(UDM_GETPOS32));
        }
        notes.push_back(n);
        if (onScroll) onScroll(code, control ? control->m_hWnd : nullptr);
    }
    void OnHScroll(UINT code, UINT pos, CWnd* control) { Scroll(WM_HSCROLL, code, pos, control); }
    void OnVScroll(UINT code, UINT pos, CWnd* control) { Scroll(WM_VSCROLL, code, pos, control); }
    DECLARE_MESSAGE_MAP()
};

class ControlsTest : public MfcTest {
public:
    void SetUp() override
    {
        MfcTest::SetUp();
        ASSERT_TRUE(dialog_.Create(IDD_CONTROLS));
        dialog_.ShowWindow(SW_SHOW);
        PumpDialogMessages();
        dialog_.notes.clear();
    }
    void TearDown() override
    {
        dialog_.DestroyWindow();
        MfcTest::TearDown();
    }
    HWND Item(int id) const { return dialog_.Item(id); }
    void Key(HWND focus, WORD vk, wchar_t ch = 0)
    {
        SetFocus(focus);
        InjectKey(vk, true, ch);
        InjectKey(vk, false);
        PumpDialogMessages();
    }
    ControlsDialog dialog_;
};

}  // namespace mfc_test
