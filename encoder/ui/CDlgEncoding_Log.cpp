#include "encoder/ui/CDlgEncoding_Log.h"

#include "RivoEncIds.h"
#include "foundation/DebugTrace.h"

BEGIN_MESSAGE_MAP(CDlgEncoding_Log, CDialog)
ON_WM_SIZE()
ON_WM_SHOWWINDOW()
END_MESSAGE_MAP()

namespace {
constexpr int kMargin = 8;
// Ends every line: bold off, black, the smallest height, a line break.
constexpr wchar_t kLineEnd[] =
    L"\x07>\x07N\x07"
    L"1\r";

// The line as the view shows it: the converted codes taken out.
std::wstring PlainLine(const CString& line)
{
    const CString converted = ConvertMarkup(line, TRUE, TRUE);
    std::wstring plain;
    for (int i = 0; i < converted.GetLength(); ++i) {
        if (converted[i] == kMarkupMarker) {
            ++i;
            continue;
        }
        plain += converted[i];
    }
    return plain;
}
}  // namespace

CDlgEncoding_Log::CDlgEncoding_Log() : CDialog(IDD_ENCODING_LOG) {}

BOOL CDlgEncoding_Log::OnInitDialog()
{
    CDialog::OnInitDialog();
    CRect r;
    GetClientRect(&r);
    r.DeflateRect(kMargin, kMargin);
    m_log.Create(
        WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | ES_READONLY | ES_NOHIDESEL | ES_MULTILINE, r,
        this, kLogViewId);
    return TRUE;
}

void CDlgEncoding_Log::PlaceLogView(int cx, int cy)
{
    if (m_log.m_hWnd) m_log.MoveWindow(kMargin, kMargin, cx - 2 * kMargin, cy - 2 * kMargin);
}

void CDlgEncoding_Log::OnSize(UINT type, int cx, int cy)
{
    CDialog::OnSize(type, cx, cy);
    PlaceLogView(cx, cy);
}

void CDlgEncoding_Log::OnShowWindow(BOOL show, UINT status)
{
    CDialog::OnShowWindow(show, status);
    // The first showing starts at the top of what was logged while hidden.
    if (!m_bShownOnce && m_log.m_hWnd) {
        m_bShownOnce = true;
        m_log.LineScroll(-m_log.GetLineCount());
    }
}

void CDlgEncoding_Log::AddLine(const CString& line)
{
    // The trace viewer gets every line too: an unattended batch, whose
    // window closes by itself, leaves its log there.
    DebugTrace(L"log: %s", PlainLine(line));
    if (!m_hWnd || !m_log.m_hWnd) return;
    m_log.SetRedraw(FALSE);
    while (m_log.GetLineCount() > kMaxLines) {
        m_log.SetSel(0, m_log.LineIndex(1));
        m_log.ReplaceSel(L"");
    }
    m_log.AppendFormatted(ConvertMarkup(line, TRUE, TRUE), TRUE);
    m_log.AppendFormatted(kLineEnd, TRUE);
    m_log.SetRedraw(TRUE);
    m_log.Invalidate();
}

void CDlgEncoding_Log::CopyAll()
{
    if (!m_log.m_hWnd) return;
    m_log.SetSel(0, -1);
    m_log.Copy();
}
