#include "skin/controls/HXConSlider.h"

#include <algorithm>

#include "platform/win32/TextScan.h"
#include "skin/AttributeValues.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/controls/HXConSliderParent.h"

namespace {

// Edge lengths come from the skin; negative ones would run the knob
// arithmetic backwards, absurd ones past any image.
int EdgeLength(int value) { return std::clamp(value, 0, 1 << 16); }

}  // namespace

HXConSlider::HXConSlider(SkinOwner* owner) : HXConBase(owner) {}

HXConSlider::~HXConSlider() = default;

int HXConSlider::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return HXConBase::LoadAttributes(host, surface, element);
    if (!LoadImageAttribute(element, L"Image", &m_pImage) || !LoadImageAttribute(element, L"ImageKnob", &m_pKnob) ||
        !LoadImageAttribute(element, L"ImageKnobHot", &m_pKnobHot) ||
        !LoadImageAttribute(element, L"ImageRange", &m_pRange) ||
        !LoadImageAttribute(element, L"ImageFill", &m_pFill) || !LoadImageAttribute(element, L"ImageEmpty", &m_pEmpty))
        return 0;
    CString value;
    if (element->GetAttribute(L"ImageEdge", value)) {
        int start = 0, end = 0;
        ParsePointAttribute(value, &start, &end);
        m_nStartEdge = EdgeLength(start);
        m_nEndEdge = EdgeLength(end);
    }
    m_nKnobLength = m_nStartEdge + m_nEndEdge;
    if (element->GetAttribute(L"SliderType", value)) {
        if (value == L"fillempty")
            m_nSliderType = TYPE_FILLEMPTY;
        else if (value == L"knobonly")
            m_nSliderType = TYPE_KNOBONLY;
        else {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s", value);
            return 0;
        }
    }
    element->GetAttributeInt(L"ScrollBar", m_bScrollBar);
    if (element->GetAttribute(L"KnobType", value)) {
        if (value == L"fixed")
            m_nKnobType = KNOB_FIXED;
        else if (value == L"variable")
            m_nKnobType = KNOB_VARIABLE;
        else {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s", value);
            return 0;
        }
    }
    if (element->GetAttribute(L"Orientation", value)) {
        if (value == L"vertical")
            m_nOrientation = VERTICAL;
        else if (value == L"horizontal")
            m_nOrientation = HORIZONTAL;
        else {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"Orientation", value);
            return 0;
        }
    }
    return HXConBase::LoadAttributes(host, surface, element);
}

int HXConSlider::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    if (!HXConBase::LoadAlign(element, info, errorCode)) return 0;
    auto largest = [this](bool width) {
        int size = 0;
        for (const HDib* image : {m_pImage, m_pKnob, m_pRange, m_pFill})
            if (image) size = std::max(size, width ? image->GetWidth() : image->GetHeight());
        return size;
    };
    CString value;
    if (element->GetAttribute(L"Width", value) && value == L"autosize") {
        info->width = largest(true) + m_rcInnerGaps.left + m_rcInnerGaps.right;
        if (info->type == ALIGN_NONE) info->right = info->left + info->width;
    }
    if (element->GetAttribute(L"Height", value) && value == L"autosize") {
        info->height = largest(false) + m_rcInnerGaps.top + m_rcInnerGaps.bottom;
        if (info->type == ALIGN_NONE) info->bottom = info->top + info->height;
    }
    return 1;
}

// ---- Range and position -------------------------------------------------------------

void HXConSlider::SetRange(int a, int b, int page, int refresh)
{
    m_nMin = std::min(a, b);
    m_nMax = std::max(a, b);
    m_bReversed = b < a ? 1 : 0;
    if (m_nMin == m_nMax) {
        // Nothing to drag in an empty range: the drag ends with it, so that
        // positions from outside are taken again.
        m_bDragging = 0;
        m_nPos = a;
    } else if (m_bDragging) {
        // The user still holds the knob: the position stays where the drag
        // put it, inside the new range.
        m_nPos = std::clamp(m_nPos, m_nMin, m_nMax);
    } else {
        m_nPos = a;
    }
    m_nPage = page;
    DrawKnob(1);
    if (refresh) InvalidateControl();
}

