#include "skin/HXConBase.h"

#include <algorithm>

#include "platform/win32/TextScan.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/AttributeValues.h"
#include "skin/ClipScopes.h"
#include "skin/HDib.h"
#include "skin/HXSubFont.h"
#include "skin/SkinErrors.h"
#include "skin/SkinOwner.h"

namespace {

int g_skinDebugLevel = 0;

struct AlignName {
    const wchar_t* name;
    int type;
};

const AlignName kAlignNames[] = {
    {L"left", ALIGN_LEFT},
    {L"top", ALIGN_TOP},
    {L"right", ALIGN_RIGHT},
    {L"bottom", ALIGN_BOTTOM},
    {L"none", ALIGN_NONE},
    {L"client", ALIGN_CLIENT},
    {L"center", ALIGN_CENTER},
    {L"popup", ALIGN_POPUP},
    {L"lefttop", ALIGN_LEFTTOP},
    {L"righttop", ALIGN_RIGHTTOP},
    {L"rightbottom", ALIGN_RIGHTBOTTOM},
    {L"leftbottom", ALIGN_LEFTBOTTOM},
    {L"nomove", ALIGN_NOMOVE},
};

bool LooksNumeric(const CString& text)
{
    const wchar_t* p = text.GetString();
    while (*p == L' ' || *p == L'\t') ++p;
    if (*p == L'-' || *p == L'+') ++p;
    return *p >= L'0' && *p <= L'9';
}

}  // namespace

void HXConBase::SetSkinDebugLevel(int level) { g_skinDebugLevel = level; }

int HXConBase::GetSkinDebugLevel() { return g_skinDebugLevel; }

HXConBase::HXConBase(SkinOwner* owner) : m_pOwner(owner) {}

HXConBase::~HXConBase() = default;

bool HXConBase::HostExists() const { return m_hHost && IsWindow(m_hHost); }

int HXConBase::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    m_hHost = host;
    m_pSurface = surface;
    if (!element) return 1;
    CString value;
    if (element->GetAttribute(L"Tooltip", value)) {
        m_sTooltip = (value.GetLength() > 0 && value[0] == L'$' && m_pOwner) ? m_pOwner->ResolveText(value) : value;
    } else {
        m_sTooltip.Empty();
    }
    if (element->GetAttribute(L"InnerGaps", value)) ParseRectAttribute(value, &m_rcInnerGaps);
    if (element->GetAttribute(L"MinSize", value)) ParsePointAttribute(value, &m_nMinWidth, &m_nMinHeight);
    if (element->GetAttribute(L"NcHitTest", value)) {
        // A hit-test name, or the code as a number.
        m_nNcHitTest = ParseNcHitTest(value);
        if (m_nNcHitTest == -2 && LooksNumeric(value)) m_nNcHitTest = ReadDecimalPrefix(value);
    }
    element->GetAttributeInt(L"Show", m_bShown);
    element->GetAttributeInt(L"Enable", m_bEnabled);
    if (element->GetAttribute(L"CursorName", value)) m_hCursor = m_pOwner ? m_pOwner->FindCursor(value) : nullptr;
    element->GetAttributeInt(L"Debug", m_nDebug);
    element->GetAttribute(L"ControlData", m_sControlData);
    return 1;
}

int HXConBase::LoadImageAttribute(const CXmlNode* element, const wchar_t* attribute, HDib** image, bool required)
{
    CString name;
    if (!element || !element->GetAttribute(attribute, name)) {
        if (!required) return 1;
        SetLastSkinError(*this, SKINERR_MISSING_ATTRIBUTE, L"%s", attribute);
        return 0;
    }
    *image = FindImage(name);
    if (*image && !(*image)->IsEmpty()) return 1;
    *image = nullptr;
    SetLastSkinError(*this, SKINERR_IMAGE_OPEN, L"%s", name);
    return 0;
}

void HXConBase::DestroyControlWindow() {}

void HXConBase::SetRect(int x, int y, int width, int height, int repaint)
{
    const long long oldWidth = static_cast<long long>(m_rect.right) - m_rect.left;
    const long long oldHeight = static_cast<long long>(m_rect.bottom) - m_rect.top;
    auto edge = [](long long v) { return static_cast<LONG>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
    m_rect = RECT{x, y, edge(static_cast<long long>(x) + width), edge(static_cast<long long>(y) + height)};
    if (oldWidth != width || oldHeight != height) OnSize(width, height);
    if (repaint) Draw();
}

int HXConBase::Draw()
{
    if (!(m_nDebug || g_skinDebugLevel) || !m_pSurface || m_pSurface->IsEmpty()) return 1;
    RECT r;
    GetRect(&r);
    if (r.right <= r.left || r.bottom <= r.top) return 1;
    HDC dc = m_pSurface->GetDC();
    if (!dc) return 1;
    {
        DcClipScope clip(dc, m_pSurface);
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 0, 0));
        HGDIOBJ old = SelectObject(dc, pen);
        const POINT outline[5] = {{r.left, r.top},
                                  {r.right - 1, r.top},
                                  {r.right - 1, r.bottom - 1},
                                  {r.left, r.bottom - 1},
                                  {r.left, r.top}};
        Polyline(dc, outline, 5);
        if (m_nDebug == 2 || g_skinDebugLevel == 2) {
            MoveToEx(dc, r.left, r.top, nullptr);
            LineTo(dc, r.right - 1, r.bottom - 1);
            MoveToEx(dc, r.right - 1, r.top, nullptr);
            LineTo(dc, r.left, r.bottom - 1);
        }
        SelectObject(dc, old);
        DeleteObject(pen);
    }
    return 1;
}

