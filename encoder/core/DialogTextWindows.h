// The window calls that setting a dialog's texts makes: the descendants of a
// dialog, each window's parent and control id, and setting a window's text.
// The window layer's windows plug in here (InstallWindowLayerServices); with
// nothing plugged in, no dialog texts are set.
#pragma once

#include <vector>

#include "platform/win32/CString.h"
#include "platform/win32/WindowMessages.h"

class IDialogTextWindows {
public:
    virtual ~IDialogTextWindows() = default;
    // Every descendant of the window (children, their children, ...).
    virtual std::vector<HWND> EnumChildWindows(HWND parent) = 0;
    virtual HWND GetParent(HWND window) = 0;
    virtual int GetDlgCtrlID(HWND window) = 0;
    virtual void SetWindowText(HWND window, const CString& text) = 0;
};

// The installed windows, or null.
IDialogTextWindows* GetDialogTextWindows();
// Installs the windows (null removes them); the caller keeps ownership.
void SetDialogTextWindows(IDialogTextWindows* windows);