void HXConSlider::SetPositionInner(int value)
{
    value = std::clamp(value, m_nMin, m_nMax);
    if (m_bSubRange && m_nSubClamp == 1)
        value = std::clamp(value, std::min(m_nSubLower, m_nSubUpper), std::max(m_nSubLower, m_nSubUpper));
    m_nPos = value;
    DrawKnob(0);
    InvalidateControl();
}

int HXConSlider::SetPosition(int value)
{
    if (m_bDragging) return m_bDragging;
    SetPositionInner(m_bReversed ? static_cast<int>(static_cast<long long>(m_nMax) + m_nMin - value) : value);
    return 0;
}

int HXConSlider::OuterPosition() const
{
    return m_bReversed ? static_cast<int>(static_cast<long long>(m_nMax) + m_nMin - m_nPos) : m_nPos;
}

void HXConSlider::SetSubRange(int on, int lower, int upper, int clampKind)
{
    m_bSubRange = on ? 1 : 0;
    m_nSubLower = lower;
    m_nSubUpper = upper;
    m_nSubClamp = clampKind;
    ComposeTrack();
    DrawKnob(1);
    InvalidateControl();
}

int HXConSlider::PositionAt(int x, int y) const
{
    if (IsRangeEmpty()) return m_nMin;
    const long long grab = m_bScrollBar ? m_nKnobLength / 2 : m_nStartEdge;
    const long long usable = static_cast<long long>(Length()) - m_nKnobLength;
    // A knob as long as the track (or longer) leaves it nowhere to go.
    if (usable <= 0) return m_nMin;
    const long long e = std::clamp((m_nOrientation == VERTICAL ? y : x) - grab, 0LL, usable);
    if (e == 0) return m_nMin;
    const long long range = static_cast<long long>(m_nMax) - m_nMin;
    return static_cast<int>(m_nMin + (2 * e * range + usable) / (2 * usable));
}

// ---- Reports ---------------------------------------------------------------------------

void HXConSlider::ReportChange()
{
    const int outer = OuterPosition();
    if (m_pParent)
        m_pParent->OnSliderPosChange(outer, m_binding.id);
    else
        SendControlNotify(SliderPosChangeMessage(), static_cast<WPARAM>(outer), m_binding.id);
}

void HXConSlider::ReportEnd()
{
    const int outer = OuterPosition();
    if (m_pParent)
        m_pParent->OnSliderPosChangeEnd(outer, m_binding.id);
    else
        SendControlNotify(SliderPosChangeEndMessage(), static_cast<WPARAM>(outer), m_binding.id);
}

void HXConSlider::ReportScanning(int position)
{
    if (m_pParent)
        m_pParent->OnSliderScanning(position, m_binding.id);
    else
        SendControlNotify(SliderPosScanningMessage(), static_cast<WPARAM>(position), m_binding.id);
}

// ---- Mouse --------------------------------------------------------------------------------

int HXConSlider::OnButtonDown(int button, int x, int y, int* capture)
{
    if (button != 1 || IsRangeEmpty() || !m_bEnabled || !m_bShown) return 0;
    const int mapped = PositionAt(x, y);
    m_bDragging = 1;
    if (capture) *capture = 1;
    m_ptPress = POINT{x, y};
    SetPositionInner(mapped);
    ReportChange();
    return 1;
}

int HXConSlider::OnMouseMove(int x, int y, int, int* track)
{
    if (IsRangeEmpty()) return 0;
    if (track && (!m_bDragging || m_pKnobHot)) *track = 1;
    const int hot = m_pKnobHot ? 1 : 0;
    const int mapped = PositionAt(x, y);
    if (m_bDragging || hot != m_bHot) {
        if (mapped == m_nPos && hot == m_bHot) return 0;
        m_bHot = hot;
        if (m_bDragging) {
            SetPositionInner(mapped);
            ReportChange();
        } else {
            DrawKnob(1);
            InvalidateControl();
        }
    }
    if (mapped != m_nLastScan) {
        m_nLastScan = mapped;
        ReportScanning(mapped);
    }
    return 0;
}

int HXConSlider::OnMouseLeave()
{
    if (m_bHot) {
        m_bHot = 0;
        DrawKnob(1);
        InvalidateControl();
    }
    return 0;
}

