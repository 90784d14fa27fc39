// The countdown before the computer is switched off after a batch: a small
// modal window whose title counts down from ten seconds; Cancel (or Escape)
// keeps the computer running. When the countdown runs out the settings are
// saved and the system is asked to switch the computer off.
#pragma once

#include "platform/mfc/CDialog.h"

class CDlgShutdown : public CDialog {
public:
    // What DoModal answers when the countdown ran out (IDCANCEL when the
    // user cancelled).
    static constexpr INT_PTR kCountdownEnded = 32000;

    explicit CDlgShutdown(CWnd* parent = nullptr);

    int SecondsLeft() const { return m_nSecondsLeft; }

protected:
    BOOL OnInitDialog() override;
    void OnTimer(UINT_PTR id);
    DECLARE_MESSAGE_MAP()

private:
    // The title: the language's countdown text with the seconds left.
    void ShowSecondsLeft();

    int m_nSecondsLeft = 10;
};

// The main window's shutdown after a batch: runs the countdown modally and,
// when it runs out, saves the settings and asks the system to switch the
// computer off. The system decides whether the user may (it may ask who they
// are); when it cannot or will not, the user is told why. True when the
// request was taken.
bool ShutdownAfterEncoding(CWnd* owner);
