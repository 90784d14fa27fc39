#include "skin/controls/HXConXSplitter.h"

#include <algorithm>

#include "skin/AttributeValues.h"
#include "skin/FrameDrawing.h"
#include "skin/HDib.h"
#include "skin/HXManAlign.h"
#include "skin/SkinErrors.h"
#include "skin/SkinOwner.h"

namespace {

const wchar_t* const kPaneAttributes[4] = {L"ControlLT", L"ControlRT", L"ControlLB", L"ControlRB"};

int Clamp0(long long value, long long high)
{
    return static_cast<int>(std::clamp<long long>(value, 0, std::max(0LL, high)));
}

}  // namespace

HXConXSplitter::HXConXSplitter(SkinOwner* owner) : HXConBase(owner) {}

HXConXSplitter::~HXConXSplitter() = default;

int HXConXSplitter::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    if (!HXConBase::LoadAttributes(host, surface, element)) return 0;
    if (!element) return 1;
    CString names[4];
    for (int i = 0; i < 4; ++i)
        if (!element->GetAttribute(kPaneAttributes[i], names[i])) {
            SetLastSkinError(*this, SKINERR_MISSING_ATTRIBUTE, L"%s", kPaneAttributes[i]);
            return 0;
        }
    for (int i = 0; i < 4; ++i)
        if (!m_pOwner || !m_pOwner->FindControlId(names[i], m_paneIds[i])) {
            SetLastSkinError(*this, SKINERR_SPLITTER_CONTROL, L"%s", names[i]);
            return 0;
        }
    if (!LoadImageAttribute(element, L"ImageHFrame", &m_pHFrame, true) ||
        !LoadImageAttribute(element, L"ImageVFrame", &m_pVFrame, true) ||
        !LoadImageAttribute(element, L"ImageCenter", &m_pCenter, true) ||
        !LoadImageAttribute(element, L"ImageHPadding", &m_pHPadding) ||
        !LoadImageAttribute(element, L"ImageVPadding", &m_pVPadding))
        return 0;
    m_nBarWidth = m_pCenter->GetWidth();
    m_nBarHeight = m_pCenter->GetHeight();
    CString value;
    if (m_pOwner) {
        if (element->GetAttribute(L"CursorH", value)) m_hCursorH = m_pOwner->FindCursor(value);
        if (element->GetAttribute(L"CursorV", value)) m_hCursorV = m_pOwner->FindCursor(value);
        if (element->GetAttribute(L"CursorCenter", value)) m_hCursorCenter = m_pOwner->FindCursor(value);
    }
    element->GetAttributeInt(L"PaneAlignToLeft", m_bAlignLeft);
    element->GetAttributeInt(L"PaneAlignToTop", m_bAlignTop);
    element->GetAttributeInt(L"PaneWidth", m_nPaneWidth);
    element->GetAttributeInt(L"PaneHeight", m_nPaneHeight);
    if (element->GetAttribute(L"PaneMinSize", value)) ParseRectAttribute(value, &m_rcMin);
    return 1;
}

HXConXSplitter::Extents HXConXSplitter::PaneExtents()
{
    SIZE size;
    GetSize(&size);
    const long long w = size.cx, h = size.cy, bw = m_nBarWidth, bh = m_nBarHeight;
    long long left = m_bAlignLeft ? m_nPaneWidth : w - m_nPaneWidth - bw;
    long long right = m_bAlignLeft ? w - m_nPaneWidth - bw : m_nPaneWidth;
    long long top = m_bAlignTop ? m_nPaneHeight : h - m_nPaneHeight - bh;
    long long bottom = m_bAlignTop ? h - m_nPaneHeight - bh : m_nPaneHeight;
    Extents e{Clamp0(left, w - bw), Clamp0(right, w - bw), Clamp0(top, h - bh), Clamp0(bottom, h - bh)};
    // A pane below its minimum pushes the bar towards the other pane.
    auto minimum = [](int& near, int& far, int nearMin, int farMin) {
        if (near < nearMin && far > farMin) {
            far = near + far - nearMin;
            near = nearMin;
        } else if (near > nearMin && far < farMin) {
            near = far + near - farMin;
            far = farMin;
        }
    };
    minimum(e.top, e.bottom, m_rcMin.top, m_rcMin.bottom);
    minimum(e.left, e.right, m_rcMin.left, m_rcMin.right);
    return e;
}

HXManAlign* HXConXSplitter::PaneNode(int pane)
{
    if (!m_pOwner) return nullptr;
    if (!m_panes[pane]) m_panes[pane] = m_pOwner->FindControl(m_paneIds[pane]);
    return m_panes[pane] ? m_pOwner->FindLayoutNode(m_panes[pane]) : nullptr;
}

