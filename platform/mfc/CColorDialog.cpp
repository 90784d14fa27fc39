#include "CColorDialog.h"

CColorDialog::CColorDialog(COLORREF initial, DWORD flags, CWnd* parent)
{
    m_cc.rgbResult = initial;
    m_cc.Flags = flags | (initial ? CC_RGBINIT : 0);
    m_cc.lpCustColors = custom_;
    CWnd* owner = parent ? parent : AfxGetMainWnd();
    m_cc.hwndOwner = owner ? owner->m_hWnd : nullptr;
}

INT_PTR CColorDialog::DoModal() { return ChooseColorW(&m_cc) ? IDOK : IDCANCEL; }
