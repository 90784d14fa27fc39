#include "skin/controls/HXConBrowser.h"

#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/Window.h"
#include "skin/AttributeValues.h"
#include "skin/ClipScopes.h"
#include "skin/HDib.h"
#include "skin/hosting/HostedAddress.h"

HXConBrowser::HXConBrowser(SkinOwner* owner) : HXConBase(owner), CWebBrowserWnd(nullptr) {}

HXConBrowser::~HXConBrowser() = default;

int HXConBrowser::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    if (!HXConBase::LoadAttributes(host, surface, element)) return 0;
    if (!element) return 1;
    CString url, offUrl, value;
    element->GetAttribute(L"URL", url);
    element->GetAttribute(L"OffURL", offUrl);
    const CString address = HostedAddress::Resolve(m_pOwner, HostedAddress::Choose(url, offUrl));
    if (element->GetAttribute(L"BkgndColor", value)) m_crBackground = ParseColorAttribute(value);
    if (!address.IsEmpty()) {
        if (IsTooSmall())
            m_sPendingUrl = address;
        else
            Navigate(address, 0);
    }
    element->GetAttributeInt(L"OfflineHide", m_bOfflineHide);
    return 1;
}

void HXConBrowser::Navigate(const CString& url, int wait)
{
    if (!m_bCreated) {
        m_bCreated = 1;
        if (!Create(m_hHost)) return;
        ShowWindow(GetBrowserWindow(), SW_HIDE);
        m_bPageShown = 0;
        RECT r;
        GetRect(&r);
        Move(r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    }
    if (!GetBrowserWindow()) return;
    CWebBrowserWnd::Navigate(url, wait);
}

void HXConBrowser::SetRect(int x, int y, int width, int height, int repaint)
{
    HWND browser = GetBrowserWindow();
    if (browser) {
        if (width > 0 && height > 0) {
            if (m_bShown && !IsWindowVisible(browser) && m_bPageShown) ShowWindow(browser, SW_SHOW);
            Move(x, y, width, height, TRUE);
        } else if (m_bShown) {
            ShowWindow(browser, SW_HIDE);
        } else {
            Move(x, y, width, height, TRUE);
        }
    }
    HXConBase::SetRect(x, y, width, height, repaint);
    if (!m_sPendingUrl.IsEmpty() && !IsTooSmall()) {
        const CString url = m_sPendingUrl;
        m_sPendingUrl.Empty();
        Navigate(url, 0);
    }
}

void HXConBrowser::OnSize(int width, int height)
{
    HWND browser = GetBrowserWindow();
    if (!browser) return;
    const bool usable = width > 0 && height > 0;
    if (!usable && IsOwnWindow(GetFocus()) && m_hHost) SetFocus(m_hHost);
    EnableWindow(browser, usable ? TRUE : FALSE);
}

void HXConBrowser::OnDocumentComplete(const CString& url)
{
    CWebBrowserWnd::OnDocumentComplete(url);
    HWND browser = GetBrowserWindow();
    if (!browser) return;
    if (m_bOfflineHide && !HostedAddress::IsOnline()) {
        ShowWindow(browser, SW_HIDE);
        return;
    }
    if (IsTooSmall()) return;
    m_bPageShown = 1;
    if (m_bShown) ShowWindow(browser, SW_SHOW);
}

int HXConBrowser::Draw()
{
    if (!m_bPageShown && m_crBackground != static_cast<COLORREF>(-1) && m_bShown && m_pSurface &&
        !m_pSurface->IsEmpty() && !IsTooSmall()) {
        RECT r;
        GetRect(&r);
        DibClipScope clip(m_pSurface, r);
        m_pSurface->FillClip(m_crBackground);
    }
    return HXConBase::Draw();
}
