#include "encoder/ui/EncodeWindows.h"

#include "encoder/ui/CDlgEncoding.h"
#include "encoder/ui/CDlgSetInput.h"
#include "encoder/ui/CRivoEncDlg.h"

INT_PTR EncodeWindows::RunSourceSettings(CWnd* owner, CEncFileInfoList& jobs, int job, bool autoPlay)
{
    CEncFileInfo* info = jobs.GetJob(job);
    if (!info) return IDCANCEL;
    CDlgSetInput dialog(info, autoPlay ? TRUE : FALSE, owner);
    return dialog.DoModal();
}

CWnd* EncodeWindows::OpenProgressWindow(CRivoEncDlg* owner, CEncFileInfoList& jobs)
{
    auto* window = new CDlgEncoding(&jobs, owner);
    if (!window->Create(owner)) {
        // Without a window nothing will delete it; with one, its end does.
        if (!window->GetSafeHwnd()) delete window;
        return nullptr;
    }
    window->CenterWindow(owner);
    window->ShowWindow(SW_SHOW);
    return window;
}
