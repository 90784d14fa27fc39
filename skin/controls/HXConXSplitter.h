// The skin's cross splitter ("XSplitterControl"): a horizontal and a vertical
// bar that divide the control's rectangle into four panes, each another
// control of the window whose layout cell the splitter sets. The bars are
// dragged apart or together (the centre moves both); the pane width and
// height count from the left and top edges, or from the right and bottom
// ones, and minimum pane sizes push a bar back.
#pragma once

#include "skin/HXConBase.h"

class HXManAlign;

class HXConXSplitter : public HXConBase {
public:
    enum { PANE_LT = 0, PANE_RT = 1, PANE_LB = 2, PANE_RB = 3 };
    enum { PART_NONE = 0, PART_HBAR = 1, PART_VBAR = 2, PART_CENTER = 3 };

    explicit HXConXSplitter(SkinOwner* owner);
    ~HXConXSplitter() override;

    // The common attributes, then ControlLT, ControlRT, ControlLB, ControlRB
    // (missing: error 4; unknown names: 46), ImageHFrame, ImageVFrame and
    // ImageCenter (missing: 4; unknown: 5), the optional paddings (5),
    // cursors, alignment flags, pane sizes and PaneMinSize.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    // Stores the rectangle, always lays the panes out again, draws when asked.
    void SetRect(int x, int y, int width, int height, int repaint) override;
    int Draw() override;
    void OnSize(int width, int height) override;
    void OnRefresh() override;
    HCURSOR GetCursor(int x, int y) override;
    int OnMouseMove(int x, int y, int captured, int* track) override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;
    int HitTest(int x, int y) override;

    // The bar part at a point (control coordinates).
    int HitPart(int x, int y);
    // The extents of the four panes as the bars give them: left and right
    // widths, top and bottom heights.
    struct Extents {
        int left, right, top, bottom;
    };
    Extents PaneExtents();
    bool IsDragging() const { return m_bDragging != 0; }
    int GetPaneWidth() const { return m_nPaneWidth; }
    int GetPaneHeight() const { return m_nPaneHeight; }

private:
    // The panes' cells from the bars; nothing while a pane or its layout
    // node is missing.
    void PlacePanes();
    HXManAlign* PaneNode(int pane);

    HXConBase* m_panes[4] = {};
    int m_paneIds[4] = {};
    HDib* m_pHFrame = nullptr;  // the window's images
    HDib* m_pVFrame = nullptr;
    HDib* m_pCenter = nullptr;
    HDib* m_pHPadding = nullptr;
    HDib* m_pVPadding = nullptr;
    int m_nBarWidth = 0;   // of the vertical bar
    int m_nBarHeight = 0;  // of the horizontal bar
    int m_nPaneWidth = 0;
    int m_nPaneHeight = 0;
    int m_bAlignLeft = 1;
    int m_bAlignTop = 1;
    HCURSOR m_hCursorH = nullptr;
    HCURSOR m_hCursorV = nullptr;
    HCURSOR m_hCursorCenter = nullptr;
    RECT m_rcMin{};
    int m_bDragging = 0;
    int m_nDragPart = PART_NONE;
};