void HXConBase::GetRect(RECT* rect)
{
    if (rect) *rect = m_rect;
}

void HXConBase::GetScreenRect(RECT* rect)
{
    if (!rect) return;
    GetRect(rect);
    POINT a{rect->left, rect->top}, b{rect->right, rect->bottom};
    ClientToScreen(m_hHost, &a);
    ClientToScreen(m_hHost, &b);
    *rect = RECT{a.x, a.y, b.x, b.y};
}

void HXConBase::GetSize(SIZE* size)
{
    if (!size) return;
    RECT r;
    GetRect(&r);
    auto extent = [](long long v) { return static_cast<LONG>(std::clamp<long long>(v, INT32_MIN, INT32_MAX)); };
    *size = SIZE{extent(static_cast<long long>(r.right) - r.left), extent(static_cast<long long>(r.bottom) - r.top)};
}

int HXConBase::LoadAlign(const CXmlNode* element, SAlignInfo* info, int* errorCode)
{
    auto fail = [errorCode](int code) {
        if (errorCode) *errorCode = code;
        return 0;
    };
    if (!element || !info) return fail(SKINERR_NO_ALIGN);
    CString align;
    if (!element->GetAttribute(L"Align", align)) return fail(SKINERR_NO_ALIGN);
    const AlignName* found = nullptr;
    for (const AlignName& a : kAlignNames)
        if (align == a.name) found = &a;
    if (!found) return fail(SKINERR_BAD_ALIGN);
    info->type = found->type;
    element->GetAttributeInt(L"Left", info->left);
    element->GetAttributeInt(L"Top", info->top);
    element->GetAttributeInt(L"Right", info->right);
    element->GetAttributeInt(L"Bottom", info->bottom);
    CString value;
    if (element->GetAttribute(L"Rect", value)) {
        RECT r;
        ParseRectAttribute(value, &r);
        info->left = r.left, info->top = r.top, info->right = r.right, info->bottom = r.bottom;
    }
    if (element->GetAttribute(L"Width", value)) {
        info->width = ReadDecimalPrefix(value);
        if (value.GetLength() > 0 && value[value.GetLength() - 1] == L'%') info->percent = 1;
        if (info->type == ALIGN_NONE)
            info->right = static_cast<int>(
                std::clamp<long long>(static_cast<long long>(info->left) + info->width, INT32_MIN, INT32_MAX));
    }
    if (element->GetAttribute(L"Height", value)) {
        info->height = ReadDecimalPrefix(value);
        if (value.GetLength() > 0 && value[value.GetLength() - 1] == L'%') info->percent = 1;
        if (info->type == ALIGN_NONE)
            info->bottom = static_cast<int>(
                std::clamp<long long>(static_cast<long long>(info->top) + info->height, INT32_MIN, INT32_MAX));
    }
    if (element->GetAttribute(L"Gaps", value)) {
        ParseRectAttribute(value, &m_rcGaps);
        info->gapLeft = m_rcGaps.left;
        info->gapTop = m_rcGaps.top;
        info->gapRight = m_rcGaps.right;
        info->gapBottom = m_rcGaps.bottom;
    }
    if (errorCode) *errorCode = SKINERR_NONE;
    return 1;
}

void HXConBase::OnSize(int, int) {}

void HXConBase::SetText(const wchar_t* text, int index)
{
    if (index < 0 || index >= kTextCount) return;
    m_texts[index] = text;
    if (HostExists()) SendMessageW(m_hHost, SkinInvalidControlMessage(), reinterpret_cast<WPARAM>(this), 0);
}

void HXConBase::SetTextColor(COLORREF color) { m_crText = color; }

void HXConBase::OnRefresh() {}

int HXConBase::ApplyColorTheme(const SColorTheme&) { return 0; }

HCURSOR HXConBase::GetCursor(int, int) { return m_bEnabled ? m_hCursor : nullptr; }

int HXConBase::OnMouseMove(int, int, int, int*) { return 0; }

int HXConBase::OnMouseLeave() { return 0; }

int HXConBase::OnButtonDown(int, int, int, int*) { return 0; }

int HXConBase::OnButtonUp(int, int, int, int, int*) { return 0; }

