// A tab control that shows one child dialog per tab: the dialog of the
// selected tab is placed in the tab's display area and shown, every other
// one hidden. The control does not own the dialogs; the window that uses it
// does.
#pragma once

#include "platform/mfc/CommonCtrls.h"
#include "platform/win32/Collections.h"

class CMultiTabCtrl : public CTabCtrl {
public:
    // Appends a tab with the caption and image and the dialog as its page;
    // the first page added is shown, later ones hidden. The new tab's index.
    int AddTab(LPCWSTR caption, CWnd* dialog, int image);
    // Makes the dialog the page of the tab: the index when it is that page
    // already, else -1 (a page of the selected tab shows at once, any other
    // stays hidden until its tab is chosen). An index that is no tab's
    // throws std::invalid_argument, the class library's invalid-argument
    // error.
    int ReplacePage(int index, CWnd* dialog);
    CWnd* GetPage(int index) const;
    // Selects the tab and shows its page, as a click on the tab does.
    void SelectTab(int index);
    int GetPageCount() const { return static_cast<int>(m_pages.GetSize()); }

protected:
    void OnSelChange(NMHDR* header, LRESULT* result);
    // The selected tab's page shown, every other one hidden.
    void ShowSelectedPage();
    DECLARE_MESSAGE_MAP()

private:
    // Moves the selected tab's page over the display area, in the parent's
    // coordinates, and repaints it.
    void PlaceCurrentPage();

    CArray<CWnd*, CWnd*> m_pages;
};
