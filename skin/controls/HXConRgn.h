// A region control of a skin ("Rgn" under "RegionDefine"): a region of its
// own size (rectangle, ellipse, rounded rectangle, or the opaque pixels of a
// skin image) and a combine mode. The window lays its region controls out
// like controls and combines their regions, moved to where each control now
// stands, into its window region. It draws nothing.
#pragma once

#include "platform/win32/gui/Regions.h"
#include "skin/HXConBase.h"

class HXConRgn : public HXConBase {
public:
    enum { TYPE_NONE = 0, TYPE_RECT = 1, TYPE_ELLIPSE = 2, TYPE_ROUNDRECT = 3, TYPE_BITMAP = 4 };

    explicit HXConRgn(SkinOwner* owner);
    ~HXConRgn() override;

    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    void OnSize(int width, int height) override;

    int GetType() const { return m_nType; }
    HRGN GetRegion() const { return m_hRegion; }
    int GetCombineMode() const { return m_nMode; }
    // Where the region stands now (the window moves it to the control).
    POINT GetRegionOrigin() const { return m_ptOrigin; }
    void SetRegionOrigin(POINT origin) { m_ptOrigin = origin; }

private:
    POINT m_ptOrigin{0, 0};
    HRGN m_hRegion = nullptr;  // owned
    int m_nMode = RGN_OR;
    int m_nImageWidth = 0;
    int m_nImageHeight = 0;
    int m_nType = TYPE_NONE;
    int m_nCornerWidth = 0;
    int m_nCornerHeight = 0;
    int m_nLastWidth = -1;
    int m_nLastHeight = -1;
};
