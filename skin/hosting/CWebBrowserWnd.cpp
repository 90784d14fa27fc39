#include "skin/hosting/CWebBrowserWnd.h"

#include "platform/mfc/WebBrowserBackend.h"
#include "platform/win32/Tick.h"
#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/hosting/BrowserListener.h"
#include "skin/hosting/CBrowserEventWatcher.h"

namespace {

constexpr const wchar_t* kHostProperty = L"RivoBrowserHost";

}  // namespace

CWebBrowserWnd::CWebBrowserWnd(BrowserListener* listener)
    : m_pListener(listener), m_pWatcher(std::make_unique<CBrowserEventWatcher>(this))
{
}

CWebBrowserWnd::~CWebBrowserWnd()
{
    // The window goes first, so that no event reaches a host being taken
    // apart.
    if (m_hBrowser && IsWindow(m_hBrowser)) DestroyWindow(m_hBrowser);
    m_hBrowser = nullptr;
    m_bDocumentHeld = false;
}

int CWebBrowserWnd::Create(HWND parent)
{
    if (m_hBrowser) return 0;
    HWND browser = CurrentWebBrowserBackend().CreateBrowserWindow(parent, m_pWatcher.get());
    if (!browser) return 0;
    m_hParent = parent;
    m_hBrowser = browser;
    SetPropW(browser, kHostProperty, reinterpret_cast<HANDLE>(this));
    m_pPreviousProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(browser, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWebBrowserWnd::BrowserWindowProc)));
    return 1;
}

LRESULT CWebBrowserWnd::BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* host = reinterpret_cast<CWebBrowserWnd*>(GetPropW(window, kHostProperty));
    if (!host || !host->m_pPreviousProc) return DefWindowProcW(window, message, wParam, lParam);
    const WNDPROC previous = host->m_pPreviousProc;
    if (message == WM_MOUSEWHEEL && host->m_bMouseWheelOff) return 1;
    if (message == WM_DESTROY) {
        RemovePropW(window, kHostProperty);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
        host->m_pPreviousProc = nullptr;
        host->m_hBrowser = nullptr;
    }
    return CallWindowProcW(previous, window, message, wParam, lParam);
}

void CWebBrowserWnd::Navigate(const CString& url, int wait)
{
    if (!m_hBrowser) return;
    // Each document's clicks are watched from its own completion on.
    m_bDocumentHeld = false;
    m_bDocumentComplete = 0;
    m_bNavigationFailed = 0;
    CurrentWebBrowserBackend().Navigate(m_hBrowser, url);
    if (!wait) return;
    for (int pass = 0; pass < kWaitPasses && !m_bDocumentComplete && !m_bNavigationFailed; ++pass) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // The program is ending: the request goes back to the loop
                // that will see it, and the page is not waited for.
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            DispatchMessageW(&msg);
        }
        if (m_bDocumentComplete || m_bNavigationFailed) break;
        Sleep(kWaitSleepMs);
    }
}

void CWebBrowserWnd::OnDocumentComplete(const CString&)
{
    m_bDocumentComplete = 1;
    if (m_pListener) m_pListener->DocumentComplete(this, CurrentWebBrowserBackend().LocationUrl(m_hBrowser));
}

void CWebBrowserWnd::AttachDocument(const CString& url)
{
    if (m_bDocumentHeld) return;
    m_bDocumentHeld = true;
    m_sUrl = url;
}

void CWebBrowserWnd::OnDocumentClick(const CString& elementId)
{
    if (m_bDocumentHeld && m_pListener) m_pListener->DocumentClick(this, elementId);
}

BOOL CWebBrowserWnd::IsOwnWindow(HWND window) const
{
    if (!m_hBrowser) return FALSE;
    for (HWND w = window; w; w = GetParent(w))
        if (w == m_hBrowser) return TRUE;
    return FALSE;
}

void CWebBrowserWnd::Move(int x, int y, int width, int height, BOOL repaint)
{
    if (m_hBrowser) MoveWindow(m_hBrowser, x, y, width, height, repaint);
}
