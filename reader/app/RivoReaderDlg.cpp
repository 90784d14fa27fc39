#include "RivoReaderDlg.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "AboutDlg.h"
#include "RivoReaderIds.h"
#include "platform/mfc/CFileDialog.h"
#include "platform/mfc/CMenu.h"
#include "platform/mfc/Clipboard.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/DragDrop.h"
#include "platform/win32/NativePath.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/Window.h"
#include "reader/ReaderHelpers.h"
#include "reader/ReaderStrings.h"

BEGIN_MESSAGE_MAP(CRivoReaderDlg, CDialog)
ON_WM_DESTROY()
ON_BN_CLICKED(IDC_RELOAD, &CRivoReaderDlg::OnReload)
ON_BN_CLICKED(IDC_BROWSE, &CRivoReaderDlg::OnBrowse)
ON_BN_CLICKED(IDC_COPY, &CRivoReaderDlg::OnCopy)
ON_BN_CLICKED(IDC_SAVE, &CRivoReaderDlg::OnSave)
ON_WM_DROPFILES()
ON_WM_SIZE()
ON_WM_GETMINMAXINFO()
ON_WM_SYSCOMMAND()
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
    // The information entry goes at the end of the system menu.
    const wchar_t* aboutText = GetResString(IDS_ABOUT_MENU_ITEM);
    if (CMenu* systemMenu = GetSystemMenu(FALSE); systemMenu && aboutText[0]) {
        systemMenu->AppendMenu(MF_SEPARATOR);
        systemMenu->AppendMenu(MF_STRING, kAboutCommand, aboutText);
    }
    // The window's first size arrives before this object is attached to
    // it; the resizing rules start from the size it has now.
    RECT client;
    GetClientRect(&client);
    m_lastWidth = client.right;
    m_lastHeight = client.bottom;

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

void CRivoReaderDlg::ClearReport() { m_reportBox.SetWindowText(L""); }

void CRivoReaderDlg::ShowErrorMessage(const CString& text) { MessageBox(text, nullptr, MB_ICONERROR); }

BOOL CRivoReaderDlg::PreTranslateMessage(MSG* msg)
{
    // Ctrl+A selects the report wherever the focus is in the window.
    if (msg->message == WM_KEYDOWN && msg->wParam == 'A' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) {
        OnSelectAll();
        return TRUE;
    }
    return CDialog::PreTranslateMessage(msg);
}

void CRivoReaderDlg::OnSelectAll()
{
    m_reportBox.SetFocus();
    m_reportBox.SetSel(0, -1);
}

void CRivoReaderDlg::OnDropFiles(HDROP drop)
{
    ClearReport();
    UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        // Paths of any length: ask for the length first.
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::vector<wchar_t> buffer(length + 1, L'\0');
        DragQueryFileW(drop, i, buffer.data(), length + 1);
        CString path(buffer.data());
        m_pathBox.SetWindowText(path);
        ReportFile(path);
    }
    DragFinish(drop);
}

void CRivoReaderDlg::OnBrowse()
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_ALLOWMULTISELECT, GetResString(IDS_OPEN_FILTER),
                       this);
    if (dialog.DoModal() != IDOK) return;
    ClearReport();
    POSITION position = dialog.GetStartPosition();
    while (position) {
        CString path = dialog.GetNextPathName(position);
        m_pathBox.SetWindowText(path);
        ReportFile(path);
    }
}

void CRivoReaderDlg::OnCopy()
{
    // The whole report, however long.
    CString text;
    m_reportBox.GetWindowText(text);
    ClipboardService().SetText(text.str());
}

void CRivoReaderDlg::OnSave()
{
    // Replacing an existing file is asked for.
    CFileDialog dialog(FALSE, L"txt", nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, GetResString(IDS_SAVE_FILTER),
                       this);
    if (dialog.DoModal() != IDOK) return;
    if (!WriteReportFile(dialog.GetPathName())) MessageBox(GetResString(IDS_CANNOT_OPEN_FILE));
}

bool CRivoReaderDlg::WriteReportFile(const CString& path)
{
    CString text;
    m_reportBox.GetWindowText(text);
    // The report's line ends go out as they are, once each.
    std::string bytes = ToNarrow(text.str());
    std::string target = ToNativePath(path.str());
    std::string temp = target + ".XXXXXX";
    std::vector<char> name(temp.begin(), temp.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    size_t written = 0;
    while (written < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + written, bytes.size() - written);
        if (n <= 0) break;
        written += static_cast<size_t>(n);
    }
    bool ok = written == bytes.size();
    ok = (fchmod(fd, 0644) == 0) && ok;
    ok = (close(fd) == 0) && ok;
    if (ok) ok = std::rename(name.data(), target.c_str()) == 0;
    if (!ok) unlink(name.data());
    return ok;
}

void CRivoReaderDlg::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    if (CWnd* grip = GetDlgItem(IDC_SIZE_GRIP)) {
        RECT r;
        grip->GetWindowRect(&r);
        int w = r.right - r.left;
        int h = r.bottom - r.top;
        grip->MoveWindow(cx - w, cy - h, w, h);
    }
    ResizeControls(m_lastWidth, m_lastHeight, cx, cy);
    m_lastWidth = cx;
    m_lastHeight = cy;
}

void CRivoReaderDlg::ResizeControls(int oldcx, int oldcy, int cx, int cy)
{
    if ((oldcx == 0 && oldcy == 0) || cx == 0 || cy == 0) return;
    const int dx = cx - oldcx;
    const int dy = cy - oldcy;
    struct Rule {
        int id;
        int left, top, right, bottom;  // multiples of dx or dy per edge
    };
    const Rule rules[] = {
        {IDC_GROUP_FILE, 0, 0, 1, 0}, {IDC_PATH, 0, 0, 1, 0},   {IDC_GROUP_INFO, 0, 0, 1, 1},
        {IDC_REPORT, 0, 0, 1, 1},     {IDC_BROWSE, 1, 0, 1, 0}, {IDC_RELOAD, 1, 0, 1, 0},
        {IDC_COPY, 0, 1, 0, 1},       {IDC_SAVE, 0, 1, 0, 1},   {IDOK, 1, 1, 1, 1},
    };
    for (const Rule& rule : rules) {
        CWnd* control = GetDlgItem(rule.id);
        if (!control) continue;
        RECT r;
        control->GetWindowRect(&r);
        ScreenToClient(&r);
        r.left += rule.left * dx;
        r.right += rule.right * dx;
        r.top += rule.top * dy;
        r.bottom += rule.bottom * dy;
        control->MoveWindow(&r, TRUE);
    }
}

void CRivoReaderDlg::OnGetMinMaxInfo(MINMAXINFO* info)
{
    info->ptMinTrackSize.x = 400;
    info->ptMinTrackSize.y = 400;
}

void CRivoReaderDlg::OnSysCommand(UINT id, LPARAM lParam)
{
    if ((id & 0xFFF0) == kAboutCommand) {
        CAboutDlg about(this);
        about.DoModal();
        return;
    }
    CDialog::OnSysCommand(id, lParam);
}