int HXConSlider::OnButtonUp(int, int, int, int, int* value)
{
    if (!m_bDragging) return 0;
    m_bDragging = 0;
    if (IsRangeEmpty()) return 0;
    ReportEnd();
    if (value) *value = 1;
    return 1;
}

// ---- Drawing -------------------------------------------------------------------------------

void HXConSlider::OnSize(int width, int height)
{
    if (width < 0 || height < 0) return;
    m_nWidth = width;
    m_nHeight = height;
    if (m_track.GetWidth() < width || m_track.GetHeight() < height) {
        m_track.CreateFilled(width, height, 24, HDib::kKeyColor);
        m_frame.Create(width, height, 24);
    }
    ComposeTrack();
    DrawKnob(1);
}

void HXConSlider::OnRefresh()
{
    ComposeTrack();
    DrawKnob(1);
}

int HXConSlider::Draw()
{
    if (!m_bShown || IsTooSmall()) return 1;
    if (m_frame.IsEmpty() || !m_pSurface) return 0;
    RECT r;
    GetRect(&r);
    m_frame.CopyKeyed(m_pSurface, r.left, r.top, 0, 0, m_nWidth, m_nHeight);
    return HXConBase::Draw();
}

int HXConSlider::AlongOf(const HDib& image) const
{
    return m_nOrientation == VERTICAL ? image.GetHeight() : image.GetWidth();
}

void HXConSlider::StretchAlong(const HDib& image, int from, int length, HDib* target, int to, int toLength, int across)
{
    if (length <= 0 || toLength <= 0 || across <= 0) return;
    const bool vertical = m_nOrientation == VERTICAL;
    const int w = vertical ? across : toLength, h = vertical ? toLength : across;
    // Through a scratch image, so that the image's key colour stays
    // transparent over what lies beneath.
    if (m_scratch.GetWidth() < w || m_scratch.GetHeight() < h) m_scratch.Create(w, h, 24);
    if (m_scratch.IsEmpty()) return;
    if (vertical)
        image.StretchCopy(&m_scratch, 0, 0, w, h, 0, from, image.GetWidth(), length);
    else
        image.StretchCopy(&m_scratch, 0, 0, w, h, from, 0, length, image.GetHeight());
    m_scratch.CopyKeyed(target, vertical ? 0 : to, vertical ? to : 0, 0, 0, w, h);
}

void HXConSlider::CopyAlong(const HDib& image, int from, int length, HDib* target, int to)
{
    if (length <= 0) return;
    if (m_nOrientation == VERTICAL)
        image.CopyKeyed(target, 0, to, 0, from, image.GetWidth(), length);
    else
        image.CopyKeyed(target, to, 0, from, 0, length, image.GetHeight());
}

void HXConSlider::ComposeTrack()
{
    if (m_track.IsEmpty()) return;
    m_track.Fill(HDib::kKeyColor);
    const bool vertical = m_nOrientation == VERTICAL;
    const int length = Length();
    if (m_nSliderType == TYPE_FILLEMPTY && m_pEmpty) {
        const int extent = vertical ? m_nHeight : std::min(m_pEmpty->GetHeight(), m_nHeight);
        if (m_nWidth > 0 && extent > 0)
            m_pEmpty->StretchCopy(&m_track, 0, 0, m_nWidth, extent, 0, 0, m_pEmpty->GetWidth(), m_pEmpty->GetHeight());
    } else if (m_pImage) {
        const int middle = AlongOf(*m_pImage) - m_nStartEdge - m_nEndEdge;
        if (middle > 0) {
            const RECT over = vertical ? RECT{0, 0, std::min(m_pImage->GetWidth(), m_nWidth), m_nHeight}
                                       : RECT{0, 0, m_nWidth, std::min(m_pImage->GetHeight(), m_nHeight)};
            if (vertical)
                m_pImage->Tile(&m_track, over, 0, 0, 1, 0, m_nStartEdge, m_pImage->GetWidth(), middle);
            else
                m_pImage->Tile(&m_track, over, 0, 0, 1, m_nStartEdge, 0, middle, m_pImage->GetHeight());
        }
    }
    if (m_pImage) {
        CopyAlong(*m_pImage, 0, m_nStartEdge, &m_track, 0);
        CopyAlong(*m_pImage, AlongOf(*m_pImage) - m_nEndEdge, m_nEndEdge, &m_track, length - m_nEndEdge);
    }
    if (m_bSubRange && m_pRange && !IsRangeEmpty()) {
        const int usable = length - m_nStartEdge - m_nEndEdge;
        const int range = m_nMax - m_nMin;
        const int lower = m_nStartEdge + MulDiv(usable, std::min(m_nSubLower, m_nSubUpper) - m_nMin, range);
        const int upper = m_nStartEdge + MulDiv(usable, std::max(m_nSubLower, m_nSubUpper) - m_nMin, range);
        if (upper > lower) {
            const HDib& r = *m_pRange;
            const int across = vertical ? r.GetWidth() : r.GetHeight();
            StretchAlong(r, m_nStartEdge, AlongOf(r) - m_nStartEdge - m_nEndEdge, &m_track, lower, upper - lower,
                         across);
            CopyAlong(r, 0, m_nStartEdge, &m_track, lower - m_nStartEdge);
            CopyAlong(r, AlongOf(r) - m_nEndEdge, m_nEndEdge, &m_track, upper);
        }
    }
}

