#include "skin/hosting/CBrowserEventWatcher.h"

#include "skin/hosting/BrowserListener.h"
#include "skin/hosting/CWebBrowserWnd.h"

void CBrowserEventWatcher::BeforeNavigate(const CString& url, bool& cancel)
{
    BrowserListener* listener = m_pHost->GetListener();
    if (!listener) return;
    BOOL stop = cancel ? TRUE : FALSE;
    listener->BeforeNavigate(m_pHost, url, &stop);
    cancel = stop != FALSE;
}

void CBrowserEventWatcher::NavigateComplete(const CString& url) { m_pHost->AttachDocument(url); }

void CBrowserEventWatcher::DocumentComplete(const CString& url) { m_pHost->OnDocumentComplete(url); }

void CBrowserEventWatcher::NavigateError(const CString& url, LONG status, bool& cancel)
{
    m_pHost->OnNavigateError();
    BrowserListener* listener = m_pHost->GetListener();
    if (!listener) return;
    BOOL stop = TRUE;
    listener->NavigateError(m_pHost, url, status, &stop);
    cancel = stop != FALSE;
}

void CBrowserEventWatcher::StatusText(const CString& text)
{
    if (BrowserListener* listener = m_pHost->GetListener()) listener->StatusText(m_pHost, text);
}

void CBrowserEventWatcher::TitleChange(const CString& title)
{
    if (BrowserListener* listener = m_pHost->GetListener()) listener->Title(m_pHost, title);
}

void CBrowserEventWatcher::ProgressChange(LONG progress, LONG maximum)
{
    if (BrowserListener* listener = m_pHost->GetListener()) listener->Progress(m_pHost, progress, maximum);
}

void CBrowserEventWatcher::CommandStateChange(LONG command, bool enabled)
{
    if (BrowserListener* listener = m_pHost->GetListener()) listener->CommandState(m_pHost, command, enabled);
}

void CBrowserEventWatcher::NewWindow(bool& cancel)
{
    BrowserListener* listener = m_pHost->GetListener();
    if (!listener) return;
    BOOL stop = cancel ? TRUE : FALSE;
    listener->NewWindow(m_pHost, &stop);
    cancel = stop != FALSE;
}

void CBrowserEventWatcher::DocumentClick(const CString& elementId) { m_pHost->OnDocumentClick(elementId); }
