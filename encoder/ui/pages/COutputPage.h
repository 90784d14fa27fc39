// A page of the output settings window: a child dialog of that window, shown
// by its tab control, that exchanges its controls with the settings record
// in either direction. Each page loads itself from the settings record when
// it is made.
//
// Enter and Escape inside a page work the output settings window's OK and
// Cancel: a page that receives OK or Cancel itself hands it to the window
// that holds it, never to the window above that one (which would be the
// main window, and ending it would end the program and lose the job list).
#pragma once

#include "platform/mfc/CDialog.h"

class COutputPage : public CDialog {
public:
    explicit COutputPage(UINT templateId) : CDialog(templateId) {}

    // Makes the page, hidden, as a child of the window.
    BOOL CreatePage(CWnd* window) { return Create(m_nIDTemplate, window); }

    // store TRUE: the controls into the settings record; FALSE: the
    // settings record into the controls.
    virtual void ExchangeSettings(BOOL store) = 0;
    // Whether the page's controls hold values the settings can take; a page
    // that refuses has explained why and put the focus on the control.
    virtual bool CheckValues() { return true; }

protected:
    // Applies the language texts of the page's dialog.
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
};
