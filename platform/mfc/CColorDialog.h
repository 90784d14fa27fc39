// The class library's colour dialog over ChooseColorW, with its own sixteen
// custom colours.
#pragma once

#include "platform/mfc/CWnd.h"
#include "platform/mfc/CommonDialogs.h"

class CColorDialog {
public:
    explicit CColorDialog(COLORREF initial = 0, DWORD flags = 0, CWnd* parent = nullptr);
    INT_PTR DoModal();
    COLORREF GetColor() const { return m_cc.rgbResult; }

    CHOOSECOLORW m_cc;

private:
    COLORREF custom_[16] = {};
};
