// The hosted web browser of this platform, behind a backend interface: a
// backend makes browser windows (children of a window of the program) and
// navigates them, and each browser window reports what happens to the
// events object it was made with, on the UI thread and after the call that
// started a navigation has returned.
//
// The default backend shows local pages (files, "file:" addresses and
// "about:blank") with Qt's text browser and refuses every other address
// with a navigation error; links in its pages navigate the same way. A
// backend over a full web engine can replace it (SetWebBrowserBackend).
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

// The status of a navigation error: no page of that address exists, or the
// browser does not go to addresses of that kind.
constexpr LONG INET_E_RESOURCE_NOT_FOUND = static_cast<LONG>(0x800C0005u);
constexpr LONG INET_E_UNKNOWN_PROTOCOL = static_cast<LONG>(0x800C000Du);

class WebBrowserEvents {
public:
    virtual ~WebBrowserEvents() = default;
    // Before a navigation starts; setting cancel stops it.
    virtual void BeforeNavigate(const CString& url, bool& cancel) = 0;
    // The document of the address exists (its content may still load).
    virtual void NavigateComplete(const CString& url) = 0;
    virtual void DocumentComplete(const CString& url) = 0;
    // The navigation failed; no document follows. cancel stops the browser
    // from showing an error page of its own.
    virtual void NavigateError(const CString& url, LONG status, bool& cancel) = 0;
    virtual void StatusText(const CString& text) = 0;
    virtual void TitleChange(const CString& title) = 0;
    virtual void ProgressChange(LONG progress, LONG maximum) = 0;
    virtual void CommandStateChange(LONG command, bool enabled) = 0;
    virtual void NewWindow(bool& cancel) = 0;
    // A click in the document: the id of the element clicked, else of its
    // parent; empty when neither has one.
    virtual void DocumentClick(const CString& elementId) = 0;
};

class WebBrowserBackend {
public:
    virtual ~WebBrowserBackend() = default;
    // A visible child window of parent that shows pages; null when none can
    // be made. The events object must outlive the window.
    virtual HWND CreateBrowserWindow(HWND parent, WebBrowserEvents* events) = 0;
    // Starts a navigation of a browser window of this backend.
    virtual void Navigate(HWND browser, const CString& url) = 0;
    // The address of the document shown, empty before the first.
    virtual CString LocationUrl(HWND browser) = 0;
};

// The backend in use: the one installed, else the default.
WebBrowserBackend& CurrentWebBrowserBackend();
// Installs a backend (not owned); null restores the default.
void SetWebBrowserBackend(WebBrowserBackend* backend);
