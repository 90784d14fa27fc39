// The information dialog: the program's name, version and copyright notice.
#pragma once

#include "platform/mfc/CDialog.h"

class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* parent = nullptr);

protected:
    BOOL OnInitDialog() override;
};
