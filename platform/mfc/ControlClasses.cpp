#include "ControlClasses.h"

#include <algorithm>
#include <set>

#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {
namespace {

CreationObserver g_observer = nullptr;

std::set<WNDPROC>& NotifyingProcs()
{
    static std::set<WNDPROC> s;
    return s;
}

}  // namespace

void SetCreationObserver(CreationObserver observer) { g_observer = observer; }

void NotifyCreating(HWND window)
{
    if (g_observer) g_observer(window);
}

bool ClassNotifiesCreation(LPCWSTR className)
{
    WNDCLASSEXW wc;
    if (!GetClassInfoExW(nullptr, className, &wc)) return false;
    return NotifyingProcs().count(wc.lpfnWndProc) != 0;
}

void RegisterControlClass(const wchar_t* name, WNDPROC proc, UINT style)
{
    NotifyingProcs().insert(proc);
    WNDCLASSEXW wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}

void NotifyCommand(HWND control, WORD code)
{
    HWND parent = GetParent(control);
    if (parent)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(control)), code),
                     reinterpret_cast<LPARAM>(control));
}

LRESULT NotifyParent(HWND control, UINT code, NMHDR* header)
{
    header->hwndFrom = control;
    header->idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(control));
    header->code = code;
    HWND parent = GetParent(control);
    return parent ? SendMessageW(parent, WM_NOTIFY, header->idFrom, reinterpret_cast<LPARAM>(header)) : 0;
}

LRESULT CopyTextOut(const std::wstring& text, LPWSTR buffer, size_t bufferChars)
{
    if (!buffer || bufferChars == 0) return 0;
    size_t n = std::min(text.size(), bufferChars - 1);
    std::copy(text.begin(), text.begin() + static_cast<long>(n), buffer);
    buffer[n] = L'\0';
    return static_cast<LRESULT>(n);
}

}  // namespace mfc_controls

void RegisterControlClasses()
{
    static bool done = false;
    if (done) return;
    done = true;
    using namespace mfc_controls;
    RegisterEditClass();
    RegisterComboBoxClass();
    RegisterListBoxClass();
    RegisterScrollBarClass();
    RegisterListViewClass();
    RegisterTrackbarClass();
    RegisterUpDownClass();
    RegisterProgressClass();
    RegisterTabClass();
    RegisterDateTimeClass();
    RegisterRichEditClasses();
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init)
{
    if (!init || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
    RegisterControlClasses();
    return TRUE;
}

void InitCommonControls() { RegisterControlClasses(); }
