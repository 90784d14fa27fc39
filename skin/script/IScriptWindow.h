// The skin window as the native script functions see it: names resolved to
// control ids, controls reached by id, commands, message boxes and layout.
// The skin window implements it over its controls; every operation is a
// direct step of the window or of one control, so that the rules of the
// native functions (what happens to an unknown name, which colour order a
// script uses) stay in the natives.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class IScriptWindow {
public:
    virtual ~IScriptWindow() = default;

    // The id bound to a control name, searched from the top skin window
    // down through the nested ones; false when no window binds the name.
    virtual bool FindControlId(const CString& name, int& id) = 0;
    // Whether the window (or a skin window nested one level inside it) holds
    // a control of that id. The control operations below are only asked for
    // ids that it holds.
    virtual bool HasControl(int id) = 0;
    virtual CString GetControlText(int id) = 0;                    // text 0
    virtual void SetControlText(int id, const CString& text) = 0;  // text 0, repainted
    virtual void SetControlTextColor(int id, COLORREF color) = 0;  // no repaint
    virtual void RefreshControl(int id) = 0;
    virtual void SetControlVisible(int id, bool shown) = 0;  // the window told, so that it lays out again
    virtual int GetControlShown(int id) = 0;                 // the shown flag as the control keeps it
    // Selects a state image of a static or button control and repaints it;
    // other controls ignore it.
    virtual void SetControlImageNum(int id, int image) = 0;
    // Navigates a browser control; other controls ignore it.
    virtual void NavigateControl(int id, const CString& url) = 0;

    // Sends WM_COMMAND with the id (and 0) to the skin window, which passes
    // it on to its owner.
    virtual void SendCommand(int id) = 0;
    // A message box owned by the skin window, with an OK button.
    virtual void ShowMessageBox(const CString& text, const CString& caption) = 0;
    // Refreshes every control, lays the window out and repaints it.
    virtual void RelayoutAll() = 0;
    // The same for the nested skin window of that id; false when there is none.
    virtual bool RelayoutChildWindow(int id) = 0;
};
