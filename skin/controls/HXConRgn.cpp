#include "skin/controls/HXConRgn.h"

#include "platform/win32/gui/GdiObjects.h"
#include "skin/AttributeValues.h"
#include "skin/HDib.h"
#include "skin/SkinErrors.h"
#include "skin/WindowRegion.h"

HXConRgn::HXConRgn(SkinOwner* owner) : HXConBase(owner) {}

HXConRgn::~HXConRgn()
{
    if (m_hRegion) DeleteObject(m_hRegion);
}

int HXConRgn::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return 0;
    CString value;
    if (element->GetAttribute(L"Type", value)) {
        static const wchar_t* const kNames[] = {L"none", L"rect", L"ellipse", L"roundrect", L"bitmap"};
        m_nType = -1;
        for (int i = 0; i < 5; ++i)
            if (value == kNames[i]) m_nType = i;
        if (m_nType < 0) {
            m_nType = TYPE_NONE;
            SetLastSkinError(*this, SKINERR_UNKNOWN_TYPE, L"%s", value);
            return 0;
        }
    }
    CString param;
    element->GetAttribute(L"Param", param);
    if ((m_nType == TYPE_ROUNDRECT || m_nType == TYPE_BITMAP) && param.IsEmpty()) {
        SetLastSkinError(*this, SKINERR_MISSING_ATTRIBUTE, L"%s", L"Param");
        return 0;
    }
    if (m_nType == TYPE_ROUNDRECT) ParsePointAttribute(param, &m_nCornerWidth, &m_nCornerHeight);
    if (element->GetAttribute(L"Mode", value)) m_nMode = RegionCombineMode(value);
    if (m_nType == TYPE_BITMAP) {
        HDib* image = FindImage(param);
        if (!image) {
            SetLastSkinError(*this, SKINERR_IMAGE_OPEN, L"%s", param);
            return 0;
        }
        m_hRegion = RegionFromBitmap(image, HDib::kKeyColor);
        m_nImageWidth = image->GetWidth();
        m_nImageHeight = image->GetHeight();
    }
    return HXConBase::LoadAttributes(host, surface, element);
}

int HXConRgn::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    if (!HXConBase::LoadAlign(element, info, errorCode)) return 0;
    if (m_nType != TYPE_BITMAP) return 1;
    CString value;
    if (element->GetAttribute(L"Width", value) && value == L"autosize")
        info->width = m_nImageWidth + info->gapLeft + info->gapRight;
    if (element->GetAttribute(L"Height", value) && value == L"autosize")
        info->height = m_nImageHeight + info->gapTop + info->gapBottom;
    if (element->GetAttribute(L"Right", value) && value == L"autosize") info->right = info->left + m_nImageWidth - 1;
    if (element->GetAttribute(L"Bottom", value) && value == L"autosize") info->bottom = info->top + m_nImageHeight - 1;
    return 1;
}

void HXConRgn::OnSize(int width, int height)
{
    if (width == m_nLastWidth && height == m_nLastHeight) return;
    m_nLastWidth = width;
    m_nLastHeight = height;
    if (m_nType < TYPE_RECT || m_nType > TYPE_ROUNDRECT) return;
    if (m_hRegion) DeleteObject(m_hRegion);
    switch (m_nType) {
    case TYPE_RECT: m_hRegion = CreateRectRgn(0, 0, width, height); break;
    case TYPE_ELLIPSE: m_hRegion = CreateEllipticRgn(0, 0, width, height); break;
    default: m_hRegion = CreateRoundRectRgn(0, 0, width, height, m_nCornerWidth, m_nCornerHeight); break;
    }
    m_ptOrigin = POINT{0, 0};
}
