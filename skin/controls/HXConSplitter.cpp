#include "skin/controls/HXConSplitter.h"

#include <algorithm>

#include "platform/win32/gui/Input.h"
#include "skin/HXManAlign.h"
#include "skin/SkinErrors.h"
#include "skin/SkinOwner.h"

namespace {

int Clamp(long long value) { return static_cast<int>(std::clamp<long long>(value, 0, INT32_MAX)); }

}  // namespace

HXConSplitter::HXConSplitter(SkinOwner* owner) : HXConStatic(owner) {}

int HXConSplitter::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    if (!HXConStatic::LoadAttributes(host, surface, element)) return 0;
    CString name;
    if (element && element->GetAttribute(L"AssociateControl", name) &&
        (!m_pOwner || !m_pOwner->FindControlId(name, m_nAssociateId))) {
        SetLastSkinError(*this, SKINERR_SPLITTER_CONTROL, L"%s", name);
        return 0;
    }
    return 1;
}

int HXConSplitter::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    return HXConBase::LoadAlign(element, info, errorCode);
}

int HXConSplitter::HitTest(int, int) { return 1; }

HXManAlign* HXConSplitter::AssociatedNode()
{
    if (!m_pOwner) return nullptr;
    HXConBase* associated = m_pOwner->FindControl(m_nAssociateId);
    return associated ? m_pOwner->FindLayoutNode(associated) : nullptr;
}

int HXConSplitter::OnButtonDown(int, int, int, int* capture)
{
    if (!m_bEnabled || IsTooSmall() || !m_pOwner) return 0;
    HXManAlign* node = AssociatedNode();
    if (!node) return 0;
    m_nPressWidth = node->GetRule().width;
    m_nPressHeight = node->GetRule().height;
    GetCursorPos(&m_ptPress);
    if (capture) *capture = 1;
    m_bDragging = 1;
    return 1;
}

int HXConSplitter::OnMouseMove(int, int, int, int*)
{
    if (!m_bDragging) return 0;
    // Looked up again at every step: the skin may have been rebuilt since
    // the press.
    HXManAlign* node = AssociatedNode();
    if (!node) {
        m_bDragging = 0;
        return 0;
    }
    POINT p;
    GetCursorPos(&p);
    long long dx = static_cast<long long>(p.x) - m_ptPress.x;
    long long dy = static_cast<long long>(p.y) - m_ptPress.y;
    // A control docked at the right or bottom edge has the bar on its near
    // side: moving the bar towards the edge makes it smaller.
    SAlignInfo& rule = node->Rule();
    if (rule.type == ALIGN_RIGHT) dx = -dx;
    if (rule.type == ALIGN_BOTTOM) dy = -dy;
    rule.width = Clamp(m_nPressWidth + dx);
    rule.height = Clamp(m_nPressHeight + dy);
    m_pOwner->Relayout();
    return 1;
}

int HXConSplitter::OnButtonUp(int, int, int, int, int* value)
{
    if (!m_bDragging) return 0;
    if (value) *value = 1;
    m_bDragging = 0;
    return 0;
}
