// The message box the core shows its notices and questions in. The program's
// message dialog plugs in here (InstallWindowLayerServices); with nothing
// plugged in, the text goes to the standard error stream and the answer is
// -1, the answer of a message box that could not be shown.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"
#include "platform/win32/WindowMessages.h"

// Button sets (the system's MB_ values) and answers (the system's IDs).
constexpr UINT kMessageOk = 0x0;
constexpr UINT kMessageYesNo = 0x4;
constexpr UINT kMessageYesNoCancel = 0x3;
// Options of ShowCoreMessageWithOptions.
constexpr UINT kMessageButtonTexts = 4;
constexpr UINT kMessageCheckBox = 8;
constexpr int kAnswerOk = 1;
constexpr int kAnswerCancel = 2;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

class IMessageDialogPort {
public:
    virtual ~IMessageDialogPort() = default;
    // The icon resource every later message box shows.
    virtual void SetMessageDialogIcon(HINSTANCE module, UINT iconId) = 0;
    // Shows the message modally and answers with the button chosen.
    virtual int ShowMessageDialog(HWND owner, const CString& text, const CString& caption, UINT type) = 0;
    // The same with the dialog's options: kMessageButtonTexts takes the
    // buttons' captions from the comma-separated list, kMessageCheckBox adds
    // a check box with the caption whose state goes to *checked. A port
    // without them shows the plain message.
    virtual int ShowMessageDialogWithOptions(HWND owner, const CString& text, const CString& caption, UINT type,
                                             UINT options, const CString& checkText, const CString& buttonTexts,
                                             int* checked)
    {
        (void)options, (void)checkText, (void)buttonTexts, (void)checked;
        return ShowMessageDialog(owner, text, caption, type);
    }
};

// Installs the port (null removes it); the caller keeps ownership.
void SetMessageDialogPort(IMessageDialogPort* port);
IMessageDialogPort* GetMessageDialogPort();

void SetCoreMessageIcon(HINSTANCE module, UINT iconId);
int ShowCoreMessage(HWND owner, const CString& text, const CString& caption, UINT type);
int ShowCoreMessageWithOptions(HWND owner, const CString& text, const CString& caption, UINT type, UINT options,
                               const CString& checkText, const CString& buttonTexts, int* checked);
