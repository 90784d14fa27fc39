#include "skin/controls/HXConMarquee.h"

#include <algorithm>
#include <cstdlib>

#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiDraw.h"
#include "skin/AttributeValues.h"
#include "skin/ClipScopes.h"
#include "skin/HXSubFont.h"
#include "skin/SkinErrors.h"
#include "skin/SkinOwner.h"

namespace {

constexpr UINT kTextFormat = DT_NOPREFIX | DT_CENTER;  // 0x801
// A step bigger than any text would only make offsets overflow.
constexpr int kMaxAmount = 1 << 16;

// A font (the skin's, else the system's GUI font) without smoothing:
// smoothed edges would mix the text with the image's key colour, which shows
// as a pink fringe once the key colour is made transparent.
class PlainFont {
public:
    PlainFont(HDC dc, HFONT source)
    {
        LOGFONTW lf{};
        if (!GetObjectW(source ? source : GetStockObject(DEFAULT_GUI_FONT), sizeof(lf), &lf)) return;
        lf.lfQuality = NONANTIALIASED_QUALITY;
        m_font = CreateFontIndirectW(&lf);
        if (m_font) m_old = SelectObject(dc, m_font);
        m_dc = dc;
    }
    ~PlainFont()
    {
        if (m_old) SelectObject(m_dc, m_old);
        if (m_font) DeleteObject(m_font);
    }
    PlainFont(const PlainFont&) = delete;
    PlainFont& operator=(const PlainFont&) = delete;

private:
    HDC m_dc = nullptr;
    HFONT m_font = nullptr;
    HGDIOBJ m_old = nullptr;
};

}  // namespace

HXConMarquee::HXConMarquee(SkinOwner* owner) : HXConBase(owner) {}

HXConMarquee::~HXConMarquee() = default;

int HXConMarquee::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return HXConBase::LoadAttributes(host, surface, element);
    static const wchar_t* const kTexts[] = {L"Text", L"Text2", L"Text3", L"Text4", L"Text5"};
    CString value;
    for (int i = 0; i < 5; ++i) element->GetAttribute(kTexts[i], m_texts[i]);
    if (element->GetAttribute(L"Behavior", value)) {
        if (value == L"scroll")
            m_nBehavior = BEHAVIOR_SCROLL;
        else if (value == L"alternate")
            m_nBehavior = BEHAVIOR_ALTERNATE;
        else {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"Behavior", value);
            return 0;
        }
    }
    if (element->GetAttribute(L"Direction", value)) {
        static const wchar_t* const kDirections[] = {L"left", L"right", L"up", L"down"};
        const auto* found = std::find_if(std::begin(kDirections), std::end(kDirections),
                                         [&](const wchar_t* name) { return value == name; });
        if (found == std::end(kDirections)) {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"Direction", value);
            return 0;
        }
        m_nDirection = static_cast<int>(found - std::begin(kDirections));
    }
    element->GetAttributeInt(L"ScrollDelay", m_nDelay);
    // No delay would turn the timer into a busy loop, a negative one into a
    // timer that never fires: both get the default.
    if (m_nDelay <= 0) m_nDelay = kDefaultDelay;
    element->GetAttributeInt(L"ScrollAmount", m_nAmount);
    // The direction says where the text goes; a negative amount would send
    // it the other way for ever, past the point where it comes round again.
    m_nAmount = std::min(m_nAmount == INT32_MIN ? kMaxAmount : std::abs(m_nAmount), kMaxAmount);
    element->GetAttributeInt(L"AlternateWhenLargeText", m_bAlternateWhenLarge);
    element->GetAttributeInt(L"NotifyClick", m_nNotifyClick);
    StartTimer(kTimerKey, m_nDelay);
    if (element->GetAttribute(L"FontName", value)) {
        m_pFont = m_pOwner ? m_pOwner->FindFont(value) : nullptr;
        if (!m_pFont) {
            SetLastSkinError(*this, SKINERR_BAD_FONT_NAME, L"%s", value);
            return 0;
        }
    }
    if (element->GetAttribute(L"FontColor", value)) {
        m_crText = ParseColorAttribute(value);
        if (element->GetAttribute(L"FontShadowColor", value)) m_crShadow = ParseColorAttribute(value);
    }
    return HXConBase::LoadAttributes(host, surface, element);
}

int HXConMarquee::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    return HXConBase::LoadAlign(element, info, errorCode) ? 1 : 0;
}

bool HXConMarquee::MeasureText(const CString& text, SIZE* size)
{
    if (m_pFont && m_pFont->IsImageFont()) return m_pFont->MeasureText(text, size) != 0;
    HDib probe;
    if (!probe.Create(1, 1, 24)) return false;
    HDC dc = probe.GetDC();
    if (!dc) return false;
    RECT r{0, 0, 0, 0};
    {
        PlainFont font(dc, m_pFont ? m_pFont->GetFont() : nullptr);
        DrawTextW(dc, text, -1, &r, kTextFormat | DT_CALCRECT);
    }
    probe.ReleaseDC();
    *size = SIZE{r.right - r.left, r.bottom - r.top};
    return true;
}

