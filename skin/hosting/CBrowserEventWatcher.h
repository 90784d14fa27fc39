// Watches the events of a hosted browser for its host window: status and
// title texts, progress, command states, new windows, navigations about to
// start and navigation errors go to the host's listener (when it has one);
// a navigation that reaches its document makes the host watch the clicks in
// that document and remember the address; a completed document goes to the
// host's OnDocumentComplete; a failed navigation ends the host's wait.
#pragma once

#include "platform/mfc/WebBrowserBackend.h"

class CWebBrowserWnd;

class CBrowserEventWatcher : public WebBrowserEvents {
public:
    explicit CBrowserEventWatcher(CWebBrowserWnd* host) : m_pHost(host) {}

    void BeforeNavigate(const CString& url, bool& cancel) override;
    void NavigateComplete(const CString& url) override;
    void DocumentComplete(const CString& url) override;
    void NavigateError(const CString& url, LONG status, bool& cancel) override;
    void StatusText(const CString& text) override;
    void TitleChange(const CString& title) override;
    void ProgressChange(LONG progress, LONG maximum) override;
    void CommandStateChange(LONG command, bool enabled) override;
    void NewWindow(bool& cancel) override;
    void DocumentClick(const CString& elementId) override;

private:
    CWebBrowserWnd* m_pHost;
};
