#include "WindowLayerServices.h"

#include "encoder/core/CoreEnvironment.h"
#include "encoder/core/DialogTextWindows.h"
#include "encoder/core/MessageDialogPort.h"
#include "foundation/gui/MessageDialog.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/GdiObjects.h"
#include "platform/win32/gui/Window.h"

namespace {

class CWindowMessagePort : public IMessageDialogPort {
public:
    void SetMessageDialogIcon(HINSTANCE module, UINT iconId) override
    {
        ::SetMessageDialogIcon(module, static_cast<int>(iconId));
    }
    int ShowMessageDialog(HWND owner, const CString& text, const CString& caption, UINT type) override
    {
        return ::ShowMessageDialog(owner, text, caption, type);
    }
    int ShowMessageDialogWithOptions(HWND owner, const CString& text, const CString& caption, UINT type, UINT options,
                                     const CString& checkText, const CString& buttonTexts, int* checked) override
    {
        return ::ShowMessageDialog(
            owner, text, caption, type, options,
            (options & kMessageCheckBox) ? MessageDialogArg(checkText.GetString()) : MessageDialogArg(),
            (options & kMessageButtonTexts) ? buttonTexts.GetString() : nullptr, checked);
    }
};

class CWindowDialogTexts : public IDialogTextWindows {
public:
    std::vector<HWND> EnumChildWindows(HWND parent) override
    {
        std::vector<HWND> windows;
        ::EnumChildWindows(
            parent,
            [](HWND window, LPARAM list) -> BOOL {
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&windows));
        return windows;
    }
    HWND GetParent(HWND window) override { return ::GetParent(window); }
    int GetDlgCtrlID(HWND window) override { return ::GetDlgCtrlID(window); }
    void SetWindowText(HWND window, const CString& text) override { ::SetWindowTextW(window, text); }
};

// The face of the stock GUI font (else the system font); "" when neither
// gives one.
CString StockGuiFontFace()
{
    HGDIOBJ font = GetStockObject(DEFAULT_GUI_FONT);
    if (!font) font = GetStockObject(SYSTEM_FONT);
    LOGFONTW logFont;
    if (!font || GetObjectW(font, sizeof logFont, &logFont) != static_cast<int>(sizeof logFont)) return CString();
    return CString(logFont.lfFaceName);
}

}  // namespace

void RegisterDialogClass()
{
    WNDCLASSEXW wc;
    wc.style = 0;
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 30;  // what the dialog manager keeps per dialog
    wc.hInstance = nullptr;
    wc.hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(128));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = L"RivoEnc1.x";
    RegisterClassExW(&wc);
}

void InstallWindowLayerServices()
{
    static CWindowMessagePort messages;
    static CWindowDialogTexts dialogTexts;
    SetMessageDialogPort(&messages);
    SetDialogTextWindows(&dialogTexts);
    CCoreEnvironment::Get().m_fnGuiFontFace = StockGuiFontFace;
    RegisterDialogClass();
}
