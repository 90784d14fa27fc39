// The two windows the main window opens on its jobs: the source settings
// window (modal, on one job) and the encoding-progress window (modeless, on
// the whole list). The program hands the main window the real ones
// (EncodeWindows); tests of the main window alone hand it stand-ins.
#pragma once

#include "platform/win32/WinTypes.h"

class CEncFileInfoList;
class CRivoEncDlg;
class CWnd;

class IEncodeWindows {
public:
    // What the source settings window answers besides IDOK and IDCANCEL:
    // the job's values go to every job.
    static constexpr INT_PTR kApplyToAll = 17;

    virtual ~IEncodeWindows() = default;

    // Runs the source settings window modally on the job at the index;
    // autoPlay starts the preview at once. Its result.
    virtual INT_PTR RunSourceSettings(CWnd* owner, CEncFileInfoList& jobs, int job, bool autoPlay) = 0;
    // Makes the progress window modeless over the main window, centred on
    // it and shown; it runs the batch and calls the main window's
    // EndModalChild once it is gone (also when it refuses to start and goes
    // at once). Null when no window could be made.
    virtual CWnd* OpenProgressWindow(CRivoEncDlg* owner, CEncFileInfoList& jobs) = 0;
};
