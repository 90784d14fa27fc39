#include "skin/controls/HXConButton.h"

#include <cstdlib>

#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/UserTypes.h"
#include "skin/ClipScopes.h"
#include "skin/FrameDrawing.h"
#include "skin/SkinErrors.h"

namespace {

struct TypeName {
    const wchar_t* name;
    int type;
    int frame;
};

const TypeName kTypes[] = {
    {L"bitmap", SkinImageControl::IMAGE_BITMAP, 0},    {L"framebitmap", SkinImageControl::IMAGE_BITMAP, 1},
    {L"fillframe", SkinImageControl::IMAGE_BITMAP, 1}, {L"transparent", SkinImageControl::IMAGE_TRANSPARENT, 0},
    {L"color", SkinImageControl::IMAGE_COLOR, 0},
};

// Cells by cell count (rows) and state: disabled, normal, hover, pressed.
int CellFor(int cells, bool enabled, int state)
{
    const int column = enabled ? 1 + state : 0;
    switch (cells) {
    case 2:
    case 3: {
        static const int t[4] = {0, 0, 0, 1};
        return t[column];
    }
    case 4:
    case 5: {
        static const int t[4] = {3, 0, 1, 2};
        return t[column];
    }
    case -3: {
        static const int t[4] = {0, 0, 1, 2};
        return t[column];
    }
    default: return 0;
    }
}

}  // namespace

HXConButton::HXConButton(SkinOwner* owner) : SkinImageControl(owner) { m_nTextFormat = kDefaultTextFormat; }

void HXConButton::OnImageSelected()
{
    m_nMouseState = STATE_NORMAL;
    m_nCellWidth = m_pCurrentImage ? m_pCurrentImage->GetWidth() / std::abs(m_nCellCount) : 0;
    m_nCellHeight = m_pCurrentImage ? m_pCurrentImage->GetHeight() : 0;
}

int HXConButton::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return 0;
    CString value;
    if (!element->GetAttribute(L"ButtonControlType", value)) {
        SetLastSkinError(*this, SKINERR_MISSING_ATTRIBUTE, L"%s", L"ButtonControlType");
        return 0;
    }
    const TypeName* type = nullptr;
    for (const TypeName& t : kTypes)
        if (value == t.name) type = &t;
    if (!type) {
        SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"ButtonControlType", value);
        return 0;
    }
    m_nImageType = type->type;
    m_bFrame = type->frame;
    m_nCellCount = 4;
    if (element->GetAttribute(L"Split", value)) {
        static const wchar_t* const kSplits[] = {L"1", L"2", L"3", L"4", L"5", L"-3"};
        static const int kCounts[] = {1, 2, 3, 4, 5, -3};
        bool known = false;
        for (size_t i = 0; i < 6; ++i)
            if (value == kSplits[i]) m_nCellCount = kCounts[i], known = true;
        if (!known) {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"Split", value);
            return 0;
        }
    }
    if (!LoadImageAttributes(element, m_nImageType == IMAGE_BITMAP)) return 0;
    if (m_nImageType != IMAGE_BITMAP) {
        // Only the bitmap kinds draw an image.
        m_pCurrentImage = nullptr;
        for (HDib*& image : m_images) image = nullptr;
    }
    if (!LoadTextAttributes(element, 4)) return 0;
    OnImageSelected();
    return HXConBase::LoadAttributes(host, surface, element);
}

int HXConButton::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    if (!HXConBase::LoadAlign(element, info, errorCode)) return 0;
    if (!m_pCurrentImage) return 1;
    CString value;
    if (element->GetAttribute(L"Width", value) && value == L"autosize") {
        info->width = m_nCellWidth + info->gapLeft + info->gapRight;
        if (info->type == ALIGN_NONE) info->right = info->left + info->width;
        if (m_nMinWidth == 0) m_nMinWidth = m_nCellWidth;
    }
    if (element->GetAttribute(L"Height", value) && value == L"autosize") {
        info->height = m_nCellHeight + info->gapTop + info->gapBottom;
        if (info->type == ALIGN_NONE) info->bottom = info->top + info->height;
        if (m_nMinHeight == 0) m_nMinHeight = m_nCellHeight;
    }
    return 1;
}

