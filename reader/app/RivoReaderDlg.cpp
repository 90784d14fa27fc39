#include "RivoReaderDlg.h"

#include "RivoReaderIds.h"
#include "platform/mfc/DataExchange.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/Window.h"
#include "reader/ReaderStrings.h"
#include "reader/app/ReaderAppResources.h"

BEGIN_MESSAGE_MAP(CRivoReaderDlg, CDialog)
    ON_WM_DESTROY()
    ON_BN_CLICKED(IDC_RELOAD, &CRivoReaderDlg::OnReload)
END_MESSAGE_MAP()

CRivoReaderDlg::CRivoReaderDlg(const CString& commandLine, CWnd* parent)
    : CDialog(IDD_RIVOREADER_DIALOG, parent), m_commandLine(commandLine)
{
}

CString CRivoReaderDlg::StripEnclosingQuotes(const CString& commandLine)
{
    std::wstring text = commandLine.str();
    // One enclosing pair only; a lone double quote is both ends and leaves
    // nothing.
    if (!text.empty() && text.front() == L'"' && text.back() == L'"') {
        text.erase(0, 1);
        if (!text.empty()) text.pop_back();
    }
    return CString(text);
}

void CRivoReaderDlg::DoDataExchange(CDataExchange* dx)
{
    CDialog::DoDataExchange(dx);
    DDX_Control(dx, IDC_PATH, m_pathBox);
    DDX_Control(dx, IDC_REPORT, m_reportBox);
}

BOOL CRivoReaderDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    DragAcceptFiles(TRUE);

    m_hIcon = LoadIconW(nullptr, MAKEINTRESOURCEW(IDI_RIVOREADER));
    SetIcon(m_hIcon, TRUE);
    SetIcon(m_hIcon, FALSE);

    m_reportFont.CreatePointFont(90, GetResString(IDS_REPORT_FONT_FACE));
    m_reportBox.SetFont(&m_reportFont);

    CString path = StripEnclosingQuotes(m_commandLine);
    if (path.IsEmpty()) {
        m_reportBox.SetWindowText(GetResString(IDS_ABOUT_TEXT));
    } else {
        m_pathBox.SetWindowText(path);
        ClearReport();
        ReportFile(path);
    }
    return TRUE;
}

void CRivoReaderDlg::OnDestroy()
{
    CDialog::OnDestroy();
    m_reportFont.DeleteObject();
}

void CRivoReaderDlg::ReportFile(const CString& path)
{
    CReportBuilder builder(*this);
    builder.BuildReport(path);
    builder.AppendReportLine(CString());
}

void CRivoReaderDlg::OnReload()
{
    CString path;
    m_pathBox.GetWindowText(path);
    ClearReport();
    ReportFile(path);
}

void CRivoReaderDlg::AppendReportText(const CString& text)
{
    int end = m_reportBox.GetWindowTextLength();
    m_reportBox.SetSel(end, end);
    m_reportBox.ReplaceSel(text);
}

void CRivoReaderDlg::ClearReport()
{
    m_reportBox.SetWindowText(L"");
}

void CRivoReaderDlg::ShowErrorMessage(const CString& text)
{
    MessageBox(text, nullptr, MB_ICONERROR);
}