void HXConXSplitter::PlacePanes()
{
    HXManAlign* nodes[4];
    for (int i = 0; i < 4; ++i)
        if (!(nodes[i] = PaneNode(i))) return;
    RECT r;
    GetRect(&r);
    const Extents e = PaneExtents();
    const int x = r.left, y = r.top, bw = m_nBarWidth, bh = m_nBarHeight;
    const RECT cells[4] = {
        {x, y, x + e.left, y + e.top},
        {x + e.left + bw, y, x + e.left + bw + e.right, y + e.top},
        {x, y + e.top + bh, x + e.left, y + e.top + bh + e.bottom},
        {x + e.left + bw, y + e.top + bh, x + e.left + bw + e.right, y + e.top + bh + e.bottom},
    };
    for (int i = 0; i < 4; ++i) {
        // The cells are window coordinates; a pane's node places it in its
        // parent's.
        long long ox = 0, oy = 0;
        for (HXManAlign* up = nodes[i]->GetParent(); up; up = up->GetParent()) {
            ox += up->GetCellRect().left;
            oy += up->GetCellRect().top;
        }
        nodes[i]->SetCell(nodes[i], static_cast<int>(cells[i].left - ox), static_cast<int>(cells[i].top - oy),
                          static_cast<int>(cells[i].right - ox), static_cast<int>(cells[i].bottom - oy));
    }
}

void HXConXSplitter::SetRect(int x, int y, int width, int height, int repaint)
{
    auto edge = [](long long v) { return static_cast<LONG>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
    m_rect = RECT{x, y, edge(static_cast<long long>(x) + width), edge(static_cast<long long>(y) + height)};
    OnSize(width, height);
    if (repaint) Draw();
}

void HXConXSplitter::OnSize(int, int) { PlacePanes(); }

void HXConXSplitter::OnRefresh() { PlacePanes(); }

int HXConXSplitter::HitPart(int x, int y)
{
    const Extents e = PaneExtents();
    const bool onV = x >= e.left && x <= e.left + m_nBarWidth;
    const bool onH = y >= e.top && y <= e.top + m_nBarHeight;
    if (onV && onH) return PART_CENTER;
    if (onV) return PART_VBAR;
    if (onH) return PART_HBAR;
    return PART_NONE;
}

int HXConXSplitter::HitTest(int x, int y) { return HitPart(x, y) != PART_NONE ? 1 : 0; }

HCURSOR HXConXSplitter::GetCursor(int x, int y)
{
    switch (HitPart(x, y)) {
    case PART_HBAR: return m_hCursorH;
    case PART_VBAR: return m_hCursorV;
    case PART_CENTER: return m_hCursorCenter;
    default: return nullptr;
    }
}

int HXConXSplitter::OnButtonDown(int, int x, int y, int* capture)
{
    if (!m_bEnabled || IsTooSmall()) return 0;
    m_nDragPart = HitPart(x, y);
    if (m_nDragPart == PART_NONE) return 0;
    if (capture) *capture = 1;
    m_bDragging = 1;
    return 1;
}

int HXConXSplitter::OnMouseMove(int x, int y, int, int*)
{
    if (!m_bDragging) return 0;
    SIZE size;
    GetSize(&size);
    if (m_nDragPart == PART_VBAR || m_nDragPart == PART_CENTER)
        m_nPaneWidth = m_bAlignLeft ? x - m_nBarWidth / 2 : size.cx - m_nBarWidth / 2 - x;
    if (m_nDragPart == PART_HBAR || m_nDragPart == PART_CENTER)
        m_nPaneHeight = m_bAlignTop ? y - m_nBarHeight / 2 : size.cy - m_nBarHeight / 2 - y;
    PlacePanes();
    return 1;
}

int HXConXSplitter::OnButtonUp(int, int, int, int, int* value)
{
    if (!m_bDragging) return 0;
    if (value) *value = 1;
    m_bDragging = 0;
    return 0;
}

int HXConXSplitter::Draw()
{
    SIZE size;
    GetSize(&size);
    if (!m_bShown || size.cx <= 0 || size.cy <= 0 || IsTooSmall() || !m_pSurface || m_pSurface->IsEmpty())
        return HXConBase::Draw();
    RECT r;
    GetRect(&r);
    const Extents e = PaneExtents();
    RECT hbar{r.left, r.top + e.top, r.right, r.top + e.top + m_nBarHeight};
    RECT vbar{r.left + e.left, r.top, r.left + e.left + m_nBarWidth, r.bottom};
    if (size.cy < m_nBarHeight) hbar = r;
    if (size.cx < m_nBarWidth) vbar = r;
    DrawFrame(*m_pHFrame, m_pSurface, RECT{0, 0, m_pHFrame->GetWidth(), m_pHFrame->GetHeight()}, hbar, 1, 1);
    DrawFrame(*m_pVFrame, m_pSurface, RECT{0, 0, m_pVFrame->GetWidth(), m_pVFrame->GetHeight()}, vbar, 1, 1);
    if (m_pHPadding) {
        const int half = m_pHPadding->GetWidth() / 2;
        m_pHPadding->CopyKeyed(m_pSurface, hbar.left, hbar.top, 0, 0, half, -1);
        m_pHPadding->CopyKeyed(m_pSurface, hbar.right - half, hbar.top, half, 0, -1, -1);
    }
    if (m_pVPadding) {
        const int half = m_pVPadding->GetHeight() / 2;
        m_pVPadding->CopyKeyed(m_pSurface, vbar.left, vbar.top, 0, 0, -1, half);
        m_pVPadding->CopyKeyed(m_pSurface, vbar.left, vbar.bottom - half, 0, half, -1, -1);
    }
    if (size.cy >= m_nBarHeight && size.cx >= m_nBarWidth)
        m_pCenter->CopyKeyed(m_pSurface, r.left + e.left, r.top + e.top, 0, 0, -1, -1);
    return HXConBase::Draw();
}
