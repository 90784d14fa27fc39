// The preview page of the progress window: a pane that the writer graph
// shows the picture being encoded in, filling the page less a margin of 8
// pixels. The cursor over the page is the hand; a click turns the preview
// on or off for the running job.
#pragma once

#include "platform/mfc/CDialog.h"

class CDlgEncoding;

class CDlgEncoding_Preview : public CDialog {
public:
    CDlgEncoding_Preview();

    // The window that owns the running job's graph (told of each click).
    void SetEncodingWindow(CDlgEncoding* owner) { m_pEncoding = owner; }
    // The pane the graph draws in.
    CWnd* GetVideoPane() { return GetDlgItem(kPaneId); }

    static constexpr int kPaneId = 1124;

protected:
    void OnSize(UINT type, int cx, int cy);
    BOOL OnSetCursor(CWnd* window, UINT hitTest, UINT message);
    void OnLButtonDown(UINT flags, CPoint point);
    void OnLButtonDblClk(UINT flags, CPoint point);
    DECLARE_MESSAGE_MAP()

private:
    CDlgEncoding* m_pEncoding = nullptr;
};
