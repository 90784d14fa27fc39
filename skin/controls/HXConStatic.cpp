#include "skin/controls/HXConStatic.h"

#include <algorithm>

#include "skin/ClipScopes.h"
#include "skin/FrameDrawing.h"
#include "skin/SkinErrors.h"

namespace {

struct ModeName {
    const wchar_t* name;
    int mode;
};

const ModeName kModes[] = {
    {L"tile", HXConStatic::DRAW_TILE},           {L"stretch", HXConStatic::DRAW_STRETCH},
    {L"frame", HXConStatic::DRAW_FRAME},         {L"fillframe", HXConStatic::DRAW_FILLFRAME},
    {L"hframe", HXConStatic::DRAW_HFRAME},       {L"vframe", HXConStatic::DRAW_VFRAME},
    {L"animation", HXConStatic::DRAW_ANIMATION}, {L"tileanimation", HXConStatic::DRAW_TILEANIMATION},
};

}  // namespace

HXConStatic::HXConStatic(SkinOwner* owner) : SkinImageControl(owner) {}

int HXConStatic::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return 0;
    CString value;
    m_nImageType = IMAGE_TRANSPARENT;
    if (element->GetAttribute(L"StaticControlType", value)) {
        if (value == L"bitmap") {
            m_nImageType = IMAGE_BITMAP;
        } else if (value == L"color") {
            m_nImageType = IMAGE_COLOR;
        } else if (value != L"transparent") {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"StaticControlType", value);
            return 0;
        }
    }
    if (!LoadImageAttributes(element, m_nImageType == IMAGE_BITMAP)) return 0;
    m_nDrawMode = DRAW_TILE;
    if (element->GetAttribute(L"ImageType", value)) {
        m_nDrawMode = DRAW_NONE;
        for (const ModeName& m : kModes)
            if (value == m.name) m_nDrawMode = m.mode;
    }
    element->GetAttributeInt(L"AniSplit", m_nAniCells);
    // The cell arithmetic divides by the count: less than one cell is one.
    if (m_nAniCells < 1) m_nAniCells = 1;
    element->GetAttributeInt(L"AnimDelay", m_nAniDelay);
    element->GetAttributeInt(L"AniDelay", m_nAniDelay);
    if (!LoadTextAttributes(element, kTextCount)) return 0;
    element->GetAttributeInt(L"NotifyClick", m_nClickMode);
    if (!HXConBase::LoadAttributes(host, surface, element)) return 0;
    // Only the animations have cells to advance.
    if (IsAnimated()) StartTimer(0, m_nAniDelay);
    return 1;
}

int HXConStatic::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    if (!HXConBase::LoadAlign(element, info, errorCode)) return 0;
    if (!m_pCurrentImage) return 1;
    const int fullWidth = m_pCurrentImage->GetWidth();
    const int width = IsAnimated() ? fullWidth / m_nAniCells : fullWidth;
    const int height = m_pCurrentImage->GetHeight();
    CString value;
    if (element->GetAttribute(L"Width", value) && value == L"autosize") {
        info->width = width + info->gapLeft + info->gapRight;
        if (info->type == ALIGN_NONE) info->right = info->left + info->width;
        if (m_nMinWidth == 0) m_nMinWidth = fullWidth;
    }
    if (element->GetAttribute(L"Height", value) && value == L"autosize") {
        info->height = height + info->gapTop + info->gapBottom;
        if (info->type == ALIGN_NONE) info->bottom = info->top + info->height;
        if (m_nMinHeight == 0) m_nMinHeight = height;
    }
    return 1;
}

