// The default web browser backend: a child window with Qt's text browser
// that shows local pages, "file:" addresses and "about:blank". Addresses of
// other kinds (the network among them) end in a navigation error with
// INET_E_UNKNOWN_PROTOCOL, files that cannot be read (missing, folders,
// larger than kMaxPageBytes) in one with INET_E_RESOURCE_NOT_FOUND. A
// relative address is taken from the folder of the page shown. Links in a
// page navigate through the same rules; a click reports the id (anchor
// name) of what it fell on.
#pragma once

#include "platform/mfc/WebBrowserBackend.h"

class TextBrowserBackend : public WebBrowserBackend {
public:
    static constexpr long long kMaxPageBytes = 16ll << 20;

    HWND CreateBrowserWindow(HWND parent, WebBrowserEvents* events) override;
    void Navigate(HWND browser, const CString& url) override;
    CString LocationUrl(HWND browser) override;
};
