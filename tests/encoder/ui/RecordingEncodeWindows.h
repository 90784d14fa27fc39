// The main window's two job windows for its tests: the source settings
// window answers from a queue and records what it was asked; the progress
// window is a small modeless dialog that, asked to close, either stays (as
// when the user keeps the conversion) or goes and tells the main window.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <vector>

#include "encoder/ui/CRivoEncDlg.h"
#include "encoder/ui/IEncodeWindows.h"
#include "platform/mfc/CDialog.h"

class StandInProgressWindow : public CDialog {
public:
    explicit StandInProgressWindow(CRivoEncDlg* owner) : owner_(owner) {}
    // How often it was asked to close; while keepOpen is set it stays.
    int closeRequests = 0;
    bool keepOpen = false;

protected:
    void OnClose()
    {
        ++closeRequests;
        if (keepOpen) return;
        DestroyWindow();
        owner_->EndModalChild();
    }
    DECLARE_MESSAGE_MAP()

private:
    CRivoEncDlg* owner_;
};

class RecordingEncodeWindows : public IEncodeWindows {
public:
    struct SourceCall {
        int job;
        bool autoPlay;
    };
    INT_PTR RunSourceSettings(CWnd* owner, CEncFileInfoList& jobs, int job, bool autoPlay) override;
    CWnd* OpenProgressWindow(CRivoEncDlg* owner, CEncFileInfoList& jobs) override;

    // What the source settings window does before it answers (changing the
    // job, say), and its answers (IDCANCEL once they are used up).
    std::function<void(CEncFileInfoList&, int)> editJob;
    std::deque<INT_PTR> sourceAnswers;
    std::vector<SourceCall> sourceCalls;
    // The progress windows made, the last one still open or gone.
    std::vector<std::unique_ptr<StandInProgressWindow>> progressWindows;
    int progressJobCount = -1;
};
