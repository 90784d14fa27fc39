// What a hosted browser tells the object that watches it: navigations about
// to start, completed documents, new windows, status and title texts,
// progress, command states, navigation errors and clicks in the document.
// The skin's browser control hosts its browser without one; a caller that
// wants the events supplies it.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/WinTypes.h"

class CWebBrowserWnd;

class BrowserListener {
public:
    virtual ~BrowserListener() = default;
    // Setting cancel stops the navigation.
    virtual void BeforeNavigate(CWebBrowserWnd* host, const CString& url, BOOL* cancel) = 0;
    virtual void DocumentComplete(CWebBrowserWnd* host, const CString& url) = 0;
    virtual void NewWindow(CWebBrowserWnd* host, BOOL* cancel) = 0;
    virtual void StatusText(CWebBrowserWnd* host, const CString& text) = 0;
    virtual void Title(CWebBrowserWnd* host, const CString& text) = 0;
    virtual void Progress(CWebBrowserWnd* host, LONG progress, LONG maximum) = 0;
    virtual void CommandState(CWebBrowserWnd* host, LONG command, BOOL enabled) = 0;
    // cancel comes set: the browser shows no error page of its own unless
    // the listener clears it.
    virtual void NavigateError(CWebBrowserWnd* host, const CString& url, LONG status, BOOL* cancel) = 0;
    virtual void DocumentClick(CWebBrowserWnd* host, const CString& elementId) = 0;
};
