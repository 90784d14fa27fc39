// A skin window nested in a skin ("SkinWindow" among the controls): a popup
// owned by the host, with its own controls and layout, that shares its
// parent's script host, images and skin source, is at the same time a
// control of its parent skin window, and snaps to screen edges and other
// windows while it is dragged.
#pragma once

#include "skin/HXWindowMain.h"
#include "skin/WindowSnapManager.h"

class HXWindowChild : public HXWindowMain {
public:
    static constexpr DWORD kStyle = 0x86000000;  // WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN
    static constexpr DWORD kExStyle = 0x80;      // WS_EX_TOOLWINDOW
    static constexpr int kInitialSize = 300;
    static constexpr int kSnapDistance = 10;

    explicit HXWindowChild(HXWindowMain* parent);
    ~HXWindowChild() override;

    // The common attributes, then the window: a 300 by 300 popup owned by
    // the host, attached to the snap manager. 0 when it cannot be made.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;

    WindowSnapManager& GetSnapManager() { return m_snap; }

private:
    WindowSnapManager m_snap;
};
