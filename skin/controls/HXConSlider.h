// The skin's slider and scroll bar ("SliderControl"): a track drawn from
// skin images, an optional fill that grows with the position, and a knob
// that the user drags or clicks to. It reports its position to a parent that
// implements HXConSliderParent (the list box links itself so) or, without
// one, to the application through "WM_HXCONSLIDER_POSCHANGE",
// "WM_HXCONSLIDER_POSCHANGE_END" and "WM_HXCONSLIDER_POSSCANNING" with the
// value and the slider's control id.
//
// The range starts empty (-1, -1): no knob and no reaction to the mouse
// until SetRange gives one. While the user drags, positions set from outside
// are ignored, so that a list scrolling itself does not fight the drag; a
// new range keeps the dragged position (clamped into it), and an empty range
// ends the drag.
#pragma once

#include "skin/HDib.h"
#include "skin/HXConBase.h"

class HXConSliderParent;

class HXConSlider : public HXConBase {
public:
    enum { TYPE_KNOBONLY = 0, TYPE_FILLEMPTY = 1 };
    enum { KNOB_FIXED = 0, KNOB_VARIABLE = 1 };
    enum { HORIZONTAL = 0, VERTICAL = 1 };

    explicit HXConSlider(SkinOwner* owner);
    ~HXConSlider() override;

    // Image, ImageKnob, ImageKnobHot, ImageRange, ImageFill, ImageEmpty
    // (unknown: error 5), ImageEdge, SliderType and KnobType (other values:
    // error 7), ScrollBar, Orientation (error 7), then the common attributes.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int Draw() override;
    // "autosize" Width or Height: the largest of the track, knob, range and
    // fill images plus the inner gaps on both sides.
    int LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode) override;
    void OnSize(int width, int height) override;
    void OnRefresh() override;
    int OnMouseMove(int x, int y, int captured, int* track) override;
    int OnMouseLeave() override;
    int OnButtonDown(int button, int x, int y, int* capture) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;

    // minimum = a, maximum = b, swapped (and reversed) when b < a; the
    // position becomes a, or while dragging the dragged position clamped
    // into the range; page -1 leaves a variable knob's length as it is.
    void SetRange(int a, int b, int page, int refresh);
    void SetRange(int a, int b, int refresh) { SetRange(a, b, -1, refresh); }
    // From outside: ignored while the user drags (returns 1 then, else 0).
    int SetPosition(int value);
    // Clamped into the range (and the allowed sub-range when it clamps).
    void SetPositionInner(int value);
    // maximum + minimum - position when reversed, else the position.
    int OuterPosition() const;
    // The part of the range the position may take (marked by ImageRange);
    // clampKind 1 holds the position inside it. on 0 switches it off.
    void SetSubRange(int on, int lower, int upper, int clampKind);
    void SetSliderParent(HXConSliderParent* parent) { m_pParent = parent; }

    int GetMinimum() const { return m_nMin; }
    int GetMaximum() const { return m_nMax; }
    int GetPosition() const { return m_nPos; }
    int GetPage() const { return m_nPage; }
    bool IsReversed() const { return m_bReversed != 0; }
    bool IsDragging() const { return m_bDragging != 0; }
    bool IsHot() const { return m_bHot != 0; }
    bool IsRangeEmpty() const { return m_nMin == m_nMax; }
    int GetKnobLength() const { return m_nKnobLength; }
    int GetOrientation() const { return m_nOrientation; }
    // The pixels of the composed slider (track, fill and knob).
    const HDib& GetFrameSurface() const { return m_frame; }
    // The position a point (control coordinates) maps to.
    int PositionAt(int x, int y) const;

private:
    void ComposeTrack();
    void DrawKnob(int force);
    void DrawVariableKnob(const HDib& knob, int start);
    void ReportChange();
    void ReportEnd();
    void ReportScanning(int position);
    int Length() const { return m_nOrientation == VERTICAL ? m_nHeight : m_nWidth; }
    // The image's extent along the slider.
    int AlongOf(const HDib& image) const;
    // The source rectangle [from, from + length) along the slider of the
    // image, stretched keyed over [to, to + toLength) of the target.
    void StretchAlong(const HDib& image, int from, int length, HDib* target, int to, int toLength, int across);
    void CopyAlong(const HDib& image, int from, int length, HDib* target, int to);

    HDib m_frame;  // the track with fill and knob as last drawn
    HDib m_track;  // the track alone
    HDib m_scratch;
    int m_bDragging = 0;
    int m_nWidth = 0;
    int m_nHeight = 0;
    HDib* m_pImage = nullptr;  // the window's images
    HDib* m_pKnob = nullptr;
    HDib* m_pKnobHot = nullptr;
    HDib* m_pFill = nullptr;
    HDib* m_pEmpty = nullptr;
    HDib* m_pRange = nullptr;
    int m_nMax = -1;
    int m_nMin = -1;
    int m_nPos = 0;
    int m_nLastScan = 0;
    int m_bReversed = 0;
    int m_nPage = -1;
    int m_nKnobX = -1;  // last knob offsets along x and y
    int m_nKnobY = -1;
    int m_nSubUpper = 0;
    int m_nSubLower = 0;
    int m_bSubRange = 0;
    int m_nSubClamp = 1;
    int m_nStartEdge = 0;
    int m_nEndEdge = 0;
    int m_nSliderType = TYPE_KNOBONLY;
    int m_nKnobType = KNOB_FIXED;
    int m_nOrientation = HORIZONTAL;
    int m_nKnobLength = 0;
    int m_bScrollBar = 0;
    POINT m_ptPress{};
    HXConSliderParent* m_pParent = nullptr;
    int m_bHot = 0;
};
