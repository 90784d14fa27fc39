// The push button of a skin ("ButtonControl"): one cell of a strip image by
// mouse state (normal, hover, pressed) and enabled state, optionally as a
// nine-part frame, or a plain colour, with up to four texts. A left click
// (or a double click) posts the control's command or runs its "OnEvent"
// script; a right click posts its second command. A hidden button is neither
// drawn nor hit, whatever its rectangle.
#pragma once

#include "skin/controls/SkinImageControl.h"

class HXConButton : public SkinImageControl {
public:
    static constexpr UINT kDefaultTextFormat = 0x25;  // DT_CENTER | DT_VCENTER | DT_SINGLELINE
    enum { STATE_NORMAL = 0, STATE_HOVER = 1, STATE_PRESSED = 2 };

    explicit HXConButton(SkinOwner* owner);

    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    // An empty rectangle of a shown button stands for one cell at its corner.
    void GetRect(RECT* rect) override;
    int Draw() override;
    int HitTest(int x, int y) override;
    int OnMouseMove(int x, int y, int captured, int* track) override;
    int OnMouseLeave() override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;

    // The cell shown for the current states.
    int GetCell() const;
    int GetCellCount() const { return m_nCellCount; }
    int GetMouseState() const { return m_nMouseState; }
    int GetPressedButton() const { return m_nPressedButton; }
    bool HasFrame() const { return m_bFrame != 0; }
    SIZE GetCellSize() const { return SIZE{m_nCellWidth, m_nCellHeight}; }

protected:
    void OnImageSelected() override;
    bool TracksHover() const { return m_nCellCount >= 4 || m_nCellCount == -3; }
    bool Inside(int x, int y);

    int m_nCellCount = 1;
    int m_nMouseState = STATE_NORMAL;
    int m_nPressedButton = 0;
    int m_nCellWidth = 0;  // one cell of the current image
    int m_nCellHeight = 0;
    int m_bFrame = 0;
};