void HXConButton::GetRect(RECT* rect)
{
    if (!rect) return;
    *rect = m_rect;
    if (m_bShown && (m_rect.right <= m_rect.left || m_rect.bottom <= m_rect.top))
        *rect = RECT{m_rect.left, m_rect.top, m_rect.left + m_nCellWidth, m_rect.top + m_nCellHeight};
}

int HXConButton::GetCell() const { return CellFor(m_nCellCount, m_bEnabled != 0, m_nMouseState); }

int HXConButton::Draw()
{
    if (!m_bShown) return 1;
    RECT r;
    GetRect(&r);
    if (r.right <= r.left || r.bottom <= r.top || !m_pSurface || m_pSurface->IsEmpty()) return 1;
    if (IsTooSmall()) return HXConBase::Draw();
    if (m_nImageType == IMAGE_BITMAP && m_pCurrentImage && !m_pCurrentImage->IsEmpty()) {
        const int cells = std::abs(m_nCellCount);
        const int cell = GetCell();
        if (m_bFrame) {
            const int w = m_pCurrentImage->GetWidth() / cells;
            DrawFrame(*m_pCurrentImage, m_pSurface, RECT{cell * w, 0, (cell + 1) * w, m_pCurrentImage->GetHeight()}, r,
                      1, 1);
        } else {
            DibClipScope clip(m_pSurface, r);
            m_pCurrentImage->DrawGridCell(m_pSurface, r.left, r.top, cells, cell, 1, 0, 1, -1);
        }
    } else if (m_nImageType == IMAGE_COLOR && !m_colorImage.IsEmpty()) {
        m_colorImage.Copy(m_pSurface, r.left, r.top, 0, 0, r.right - r.left, r.bottom - r.top);
    }
    if (!m_bEnabled) {
        if (!m_texts[0].IsEmpty()) DrawControlText(0);
    } else if (!m_texts[m_nMouseState].IsEmpty()) {
        DrawControlText(m_nMouseState);
    } else if (!m_texts[0].IsEmpty()) {
        DrawControlText(0);
    }
    return HXConBase::Draw();
}

int HXConButton::HitTest(int x, int y) { return m_bShown ? HXConBase::HitTest(x, y) : 0; }

bool HXConButton::Inside(int x, int y)
{
    SIZE size;
    GetSize(&size);
    return x >= 0 && x < size.cx && y >= 0 && y < size.cy;
}

int HXConButton::OnMouseMove(int x, int y, int, int* track)
{
    if (!Inside(x, y) || m_nMouseState != STATE_NORMAL) return 0;
    m_nMouseState = STATE_HOVER;
    if (!TracksHover()) return 0;
    if (track) *track = 1;
    return 1;
}

int HXConButton::OnMouseLeave()
{
    if (m_nMouseState != STATE_HOVER) return 0;
    m_nMouseState = STATE_NORMAL;
    if (!TracksHover()) return 0;
    InvalidateControl();
    return 1;
}

int HXConButton::OnButtonDown(int button, int, int, int* capture)
{
    if (!m_bEnabled || m_nPressedButton || IsTooSmall() || button == 3) return 0;
    if (button == 2 && !m_binding.rightCommand && !m_binding.secondId) return 0;
    if (button != 1 && button != 2 && button != 4) return 0;
    m_nMouseState = STATE_PRESSED;
    m_nPressedButton = button;
    if (capture) *capture = 1;
    return 1;
}

int HXConButton::OnButtonUp(int button, int x, int y, int, int*)
{
    if (m_nMouseState != STATE_PRESSED || button != m_nPressedButton) return 0;
    const bool inside = Inside(x, y);
    m_nMouseState = inside ? STATE_HOVER : STATE_NORMAL;
    const int pressed = m_nPressedButton;
    m_nPressedButton = 0;
    if (inside) {
        if (pressed == 2) {
            const int command = m_binding.rightCommand ? m_binding.rightCommand : m_binding.secondId;
            PostControlNotify(WM_COMMAND, static_cast<WPARAM>(static_cast<UINT>(command)), 0);
        } else {
            RunEventOrCommand();
        }
    }
    RefreshControl();
    return 1;
}
