// The docking layout of a skin window: one node per control under one root
// for the window, in the order the controls stand in the skin. Laying out
// walks each node's children over a shrinking remaining rectangle: strips
// are taken from the edges, a client control takes what is left, centred
// and corner controls are placed without taking space, fixed controls are
// placed relative to what remains, and popup and nomove controls are left
// where they are.
#pragma once

#include <memory>
#include <vector>

#include "platform/win32/WinTypes.h"

class HXConBase;

enum SAlignType {
    ALIGN_LEFT = 0,
    ALIGN_TOP = 1,
    ALIGN_BOTTOM = 2,
    ALIGN_RIGHT = 3,
    ALIGN_CLIENT = 4,
    ALIGN_CENTER = 5,
    ALIGN_POPUP = 6,
    ALIGN_LEFTTOP = 7,
    ALIGN_RIGHTTOP = 8,
    ALIGN_RIGHTBOTTOM = 9,
    ALIGN_LEFTBOTTOM = 10,
    ALIGN_NONE = 11,
    ALIGN_NOMOVE = 12,
};

// A control's docking rule.
struct SAlignInfo {
    int type = 0;
    int width = 0;  // pixels, or per cent of the remaining width with the percent flag
    int height = 0;
    int left = 0;  // the fixed rectangle of the "none" rule
    int top = 0;
    int right = 0;
    int bottom = 0;
    int gapLeft = 0;  // both horizontal gaps first
    int gapRight = 0;
    int gapTop = 0;
    int gapBottom = 0;
    int percent = 0;  // one flag for both sizes
};
static_assert(sizeof(SAlignInfo) == 12 * 4);

class HXManAlign {
public:
    HXManAlign();
    virtual ~HXManAlign();
    HXManAlign(const HXManAlign&) = delete;
    HXManAlign& operator=(const HXManAlign&) = delete;

    // Makes this node the root of a window and stores the window's control part.
    void SetRoot(HXConBase* control);
    // Appends a node for the control with a copy of the rule; returns it.
    HXManAlign* AddChild(HXConBase* control, const SAlignInfo& rule, int repaint = 1);
    // Depth first: a child, its subtree, then the next child.
    HXManAlign* FindNode(const HXConBase* control);
    // Lays out the node's children inside a rectangle of that size.
    void Layout(HXManAlign* node, int width, int height);
    // Places one node in a cell of its parent (shrunk by its gaps), sizes its
    // control in window coordinates and lays out its children.
    void SetCell(HXManAlign* node, int left, int top, int right, int bottom);
    // Lays out the root again when restored or maximized.
    void OnWindowSize(UINT sizeType, int width, int height);

    HXConBase* GetControl() const { return m_pControl; }
    HXManAlign* GetParent() const { return m_pParent; }
    const SAlignInfo& GetRule() const { return m_info; }
    SAlignInfo& Rule() { return m_info; }
    const RECT& GetCellRect() const { return m_rect; }
    size_t GetChildCount() const { return m_children.size(); }
    HXManAlign* GetChild(size_t i) const { return m_children[i].get(); }
    bool IsRoot() const { return m_bRoot != 0; }
    int GetRepaint() const { return m_bRepaint; }
    void SetRepaint(int repaint) { m_bRepaint = repaint; }

private:
    HXManAlign* Root();

    HXConBase* m_pControl = nullptr;
    unsigned char m_bRoot = 0;
    SAlignInfo m_info;
    std::vector<std::unique_ptr<HXManAlign>> m_children;
    HXManAlign* m_pParent = nullptr;
    RECT m_rect{};
    int m_bRepaint = 1;
};
