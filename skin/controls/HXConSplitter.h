// The skin's bar splitter ("SplitterControl"): a static control that, when
// dragged, changes the docking size of one other control (AssociateControl)
// and lays the window out again. The control docked left or top grows as
// the bar moves right or down; one docked right or bottom shrinks, so that
// its edge follows the bar either way.
#pragma once

#include "skin/controls/HXConStatic.h"

class HXManAlign;

class HXConSplitter : public HXConStatic {
public:
    explicit HXConSplitter(SkinOwner* owner);

    // The static's attributes, then AssociateControl (a name bound to a
    // control id; unbound: error 46 with the name).
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    int OnMouseMove(int x, int y, int captured, int* track) override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;
    int HitTest(int x, int y) override;

    int GetAssociatedId() const { return m_nAssociateId; }
    bool IsDragging() const { return m_bDragging != 0; }

private:
    // The associated control's layout node; null without the control or node.
    HXManAlign* AssociatedNode();

    int m_bDragging = 0;
    POINT m_ptPress{};  // the cursor on the screen at the press
    int m_nAssociateId = 0;
    int m_nPressWidth = 0;
    int m_nPressHeight = 0;
};