int HXConBase::OnMouseWheel(UINT, int, int, int) { return 0; }

int HXConBase::HitTest(int x, int y)
{
    SIZE size;
    GetSize(&size);
    return (x >= 0 && x < size.cx && y >= 0 && y < size.cy) ? 1 : 0;
}

void HXConBase::OnTimer(int) {}

int HXConBase::OnKeyDown(UINT, UINT, UINT) { return 0; }

int HXConBase::OnKeyUp(UINT, UINT, UINT) { return 0; }

void HXConBase::SetEnabled(int enabled, int notify)
{
    if (enabled == m_bEnabled) return;
    m_bEnabled = enabled;
    if (notify) InvalidateControl();
}

void HXConBase::SetVisible(int shown, int notify)
{
    m_bShown = shown;
    if (notify) RefreshControl();
}

void HXConBase::InvalidateControl()
{
    if (HostExists()) SendMessageW(m_hHost, SkinInvalidControlMessage(), reinterpret_cast<WPARAM>(this), 0);
}

void HXConBase::RefreshControl()
{
    if (HostExists()) PostMessageW(m_hHost, SkinRefreshControlMessage(), reinterpret_cast<WPARAM>(this), 0);
}

LRESULT HXConBase::SendControlNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!HostExists()) return 0;
    SControlNotify record{message, wParam, lParam, 1};
    return SendMessageW(m_hHost, SkinControlNotifyMessage(), reinterpret_cast<WPARAM>(&record), 0);
}

LRESULT HXConBase::PostControlNotify(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!HostExists()) return 0;
    // The window reads the record during the send and posts the message on.
    SControlNotify record{message, wParam, lParam, 0};
    return SendMessageW(m_hHost, SkinControlNotifyMessage(), reinterpret_cast<WPARAM>(&record), 0);
}

void HXConBase::StartTimer(int key, int interval)
{
    if (m_pOwner) m_pOwner->SetControlTimer(this, key, interval);
}

LRESULT HXConBase::NotifyApplication(WPARAM code, LPARAM data)
{
    return m_pOwner ? m_pOwner->NotifyApplication(code, data) : 0;
}

HDib* HXConBase::FindImage(const CString& name) { return m_pOwner ? m_pOwner->GetImage(name) : nullptr; }

CString HXConBase::GetText(int index) const { return (index >= 0 && index < kTextCount) ? m_texts[index] : CString(); }

POINT HXConBase::ToLocal(int x, int y)
{
    RECT r;
    GetRect(&r);
    return POINT{x - r.left, y - r.top};
}

bool HXConBase::IsTooSmall()
{
    RECT r;
    GetRect(&r);
    const long long w = static_cast<long long>(r.right) - r.left, h = static_cast<long long>(r.bottom) - r.top;
    if (w <= 0 || h <= 0) return true;
    return (m_nMinWidth > 0 && w < m_nMinWidth) || (m_nMinHeight > 0 && h < m_nMinHeight);
}

void HXConBase::DrawControlText(int index)
{
    if (index < 0 || index >= kTextCount || m_texts[index].IsEmpty() || !m_pSurface || m_pSurface->IsEmpty()) return;
    RECT r;
    GetRect(&r);
    // Edges far outside any surface are held where the offsets cannot overflow.
    auto edge = [](long long v) { return static_cast<LONG>(std::clamp<long long>(v, -(1LL << 30), 1LL << 30)); };
    const RECT box{edge(static_cast<long long>(r.left) + m_rcInnerGaps.left),
                   edge(static_cast<long long>(r.top) + m_rcInnerGaps.top),
                   edge(static_cast<long long>(r.right) - m_rcInnerGaps.right),
                   edge(static_cast<long long>(r.bottom) - m_rcInnerGaps.bottom)};
    const RECT shadow{box.left + 1, box.top + 1, box.right + 1, box.bottom + 1};
    HDC dc = m_pSurface->GetDC();
    if (!dc) return;
    SetBkMode(dc, TRANSPARENT);
    const CString& text = m_texts[index];
    const bool withShadow = m_crShadow != static_cast<COLORREF>(-1);
    if (m_pFont) {
        const int selected = m_pFont->Begin(dc);
        if (withShadow) m_pFont->DrawText(dc, m_pSurface, text, shadow, m_nTextFormat, m_crShadow);
        m_pFont->DrawText(dc, m_pSurface, text, box, m_nTextFormat, m_crText);
        if (selected) m_pFont->End(dc);
        return;
    }
    DcClipScope clip(dc, m_pSurface);
    if (withShadow) {
        RECT s = shadow;
        ::SetTextColor(dc, m_crShadow);
        DrawTextW(dc, text, -1, &s, m_nTextFormat);
    }
    RECT b = box;
    ::SetTextColor(dc, m_crText);
    DrawTextW(dc, text, -1, &b, m_nTextFormat);
}
