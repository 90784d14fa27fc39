// Property sheets: a dialog of our own layout (a tab control with one tab per
// page above OK, Cancel and Apply) whose pages are child dialogs from their
// resources, placed in the tab control's display area. A page's window is
// made when its tab is first shown, so pages the user never opens have none.
// Leaving a page asks it (OnKillActive: its data exchange saves and
// validates); OK asks the shown page, then tells every page that has a window
// (OnOK) and ends the sheet; Cancel tells them OnCancel. Enter and Escape in a
// page reach the sheet's buttons.
#pragma once

#include <string>
#include <vector>

#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommonCtrls.h"

class CPropertySheet;

constexpr int AFX_IDC_TAB_CONTROL = 0x3020;
constexpr int ID_APPLY_NOW = 0x3021;
constexpr DWORD PSH_NOAPPLYNOW = 0x00000080;

class CPropertyPage : public CDialog {
public:
    explicit CPropertyPage(UINT templateId, UINT captionId = 0);

    // TRUE lets the page be shown.
    virtual BOOL OnSetActive();
    // TRUE lets the page be left; by default its data exchange saves and
    // validates.
    virtual BOOL OnKillActive();
    // The sheet's OK and Cancel, for pages that have a window.
    void OnOK() override;
    void OnCancel() override;
    // The sheet's Apply; by default OnOK.
    virtual BOOL OnApply();
    // Enables the sheet's Apply button.
    void SetModified(BOOL changed = TRUE);

    CPropertySheet* m_pSheet = nullptr;
    // The caption of its tab (the resource's caption).
    std::wstring Caption() const;
    // Makes the page's window as a child of the sheet.
    BOOL CreatePage(CPropertySheet* sheet);

private:
    DialogResource child_{};  // the resource as a child window
};

class CPropertySheet : public CDialog {
public:
    explicit CPropertySheet(LPCWSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);

    void AddPage(CPropertyPage* page);
    int GetPageCount() const { return static_cast<int>(pages_.size()); }
    CPropertyPage* GetPage(int index) const;
    CPropertyPage* GetActivePage() const { return GetPage(active_); }
    int GetActiveIndex() const { return active_; }
    int GetPageIndex(const CPropertyPage* page) const;
    BOOL SetActivePage(int index);
    BOOL SetActivePage(CPropertyPage* page) { return SetActivePage(GetPageIndex(page)); }
    // The tab control, once the sheet has its window.
    CTabCtrl* GetTabControl() { return tab_.m_hWnd ? &tab_ : nullptr; }
    void SetTitle(LPCWSTR title);

    INT_PTR DoModal() override;
    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;

    struct Header {
        DWORD dwFlags = 0;
    } m_psh;

    const DialogResource* FindResource() const override;

protected:
    // Shows the page (making its window first); false when the page refused.
    bool Activate(int index);
    void PlacePage(CPropertyPage* page);
    friend class CPropertyPage;
    void PageModified(BOOL changed);

private:
    void BuildLayout();
    std::wstring caption_;
    std::vector<CPropertyPage*> pages_;
    int active_ = -1;
    UINT start_ = 0;
    CTabCtrl tab_;
    DialogControlResource controls_[4]{};
    DialogResource resource_{};
};
