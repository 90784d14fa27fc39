#include "RecordingEncodeWindows.h"

#include "UiTestIds.h"

BEGIN_MESSAGE_MAP(StandInProgressWindow, CDialog)
ON_WM_CLOSE()
END_MESSAGE_MAP()

INT_PTR RecordingEncodeWindows::RunSourceSettings(CWnd*, CEncFileInfoList& jobs, int job, bool autoPlay)
{
    sourceCalls.push_back({job, autoPlay});
    if (editJob) editJob(jobs, job);
    if (sourceAnswers.empty()) return IDCANCEL;
    INT_PTR answer = sourceAnswers.front();
    sourceAnswers.pop_front();
    return answer;
}

CWnd* RecordingEncodeWindows::OpenProgressWindow(CRivoEncDlg* owner, CEncFileInfoList& jobs)
{
    progressJobCount = jobs.GetJobCount();
    auto window = std::make_unique<StandInProgressWindow>(owner);
    if (!window->Create(IDD_TEST_PROGRESS, owner)) return nullptr;
    window->CenterWindow(owner);
    window->ShowWindow(SW_SHOW);
    progressWindows.push_back(std::move(window));
    return progressWindows.back().get();
}
