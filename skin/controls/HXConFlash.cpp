#include "skin/controls/HXConFlash.h"

#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/AttributeValues.h"
#include "skin/hosting/CFlashMouseHookMan.h"
#include "skin/hosting/HostedAddress.h"

HXConFlash::HXConFlash(SkinOwner* owner)
    : HXConBase(owner), CFlashWnd(nullptr), m_pHookMan(CFlashMouseHookMan::Acquire())
{
}

HXConFlash::~HXConFlash()
{
    m_pHookMan->Unregister(this);
    m_pHookMan->Release();
    Destroy();
}

void HXConFlash::SetModule(int flag, const CString& path)
{
    m_bModule = flag;
    m_sModulePath = path;
}

void HXConFlash::SetClickBand(int edge, int width)
{
    m_nClickEdge = edge;
    m_nClickBand = width;
}

int HXConFlash::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    if (!HXConBase::LoadAttributes(host, surface, element)) return 0;
    RECT r;
    GetRect(&r);
    const int made =
        m_bModule ? CreateFromModule(m_hHost, r, m_sModulePath, CString(), 0) : CreateByClass(m_hHost, r, CString());
    if (!made || !element) return 1;
    CString url, offUrl, value;
    element->GetAttribute(L"URL", url);
    element->GetAttribute(L"OffURL", offUrl);
    if (element->GetAttribute(L"BkgndColor", value)) SetBackgroundColor(ParseColorAttribute(value));
    const CString address = HostedAddress::Resolve(m_pOwner, HostedAddress::Choose(url, offUrl));
    if (!address.IsEmpty()) LoadMovie(address);
    element->GetAttributeInt(L"OfflineHide", m_bOfflineHide);
    // The attribute's name says when: a computer on line shows the movie.
    if (m_bOfflineHide && !HostedAddress::IsOnline()) SetVisible(0, 1);
    m_pHookMan->Register(this, ControlWindow());
    return 1;
}

void HXConFlash::SetRect(int x, int y, int width, int height, int repaint)
{
    if (HWND window = GetFlashHostWindow()) MoveWindow(window, x, y, width, height, TRUE);
    HXConBase::SetRect(x, y, width, height, repaint);
}

void HXConFlash::OnSize(int width, int height)
{
    HWND window = GetFlashHostWindow();
    if (!window) return;
    const bool usable = width > 0 && height > 0;
    if (!usable && m_hHost) {
        for (HWND w = GetFocus(); w; w = GetParent(w))
            if (w == window) {
                SetFocus(m_hHost);
                break;
            }
    }
    EnableWindow(window, usable ? TRUE : FALSE);
}
