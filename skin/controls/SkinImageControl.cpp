#include "skin/controls/SkinImageControl.h"

#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/UserTypes.h"
#include "skin/AttributeValues.h"
#include "skin/SkinErrors.h"
#include "skin/SkinOwner.h"

CString SkinImageControl::Resolve(const CString& text)
{
    return (text.GetLength() > 0 && text[0] == L'$' && m_pOwner) ? m_pOwner->ResolveText(text) : text;
}

int SkinImageControl::LoadImageAttributes(const CXmlNode* element, bool required)
{
    CString name;
    if (element->GetAttribute(L"Image", name)) {
        name = Resolve(name);
        m_images[0] = FindImage(name);
        if (!m_images[0]) {
            SetLastSkinError(*this, SKINERR_IMAGE_OPEN, L"%s", name);
            return 0;
        }
        m_pCurrentImage = m_images[0];
    } else if (required) {
        SetLastSkinError(*this, SKINERR_MISSING_ATTRIBUTE, L"%s", L"Image");
        return 0;
    }
    for (int i = 1; i < kImageCount; ++i) {
        const CString attribute = FormatText(L"%s%d", L"Image", i + 1);
        if (!element->GetAttribute(attribute, name)) continue;
        name = Resolve(name);
        m_images[i] = FindImage(name);
        if (!m_images[i]) {
            SetLastSkinError(*this, SKINERR_IMAGE_OPEN, L"%s", name);
            return 0;
        }
    }
    return 1;
}

int SkinImageControl::LoadTextAttributes(const CXmlNode* element, int textCount)
{
    CString value;
    if (element->GetAttribute(L"ControlColor", value)) m_crControl = ParseColorAttribute(value);
    if (element->GetAttribute(L"FontName", value)) {
        HXSubFont* font = m_pOwner ? m_pOwner->FindFont(value) : nullptr;
        if (!font) {
            SetLastSkinError(*this, SKINERR_BAD_FONT_NAME, L"%s", value);
            return 0;
        }
        SetFont(font);
    }
    for (int i = 0; i < textCount && i < kTextCount; ++i) {
        const CString attribute = i == 0 ? CString(L"Text") : FormatText(L"%s%d", L"Text", i + 1);
        if (element->GetAttribute(attribute, value)) m_texts[i] = Resolve(value);
    }
    if (element->GetAttribute(L"FontColor", value)) m_crText = ParseColorAttribute(value);
    if (element->GetAttribute(L"FontShadowColor", value)) m_crShadow = ParseColorAttribute(value);
    if (element->GetAttribute(L"TextAlign", value)) {
        UINT format = 0;
        ParseTextFormat(value, &format);
        m_nTextFormat = format;
    }
    element->GetAttribute(L"OnEvent", m_sEventScript);
    int number = 0;
    if (element->GetAttributeInt(L"DefaultImageNum", number)) {
        m_nImageNum = number;
        if (number >= 0 && number < kImageCount && m_images[number]) m_pCurrentImage = m_images[number];
    }
    return 1;
}

int SkinImageControl::SelectImage(int number, int repaint)
{
    if (number < 0 || number >= kImageCount || !m_images[number]) return 0;
    m_nImageNum = number;
    m_pCurrentImage = m_images[number];
    OnImageSelected();
    if (repaint) InvalidateControl();
    return 1;
}

void SkinImageControl::FitColorImage(int width, int height, bool refill)
{
    if (width <= 0 || height <= 0) return;
    if (m_colorImage.IsEmpty() || m_colorImage.GetWidth() < width || m_colorImage.GetHeight() < height)
        m_colorImage.CreateFilled(width, height, 24, m_crControl);
    else if (refill)
        m_colorImage.Fill(m_crControl);
}

void SkinImageControl::OnSize(int width, int height)
{
    if (m_nImageType == IMAGE_COLOR) FitColorImage(width, height, false);
}

void SkinImageControl::PostCommand()
{
    const int command = m_binding.command ? m_binding.command : m_binding.id;
    PostControlNotify(WM_COMMAND, static_cast<WPARAM>(static_cast<UINT>(command)), 0);
}

void SkinImageControl::RunEventOrCommand()
{
    if (!m_sEventScript.IsEmpty())
        SendControlNotify(SkinStringCommandMessage(), reinterpret_cast<WPARAM>(m_sEventScript.GetString()), 0);
    else
        PostCommand();
}
