// CDlgEncoding: the encoding-progress window. Opened modeless by the main
// window's Start, it converts every job of the job list in turn through the
// writer graph of the chosen output format, shows the batch's and the job's
// progress, the times and sizes, a preview of the picture being encoded and
// a log, and at the end tells the user how it went (or switches the
// computer off when asked to). It deletes itself when its window goes, and
// then gives the main window back its controls.
//
// Graph events arrive as the graph's registered messages, posted to this
// window; everything runs on the user-interface thread.
#pragma once

#include <memory>
#include <vector>

#include "encoder/core/jobs/EncFileInfoList.h"
#include "encoder/pipeline/GraphAsfWriter.h"
#include "encoder/pipeline/GraphAviWriter.h"
#include "encoder/pipeline/GraphMp4Writer.h"
#include "encoder/pipeline/GraphOgmWriter.h"
#include "encoder/ui/CDlgEncoding_Log.h"
#include "encoder/ui/CDlgEncoding_Preview.h"
#include "encoder/ui/controls/CMultiTabCtrl.h"
#include "platform/com/ComPtr.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/StandardCtrls.h"
#include "platform/win32/FolderWriteLock.h"

class CEncodingHost;
class CPlugin_dsp;
struct ISubPicProvider;

class CDlgEncoding : public CDialog {
public:
    static constexpr UINT_PTR kTimerId = 1000;
    static constexpr UINT kTimerPeriodMs = 500;

    CDlgEncoding(CEncFileInfoList* jobs, CEncodingHost* host);
    ~CDlgEncoding() override;

    // Creates the window modeless from its resource, as a child of the
    // host's window.
    BOOL Create(CWnd* parent);

    // A click on the preview pane: the preview of the running job on or off.
    void TogglePreview();

    // What the tests and the host read.
    int GetCurrentJob() const { return m_nCurJob; }
    int GetFailureCount() const { return m_nFailures; }
    int GetCompletedCount() const { return m_nCompleted; }
    CGraphMain* GetCurrentGraph() const { return m_pGraph; }
    const CString& GetOutputPath() const { return m_sOutputPath; }
    CDlgEncoding_Log& LogPage() { return m_tabLog; }
    CDlgEncoding_Preview& PreviewPage() { return m_tabPreview; }

    // The progress of the running job, 0..1, from its encoded position and
    // length in seconds: the second pass of two counts from one half. An
    // unknown length gives 0.
    static double ProgressOf(uint32_t position, uint32_t length, int pass, int passes);

protected:
    BOOL OnInitDialog() override;
    void OnCancel() override;
    void OnOK() override;
    void PostNcDestroy() override;
    void OnTimer(UINT_PTR id);
    void OnDestroy();
    void OnClose();
    void OnSysCommand(UINT id, LPARAM lParam);
    LRESULT OnGraphNotify(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlaybackIgnored(WPARAM wParam, LPARAM lParam);
    LRESULT OnPlaybackEof(WPARAM wParam, LPARAM lParam);
    void OnPause();
    void OnResume();
    void OnOpenFolder();
    void OnCloseButton();
    void OnCopyLog();
    void OnPriorityChange();
    DECLARE_MESSAGE_MAP()

private:
    // The checks before anything runs; false when the batch must not start.
    bool CheckDestinations();
    bool CheckPspSize();
    // Starts job k, or the first after it that starts; the batch ends past
    // the last job.
    void DlgEncodingNextJob(int k);
    bool DlgEncodingStartJob(CEncFileInfo* job, const CString& outputPath);
    void DlgEncodingLoadSubtitle(const CString& path);
    void DlgEncodingStopJob(BOOL deleteOutput);
    bool SelectDspModule(const CString& path, int index);
    void DlgEncodingOnTimer();
    void EndBatch();

    // The log's blocks and lines.
    void Log(const CString& line);
    CString JobTag(const wchar_t* key) const;
    void WriteStartBlock(const CEncFileInfo& job);
    void WriteCompletionBlock();
    // The failure block with the code; with a text key, that text as the
    // reason instead of the code's own; with a source, a line naming it.
    void WriteFailureBlock(uint32_t code, const wchar_t* reasonKey = nullptr, const CString& source = CString());
    // A job that did not start: logged with its source, counted as a
    // failure and reported.
    void RecordJobNotStarted(uint32_t code, const wchar_t* reasonKey, const CString& source);
    // The running job's line in the batch report: its output, or why it
    // failed.
    void ReportJob(bool converted, const CString& outputOrWhy);
    // The jobs of a batch stopped before its end, in the batch report.
    void ReportJobsNotDone();
    // The code and the reason of a failure as one line of the report.
    static CString FailureText(uint32_t code, const wchar_t* reasonKey);
    // Deletes the claimed output file of a job when nothing was written
    // into it.
    static void ReleaseUnusedOutput(const CString& output);

    CEncFileInfoList* m_pJobList;
    CEncodingHost* m_pHost;
    int m_nCurJob = -1;
    CGraphAviWriter m_graphAvi;
    CGraphMp4Writer m_graphMp4;
    CGraphAsfWriter m_graphAsf;
    CGraphOgmWriter m_graphOgm;
    CGraphMain* m_pGraph;
    ComPtr<ISubPicProvider> m_pSubtitle;
    std::unique_ptr<CPlugin_dsp> m_pDsp;
    CString m_sSourcePath;
    CString m_sOutputPath;
    DWORD m_nStartTick = 0;
    DWORD m_nLastTick = 0;
    uint32_t m_nTotalElapsed = 0;
    int m_nFailures = 0;
    int m_nCompleted = 0;
    // Jobs whose existing output file is the source of another job: they
    // are refused rather than have that source moved to the trash.
    std::vector<bool> m_refusedJobs;
    // Which jobs the batch report has a line for, while the batch runs.
    std::vector<bool> m_jobReported;
    bool m_bBatchRunning = false;
    // The destination folder, marked as written into while the batch runs.
    std::unique_ptr<FolderWriteLock> m_pFolderLock;

    CDlgEncoding_Preview m_tabPreview;
    CDlgEncoding_Log m_tabLog;
    CMultiTabCtrl m_tabs;
    CProgressCtrl m_progressAll;
    CProgressCtrl m_progressJob;
    CComboBox m_priority;
};
