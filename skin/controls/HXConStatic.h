// The image and text element of a skin ("StaticControl"): backgrounds,
// frames, labels, animations and plain colour areas. It draws its current
// image tiled, stretched, as a nine-part or three-part frame, animated cell
// by cell, or unscaled, or a colour, and its first text. It lets the mouse
// through to what lies under it unless it has a tooltip, a non-client hit
// code or "NotifyClick", which posts its command on a click (1) or a double
// click (2).
#pragma once

#include "skin/controls/SkinImageControl.h"

class HXConStatic : public SkinImageControl {
public:
    enum {
        DRAW_TILE = 0,
        DRAW_STRETCH = 1,
        DRAW_FRAME = 2,
        DRAW_FILLFRAME = 3,
        DRAW_HFRAME = 4,
        DRAW_VFRAME = 5,
        DRAW_ANIMATION = 6,
        DRAW_TILEANIMATION = 7,
        DRAW_NONE = 8,
    };
    enum { CLICK_NONE = 0, CLICK_SINGLE = 1, CLICK_DOUBLE = 2 };
    static constexpr int kDefaultAnimationDelay = 1000;

    explicit HXConStatic(SkinOwner* owner);

    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    int Draw() override;
    void OnRefresh() override;
    void SetText(const wchar_t* text, int index) override;
    int HitTest(int x, int y) override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;
    void OnTimer(int key) override;

    int GetDrawMode() const { return m_nDrawMode; }
    int GetClickMode() const { return m_nClickMode; }
    int GetAnimationCells() const { return m_nAniCells; }
    int GetAnimationCell() const { return m_nAniCell; }
    int GetAnimationDelay() const { return m_nAniDelay; }

protected:
    bool IsAnimated() const { return m_nDrawMode == DRAW_ANIMATION || m_nDrawMode == DRAW_TILEANIMATION; }
    void DrawImage(const RECT& r);

    HDib m_frameImage;  // one animation cell
    int m_nDrawMode = DRAW_TILE;
    HDib m_stretchCache;  // the image stretched to the control
    int m_nClickMode = CLICK_NONE;
    int m_bPressed = 0;
    int m_nAniCells = 1;
    int m_nAniCell = 0;
    int m_nAniDelay = kDefaultAnimationDelay;
};