void HXConSlider::DrawKnob(int force)
{
    if (m_frame.IsEmpty() || m_track.IsEmpty()) return;
    const HDib* knob = (m_bHot && m_pKnobHot) ? m_pKnobHot : m_pKnob;
    if (IsRangeEmpty()) {
        m_track.Copy(&m_frame, 0, 0, 0, 0, -1, -1);
        m_nKnobX = m_nKnobY = -1;
        return;
    }
    const int range = m_nMax - m_nMin;
    const int x = MulDiv(m_nWidth - m_nStartEdge - m_nEndEdge, m_nPos - m_nMin, range);
    const int y = MulDiv(m_nHeight - m_nStartEdge - m_nEndEdge, m_nPos - m_nMin, range);
    const bool vertical = m_nOrientation == VERTICAL;
    if (!force && (vertical ? y == m_nKnobY : x == m_nKnobX)) return;
    m_nKnobX = x;
    m_nKnobY = y;
    m_track.Copy(&m_frame, 0, 0, 0, 0, -1, -1);
    if (m_nSliderType == TYPE_FILLEMPTY && m_pFill) {
        if (vertical)
            StretchAlong(*m_pFill, 0, m_pFill->GetHeight(), &m_frame, 0, y + m_nStartEdge, m_nWidth);
        else
            StretchAlong(*m_pFill, 0, m_pFill->GetWidth(), &m_frame, 0, x + m_nStartEdge,
                         std::min(m_pFill->GetHeight(), m_nHeight));
    }
    if (m_nKnobType == KNOB_FIXED) {
        if (knob) {
            if (vertical)
                knob->CopyKeyed(&m_frame, 0, m_nStartEdge + y - knob->GetHeight() / 2, 0, 0, -1, -1);
            else
                knob->CopyKeyed(&m_frame, m_nStartEdge + x - knob->GetWidth() / 2, 0, 0, 0, -1, -1);
        }
        return;
    }
    if (m_nPage != -1) m_nKnobLength = std::max(MulDiv(Length(), m_nPage, m_nPage + range), knob ? AlongOf(*knob) : 0);
    const int start = static_cast<int>((static_cast<long long>(m_nPos) - m_nMin) * (Length() - m_nKnobLength) / range);
    if (knob) DrawVariableKnob(*knob, start);
}

void HXConSlider::DrawVariableKnob(const HDib& knob, int start)
{
    const int along = AlongOf(knob);
    const int across = m_nOrientation == VERTICAL ? knob.GetWidth() : knob.GetHeight();
    CopyAlong(knob, 0, m_nStartEdge, &m_frame, start);
    CopyAlong(knob, along - m_nEndEdge, m_nEndEdge, &m_frame, start + m_nKnobLength - m_nEndEdge);
    StretchAlong(knob, m_nStartEdge, along - m_nStartEdge - m_nEndEdge, &m_frame, start + m_nStartEdge,
                 m_nKnobLength - m_nStartEdge - m_nEndEdge, across);
}
