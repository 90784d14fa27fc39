#include "AboutDlg.h"

#include "RivoReaderIds.h"
#include "reader/ReaderStrings.h"

CAboutDlg::CAboutDlg(CWnd* parent) : CDialog(IDD_ABOUTBOX, parent) {}

BOOL CAboutDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    SetDlgItemText(IDC_ABOUT_TEXT, GetResString(IDS_ABOUT_TEXT));
    return TRUE;
}
