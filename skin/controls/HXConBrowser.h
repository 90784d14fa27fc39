// The skin's browser control ("BrowserControl"): a hosted web browser kept
// on the control's rectangle. Its page is URL, or OffURL when the computer
// is off line; "./" addresses name pages of the skin. The browser is made on
// the first navigation and stays hidden until a document has completed; a
// control too small to show anything keeps its address until it first gets
// a usable size. While no page is shown the control shows BkgndColor; with
// OfflineHide an off-line computer never shows the page.
#pragma once

#include "skin/HXConBase.h"
#include "skin/hosting/CWebBrowserWnd.h"

class HXConBrowser : public HXConBase, public CWebBrowserWnd {
public:
    explicit HXConBrowser(SkinOwner* owner);
    ~HXConBrowser() override;

    // The common attributes, then URL, OffURL, BkgndColor (navigating at
    // once unless the control is too small) and OfflineHide.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    void SetRect(int x, int y, int width, int height, int repaint) override;
    int Draw() override;
    void OnSize(int width, int height) override;
    void OnDocumentComplete(const CString& url) override;

    // The first call makes the browser in the skin window (hidden, on the
    // control's rectangle); a browser that could not be made stays empty.
    void Navigate(const CString& url, int wait);

    const CString& GetPendingUrl() const { return m_sPendingUrl; }
    bool IsCreated() const { return m_bCreated != 0; }
    bool IsPageShown() const { return m_bPageShown != 0; }
    COLORREF GetBackgroundColor() const { return m_crBackground; }
    int GetOfflineHide() const { return m_bOfflineHide; }

private:
    CString m_sPendingUrl;
    int m_bOfflineHide = 0;
    int m_bCreated = 0;
    int m_bPageShown = 0;
    COLORREF m_crBackground = static_cast<COLORREF>(-1);
};
