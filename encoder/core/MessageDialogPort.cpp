#include "MessageDialogPort.h"

#include <cstdio>

#include "platform/win32/CodePage.h"

namespace {
IMessageDialogPort* g_port = nullptr;
}

void SetMessageDialogPort(IMessageDialogPort* port) { g_port = port; }
IMessageDialogPort* GetMessageDialogPort() { return g_port; }

void SetCoreMessageIcon(HINSTANCE module, UINT iconId)
{
    if (g_port) g_port->SetMessageDialogIcon(module, iconId);
}

int ShowCoreMessage(HWND owner, const CString& text, const CString& caption, UINT type)
{
    if (g_port) return g_port->ShowMessageDialog(owner, text, caption, type);
    std::fprintf(stderr, "%s: %s\n", WideToUtf8(caption.str()).c_str(), WideToUtf8(text.str()).c_str());
    return -1;
}

int ShowCoreMessageWithOptions(HWND owner, const CString& text, const CString& caption, UINT type, UINT options,
                               const CString& checkText, const CString& buttonTexts, int* checked)
{
    if (g_port)
        return g_port->ShowMessageDialogWithOptions(owner, text, caption, type, options, checkText, buttonTexts,
                                                    checked);
    return ShowCoreMessage(owner, text, caption, type);
}
