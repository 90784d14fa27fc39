#include "COutputPage.h"

#include "encoder/core/LangTextTable.h"

BOOL COutputPage::OnInitDialog()
{
    CDialog::OnInitDialog();
    GetLangTextTable().ApplyDialogTexts(m_hWnd, static_cast<int>(m_nIDTemplate));
    return TRUE;
}

void COutputPage::OnOK()
{
    if (CWnd* window = GetParent()) window->PostMessage(WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

void COutputPage::OnCancel()
{
    if (CWnd* window = GetParent()) window->PostMessage(WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}
