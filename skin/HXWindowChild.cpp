#include "skin/HXWindowChild.h"

HXWindowChild::HXWindowChild(HXWindowMain* parent) : HXWindowMain(parent) { m_bChild = 1; }

HXWindowChild::~HXWindowChild() { m_snap.Detach(); }

int HXWindowChild::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    HXConBase::LoadAttributes(host, surface, element);
    if (!Create(host, RECT{0, 0, kInitialSize, kInitialSize}, kStyle, kExStyle)) return 0;
    m_snap.Attach(GetSafeHwnd(), 1, kSnapDistance, 1, 1, 1);
    return 1;
}
