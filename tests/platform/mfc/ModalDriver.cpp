#include "ModalDriver.h"

#include <QWidget>

#include "platform/mfc/DialogResource.h"
#include "platform/mfc/StandardControls.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/QtAccess.h"

namespace mfc_test {
namespace {

ModalDriver* g_driver = nullptr;

// With no driver installed, a modal dialog would wait for a user forever.
void CancelUnexpected(CWnd* dialog)
{
    ADD_FAILURE() << "modal dialog " << DialogResourceIdOf(dialog->m_hWnd) << " ran without a driver";
    dialog->EndModalLoop(IDCANCEL);
}

// A virtual key for a character typed in tests: letters and digits have
// their own, every other character goes as text only.
WORD KeyFor(wchar_t c)
{
    if (c >= L'a' && c <= L'z') return static_cast<WORD>(L'A' + (c - L'a'));
    if ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) return static_cast<WORD>(c);
    if (c == L' ') return VK_SPACE;
    return 0xDF;
}

}  // namespace

void InstallModalGuard() { SetModalLoopObserver(CancelUnexpected); }

int PumpDialogMessages()
{
    int count = 0;
    MSG m;
    // Bounded, so that a window that keeps asking to be painted cannot keep
    // a test here.
    while (count < kPumpLimit && PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        if (!AfxPreTranslateMessage(&m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        ++count;
    }
    return count;
}

bool PumpUntilQuiet()
{
    PumpDialogMessages();
    MSG m;
    return !PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);
}

HWND DialogDriver::Item(int id) const
{
    HWND h = GetDlgItem(dialog_, id);
    EXPECT_TRUE(h) << "dialog " << DialogResourceIdOf(dialog_) << " has no control " << id;
    return h;
}

std::wstring DialogDriver::Text(int id) const
{
    HWND h = Item(id);
    if (!h) return std::wstring();
    int n = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(h, text.data(), n + 1)));
    return text;
}

bool DialogDriver::IsChecked(int id) const
{
    HWND h = Item(id);
    return h && SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool DialogDriver::IsEnabled(int id) const
{
    HWND h = Item(id);
    return h && IsWindowEnabled(h);
}

void DialogDriver::Click(int id)
{
    HWND h = Item(id);
    if (!h) return;
    if (!IsWindowEnabled(h) || !IsWindowVisible(h)) {
        ADD_FAILURE() << "control " << id << " cannot be clicked: it is disabled or hidden";
        return;
    }
    SendMessageW(h, BM_CLICK, 0, 0);
    Pump();
}

void DialogDriver::Focus(int id)
{
    if (HWND h = Item(id)) SetFocus(h);
    Pump();
}

void DialogDriver::Key(WORD virtualKey, wchar_t character)
{
    InjectKey(virtualKey, true, character);
    InjectKey(virtualKey, false);
    Pump();
}

void DialogDriver::KeyDown(WORD virtualKey, wchar_t character)
{
    InjectKey(virtualKey, true, character);
    Pump();
}

void DialogDriver::KeyUp(WORD virtualKey)
{
    InjectKey(virtualKey, false);
    Pump();
}

void DialogDriver::Type(int id, const std::wstring& text)
{
    HWND h = Item(id);
    if (!h) return;
    Focus(id);
    SendMessageW(h, EM_SETSEL, 0, -1);
    for (wchar_t c : text) {
        const bool capital = c >= L'A' && c <= L'Z';
        if (capital) KeyDown(VK_SHIFT);
        Key(KeyFor(c), c);
        if (capital) KeyUp(VK_SHIFT);
    }
}

QImage DialogDriver::Screenshot() const
{
    Pump();
    QWidget* w = GetWindowQWidget(dialog_);
    return w ? w->grab().toImage() : QImage();
}

ModalDriver::ModalDriver()
{
    g_driver = this;
    SetModalLoopObserver(&ModalDriver::Observe);
}

ModalDriver::~ModalDriver()
{
    if (g_driver == this) g_driver = nullptr;
    SetModalLoopObserver(CancelUnexpected);
}

void ModalDriver::Expect(int dialogId, DialogAction action) { actions_.push_back(Entry{dialogId, std::move(action)}); }

void ModalDriver::Verify()
{
    for (const Entry& e : actions_) ADD_FAILURE() << "no modal dialog " << e.dialogId << " ran for a queued action";
    actions_.clear();
}

void ModalDriver::Observe(CWnd* dialog)
{
    if (g_driver)
        g_driver->Run(dialog);
    else
        CancelUnexpected(dialog);
}

void ModalDriver::Run(CWnd* dialog)
{
    HWND h = dialog->m_hWnd;
    int id = DialogResourceIdOf(h);
    seen.push_back(id);
    if (actions_.empty() || actions_.front().dialogId != id) {
        ADD_FAILURE() << "modal dialog " << id << " was not expected";
        dialog->EndModalLoop(IDCANCEL);
        return;
    }
    DialogAction action = std::move(actions_.front().action);
    actions_.pop_front();
    PumpDialogMessages();
    DialogDriver driver(h);
    action(driver);
    // What the action set going is served before the dialog is judged.
    PumpDialogMessages();
    if (IsWindow(h) && CWnd::FromHandlePermanent(h) == dialog && dialog->ContinueModal()) {
        ADD_FAILURE() << "the action left modal dialog " << id << " open";
        dialog->EndModalLoop(IDCANCEL);
    }
}

}  // namespace mfc_test
