// Hosts a web browser inside a window of the program: the platform's
// browser backend makes the browser's window as a child of the parent, and
// this host navigates it, keeps it where its owner says, watches its events
// (CBrowserEventWatcher) and hands them to an optional listener. Navigating
// with a wait runs the program's messages until the document is complete,
// the navigation failed or about ten seconds have passed; a quit request met
// while waiting is put back for the program's own loop and ends the wait.
#pragma once

#include <memory>

#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

class BrowserListener;
class CBrowserEventWatcher;

class CWebBrowserWnd {
public:
    static constexpr int kWaitPasses = 200;
    static constexpr DWORD kWaitSleepMs = 50;

    explicit CWebBrowserWnd(BrowserListener* listener = nullptr);
    virtual ~CWebBrowserWnd();
    CWebBrowserWnd(const CWebBrowserWnd&) = delete;
    CWebBrowserWnd& operator=(const CWebBrowserWnd&) = delete;

    // A document of the browser completed: the flag is set and the
    // listener told the browser's address.
    virtual void OnDocumentComplete(const CString& url);

    // 0 when the browser exists already or cannot be made.
    int Create(HWND parent);
    // Stops watching the current document's clicks, clears the complete
    // flag and starts the navigation; with wait, runs messages as above.
    void Navigate(const CString& url, int wait);
    // The browser's window or one of its descendants.
    BOOL IsOwnWindow(HWND window) const;
    void Move(int x, int y, int width, int height, BOOL repaint);

    HWND GetBrowserWindow() const { return m_hBrowser; }
    BrowserListener* GetListener() const { return m_pListener; }
    bool IsDocumentComplete() const { return m_bDocumentComplete != 0; }
    bool HoldsDocument() const { return m_bDocumentHeld; }
    // The address of the last navigation that reached its document.
    const CString& GetDocumentUrl() const { return m_sUrl; }
    // While set, the wheel does not reach the browser.
    void SetMouseWheelOff(int off) { m_bMouseWheelOff = off; }

private:
    friend class CBrowserEventWatcher;
    // The navigation reached its document: its clicks are watched (unless a
    // document is held already) and its address remembered.
    void AttachDocument(const CString& url);
    void OnDocumentClick(const CString& elementId);
    void OnNavigateError() { m_bNavigationFailed = 1; }
    static LRESULT BrowserWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND m_hBrowser = nullptr;
    int m_bMouseWheelOff = 0;
    WNDPROC m_pPreviousProc = nullptr;
    bool m_bDocumentHeld = false;
    BrowserListener* m_pListener;
    HWND m_hParent = nullptr;
    int m_bDocumentComplete = 0;
    int m_bNavigationFailed = 0;
    CString m_sUrl;
    std::unique_ptr<CBrowserEventWatcher> m_pWatcher;
};
