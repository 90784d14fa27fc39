#include "encoder/ui/CDlgEncoding_Preview.h"

#include "RivoEncIds.h"
#include "encoder/ui/CDlgEncoding.h"
#include "platform/win32/gui/Cursors.h"

BEGIN_MESSAGE_MAP(CDlgEncoding_Preview, CDialog)
ON_WM_SIZE()
ON_WM_SETCURSOR()
ON_WM_LBUTTONDOWN()
ON_WM_LBUTTONDBLCLK()
END_MESSAGE_MAP()

namespace {
constexpr int kMargin = 8;
}  // namespace

CDlgEncoding_Preview::CDlgEncoding_Preview() : CDialog(IDD_ENCODING_PREVIEW) {}

void CDlgEncoding_Preview::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (CWnd* pane = GetDlgItem(kPaneId)) pane->MoveWindow(kMargin, kMargin, cx - 2 * kMargin, cy - 2 * kMargin);
}

BOOL CDlgEncoding_Preview::OnSetCursor(CWnd*, UINT, UINT)
{
    SetCursor(LoadCursorW(nullptr, IDC_HAND));
    return TRUE;
}

void CDlgEncoding_Preview::OnLButtonDown(UINT, CPoint)
{
    if (m_pEncoding) m_pEncoding->TogglePreview();
}

void CDlgEncoding_Preview::OnLButtonDblClk(UINT, CPoint) {}