void HXConMarquee::RenderText()
{
    m_pImage.reset();
    const CString& text = m_texts[0];
    SIZE size{};
    if (text.IsEmpty() || !MeasureText(text, &size) || size.cx <= 0 || size.cy <= 0) return;
    auto image = std::make_unique<HDib>();
    if (!image->CreateFilled(size.cx, size.cy, 24, HDib::kKeyColor)) return;
    HDC dc = image->GetDC();
    if (!dc) return;
    RECT box{0, 0, size.cx, size.cy};
    SetBkMode(dc, TRANSPARENT);
    if (m_pFont && m_pFont->IsImageFont()) {
        m_pFont->DrawText(dc, image.get(), text, box, kTextFormat, m_crText);
    } else {
        PlainFont font(dc, m_pFont ? m_pFont->GetFont() : nullptr);
        ::SetTextColor(dc, m_crText);
        DrawTextW(dc, text, -1, &box, kTextFormat);
    }
    image->ReleaseDC();
    m_pImage = std::move(image);
    m_nTextWidth = size.cx;
    m_nTextHeight = size.cy;
    m_nOffsetX = m_nOffsetY = 0;
}

void HXConMarquee::SetText(const wchar_t* text, int index)
{
    HXConBase::SetText(text, index);
    if (index < 0 || index >= kTextCount) return;
    if (IsTooSmall()) {
        m_pImage.reset();
        return;
    }
    RenderText();
    InvalidateControl();
}

int HXConMarquee::Draw()
{
    RECT r;
    GetRect(&r);
    if (m_bShown && r.right > r.left && r.bottom > r.top && !IsTooSmall() && m_pImage && m_pSurface &&
        !m_pSurface->IsEmpty()) {
        // The offset may point before the image (a text coming in from an
        // edge); the copy never leaves the control.
        DibClipScope clip(m_pSurface, r);
        m_pImage->CopyKeyed(m_pSurface, r.left, r.top, m_nOffsetX, m_nOffsetY, r.right - r.left, r.bottom - r.top);
    }
    return HXConBase::Draw();
}

void HXConMarquee::OnTimer(int)
{
    if (IsTooSmall() || !m_bRun) return;
    if (!m_pImage && !m_texts[0].IsEmpty()) RenderText();
    if (!m_pImage) return;
    SIZE size;
    GetSize(&size);
    if (m_nBehavior == BEHAVIOR_SCROLL)
        TickScroll(size.cx, size.cy);
    else
        TickAlternate(size.cx, size.cy);
}

void HXConMarquee::TickScroll(int width, int height)
{
    switch (m_nDirection) {
    case DIR_LEFT:
        m_nOffsetX += m_nAmount;
        if (m_nTextWidth < m_nOffsetX) m_nOffsetX = -width;  // comes in again from the right edge
        break;
    case DIR_RIGHT:
        m_nOffsetX -= m_nAmount;
        if (m_nOffsetX < -m_nTextWidth) m_nOffsetX = width;
        break;
    case DIR_UP:
        m_nOffsetY += m_nAmount;
        if (m_nTextHeight < m_nOffsetY) m_nOffsetY = -height;
        break;
    default:
        m_nOffsetY -= m_nAmount;
        if (m_nOffsetY < -m_nTextHeight) m_nOffsetY = height;
        break;
    }
    InvalidateControl();
}

void HXConMarquee::TickAlternate(int width, int height)
{
    const bool horizontal = m_nDirection == DIR_LEFT || m_nDirection == DIR_RIGHT;
    const int text = horizontal ? m_nTextWidth : m_nTextHeight;
    const int control = horizontal ? width : height;
    if (std::abs(text - control) < 2) return;
    const bool fits = text < control;
    if (m_bAlternateWhenLarge && fits) {
        if (m_nOffsetX == 0 && m_nOffsetY == 0 && m_bParked) return;
        m_nOffsetX = m_nOffsetY = 0;
        m_bParked = 1;
        InvalidateControl();
        return;
    }
    m_bParked = 0;
    if (m_nPause < 0) {
        m_nPause = kPauseTicks;
        InvalidateControl();
    }
    if (m_nPause > 0) {
        --m_nPause;
        return;
    }
    int& offset = horizontal ? m_nOffsetX : m_nOffsetY;
    const int previous = offset;
    offset += m_nSign * m_nAmount;
    const int low = fits ? text - control : 0;
    const int high = fits ? 0 : text - control;
    if ((m_nSign > 0 && offset > high) || (m_nSign < 0 && offset < low)) {
        m_nSign = -m_nSign;
        offset = previous;
        m_nPause = kPauseTicks;
    }
    InvalidateControl();
}

int HXConMarquee::HitTest(int x, int y)
{
    if (IsTooSmall()) return 0;
    if (m_nNcHitTest >= 0 || !m_sTooltip.IsEmpty()) return 1;
    return (m_nNotifyClick && m_bShown && m_bEnabled && HXConBase::HitTest(x, y)) ? 1 : 0;
}

void HXConMarquee::PostCommand()
{
    const int command = m_binding.command ? m_binding.command : m_binding.id;
    PostControlNotify(WM_COMMAND, static_cast<WPARAM>(command), 0);
}

int HXConMarquee::OnButtonDown(int button, int, int, int* capture)
{
    if (!m_bEnabled) return 0;
    if (m_nNotifyClick == 1 && button == 1) {
        if (capture) *capture = 1;
        m_bPressed = 1;
        return 1;
    }
    if (m_nNotifyClick == 2 && button == 4) PostCommand();
    return 0;
}

int HXConMarquee::OnButtonUp(int, int x, int y, int, int* value)
{
    if (m_nNotifyClick == 1) {
        if (value) *value = 1;
        if (m_bPressed && HXConBase::HitTest(x, y)) PostCommand();
    }
    m_bPressed = 0;
    return 0;
}
