// The log page of the progress window: one marked-up log view that fills
// the page less a margin of 8 pixels. The progress window appends the log's
// lines through AddLine; at most 1024 lines are kept, the oldest dropped.
// Each line also goes, as plain text after "log: ", to the trace viewer.
#pragma once

#include "encoder/ui/controls/HRichEditCtrlFmt.h"
#include "platform/mfc/CDialog.h"

class CDlgEncoding_Log : public CDialog {
public:
    static constexpr int kLogViewId = 9100;
    static constexpr int kMaxLines = 1024;

    CDlgEncoding_Log();

    // Appends one line written with the "@@" mark-up; dropped while the
    // page has no window.
    void AddLine(const CString& line);
    // Selects the whole log and copies it to the clipboard.
    void CopyAll();
    HRichEditCtrlFmt& LogView() { return m_log; }

protected:
    BOOL OnInitDialog() override;
    void OnSize(UINT type, int cx, int cy);
    void OnShowWindow(BOOL show, UINT status);
    DECLARE_MESSAGE_MAP()

private:
    void PlaceLogView(int cx, int cy);

    HRichEditCtrlFmt m_log;
    bool m_bShownOnce = false;
};
