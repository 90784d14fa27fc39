// A native window of the application placed by the skin's layout
// ("WindowControl"): the window bound to the control's name by the host
// (AddWindowControl) is moved to wherever the layout puts the control, so a
// real list or edit control can live inside a skinned window. The control
// draws nothing and takes no mouse input: the native window gets it.
#pragma once

#include "skin/HXConBase.h"

class HXConWindow : public HXConBase {
public:
    using HXConBase::HXConBase;

    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    void SetRect(int x, int y, int width, int height, int repaint) override;
    int Draw() override;
    int HitTest(int x, int y) override;

    HWND GetBoundWindow() const { return m_binding.window; }

private:
    // Clip the bound window with a window region instead of moving it (the
    // skin never asks for it).
    int m_bRegion = 0;
};
