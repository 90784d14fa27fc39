// RivoReader's main window: a path box, a read-only report box and the
// buttons around them. The report builder writes straight into the report
// box through the sink interface.
#pragma once

#include "platform/mfc/CDialog.h"
#include "platform/mfc/GdiClasses.h"
#include "platform/mfc/StandardCtrls.h"
#include "reader/ReportBuilder.h"

class CRivoReaderDlg : public CDialog, public CReportSink {
public:
    // path: the command line as given (one enclosing pair of double quotes
    // is taken away when the window opens).
    explicit CRivoReaderDlg(const CString& commandLine, CWnd* parent = nullptr);

    // The command line without one enclosing pair of double quotes.
    static CString StripEnclosingQuotes(const CString& commandLine);

    BOOL PreTranslateMessage(MSG* msg) override;

    // CReportSink
    void AppendReportText(const CString& text) override;
    void ClearReport() override;
    void ShowErrorMessage(const CString& text) override;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    void OnDestroy();
    void OnReload();
    void OnBrowse();
    void OnCopy();
    void OnSave();
    void OnSelectAll();
    void OnDropFiles(HDROP drop);
    void OnSize(UINT type, int cx, int cy);
    void OnGetMinMaxInfo(MINMAXINFO* info);
    // The information entry of the system menu opens the information
    // dialog; every other system command takes its default course.
    void OnSysCommand(UINT id, LPARAM lParam);
    // Moves and sizes the controls by the change of the client size; the
    // first size seen only records it.
    void ResizeControls(int oldcx, int oldcy, int cx, int cy);
    // Writes the report to path through a file beside it that replaces it
    // only when every byte is written; false when anything failed.
    bool WriteReportFile(const CString& path);
    // Analyses path into the report and closes it with an empty line.
    void ReportFile(const CString& path);
    DECLARE_MESSAGE_MAP()

private:
    CEdit m_pathBox;
    CEdit m_reportBox;
    CString m_commandLine;
    CFont m_reportFont;
    static constexpr UINT kAboutCommand = 16;
    HICON m_hIcon = nullptr;
    int m_lastWidth = 0;
    int m_lastHeight = 0;
};