void HXConStatic::DrawImage(const RECT& r)
{
    const HDib& image = *m_pCurrentImage;
    const int w = r.right - r.left, h = r.bottom - r.top;
    const RECT whole{0, 0, image.GetWidth(), image.GetHeight()};
    // Nothing a static draws leaves its rectangle.
    DibClipScope clip(m_pSurface, r);
    switch (m_nDrawMode) {
    case DRAW_TILE: image.Tile(m_pSurface, r, 0, 0, 1); break;
    case DRAW_STRETCH:
        if (m_stretchCache.IsEmpty() || m_stretchCache.GetWidth() < w || m_stretchCache.GetHeight() < h)
            m_stretchCache.Create(w, h, 24);
        image.StretchCopy(&m_stretchCache, 0, 0, w, h, 0, 0, image.GetWidth(), image.GetHeight());
        m_stretchCache.Copy(m_pSurface, r.left, r.top, 0, 0, w, h);
        break;
    case DRAW_FRAME: DrawFrame(image, m_pSurface, whole, r, 1, 0); break;
    case DRAW_FILLFRAME: DrawFrame(image, m_pSurface, whole, r, 1, 1); break;
    case DRAW_HFRAME: DrawHorizontalThreePart(image, m_pSurface, whole, r, 1); break;
    case DRAW_VFRAME: DrawVerticalThreePart(image, m_pSurface, whole, r, 1); break;
    case DRAW_ANIMATION: image.DrawCell(m_pSurface, r.left, r.top, m_nAniCells, m_nAniCell, 1, 1, -1); break;
    case DRAW_TILEANIMATION: {
        const int cellWidth = image.GetWidth() / m_nAniCells;
        if (cellWidth <= 0) break;
        if (m_frameImage.GetWidth() != cellWidth || m_frameImage.GetHeight() != image.GetHeight())
            m_frameImage.Create(cellWidth, image.GetHeight(), 24);
        image.DrawCell(&m_frameImage, 0, 0, m_nAniCells, m_nAniCell, 1, 1, -1);
        m_frameImage.Tile(m_pSurface, r, 0, 0, 1);
        break;
    }
    default:
        image.CopyKeyed(m_pSurface, r.left, r.top, 0, 0, std::min(image.GetWidth(), w), std::min(image.GetHeight(), h));
        break;
    }
}

int HXConStatic::Draw()
{
    RECT r;
    GetRect(&r);
    if (r.right <= r.left || r.bottom <= r.top || !m_pSurface || m_pSurface->IsEmpty()) return 1;
    if (IsTooSmall()) return HXConBase::Draw();
    if (m_nImageType == IMAGE_BITMAP && m_pCurrentImage && !m_pCurrentImage->IsEmpty()) {
        DrawImage(r);
    } else if (m_nImageType == IMAGE_COLOR && !m_colorImage.IsEmpty()) {
        m_colorImage.Copy(m_pSurface, r.left, r.top, 0, 0, r.right - r.left, r.bottom - r.top);
    }
    if (!m_texts[0].IsEmpty()) DrawControlText(0);
    return HXConBase::Draw();
}

void HXConStatic::OnRefresh()
{
    if (m_nImageType == IMAGE_COLOR && !m_colorImage.IsEmpty()) m_colorImage.Fill(m_crControl);
    Draw();
}

void HXConStatic::SetText(const wchar_t* text, int index)
{
    HXConBase::SetText(text, index);
    if (!IsTooSmall()) InvalidateControl();
}

int HXConStatic::HitTest(int x, int y)
{
    if (m_nNcHitTest >= 0 || !m_sTooltip.IsEmpty()) return 1;
    return (m_nClickMode != CLICK_NONE && m_bShown && m_bEnabled && HXConBase::HitTest(x, y)) ? 1 : 0;
}

int HXConStatic::OnButtonDown(int button, int, int, int* capture)
{
    if (!m_bEnabled) return 0;
    if (m_nClickMode == CLICK_SINGLE && button == 1) {
        m_bPressed = 1;
        if (capture) *capture = 1;
        return 1;
    }
    if (m_nClickMode == CLICK_DOUBLE && button == 4) PostCommand();
    return 0;
}

int HXConStatic::OnButtonUp(int, int x, int y, int, int* value)
{
    if (m_nClickMode != CLICK_SINGLE) return 0;
    if (value) *value = 1;
    const bool pressed = m_bPressed != 0;
    m_bPressed = 0;
    if (pressed && HXConBase::HitTest(x, y)) RunEventOrCommand();
    return 0;
}

void HXConStatic::OnTimer(int)
{
    RECT r;
    GetRect(&r);
    if (r.right <= r.left || r.bottom <= r.top) return;
    m_nAniCell = (m_nAniCell + 1) % m_nAniCells;
    InvalidateControl();
}
