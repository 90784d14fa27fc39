// The real job windows of the main window: the source-settings window and
// the encoding-progress window, which deletes itself once its window goes.
#pragma once

#include "encoder/ui/IEncodeWindows.h"

class EncodeWindows : public IEncodeWindows {
public:
    INT_PTR RunSourceSettings(CWnd* owner, CEncFileInfoList& jobs, int job, bool autoPlay) override;
    CWnd* OpenProgressWindow(CRivoEncDlg* owner, CEncFileInfoList& jobs) override;
};
