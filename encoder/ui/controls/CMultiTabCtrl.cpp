#include "CMultiTabCtrl.h"

#include <stdexcept>

#include "platform/win32/gui/SystemMetrics.h"

BEGIN_MESSAGE_MAP(CMultiTabCtrl, CTabCtrl)
ON_NOTIFY_REFLECT(TCN_SELCHANGE, &CMultiTabCtrl::OnSelChange)
END_MESSAGE_MAP()

int CMultiTabCtrl::AddTab(LPCWSTR caption, CWnd* dialog, int image)
{
    if (dialog) dialog->ShowWindow(m_pages.GetSize() == 0 ? SW_SHOW : SW_HIDE);
    m_pages.Add(dialog);
    TCITEMW item;
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<LPWSTR>(caption ? caption : L"");
    item.iImage = image;
    int index = static_cast<int>(InsertItem(GetItemCount(), &item));
    if (index == 0) PlaceCurrentPage();
    return index;
}

int CMultiTabCtrl::ReplacePage(int index, CWnd* dialog)
{
    if (index < 0 || index >= m_pages.GetSize()) throw std::invalid_argument("CMultiTabCtrl::ReplacePage: no such tab");
    CWnd* old = m_pages[index];
    if (old == dialog) return index;
    m_pages[index] = dialog;
    if (index == GetCurSel()) {
        if (dialog) dialog->ShowWindow(SW_SHOW);
        if (old && old->GetSafeHwnd()) old->ShowWindow(SW_HIDE);
    } else if (dialog) {
        dialog->ShowWindow(SW_HIDE);
    }
    PlaceCurrentPage();
    return -1;
}

CWnd* CMultiTabCtrl::GetPage(int index) const
{
    return index >= 0 && index < m_pages.GetSize() ? m_pages[index] : nullptr;
}

void CMultiTabCtrl::PlaceCurrentPage()
{
    CWnd* page = GetPage(GetCurSel());
    if (!page || !page->GetSafeHwnd()) return;
    CRect r;
    GetClientRect(&r);
    CRect tab0;
    GetItemRect(0, &tab0);
    int frameX = GetSystemMetrics(SM_CXDLGFRAME);
    int frameY = GetSystemMetrics(SM_CYDLGFRAME);
    r.left += frameX;
    r.right -= frameX;
    r.top += tab0.Height() + frameY;
    r.bottom -= frameY;
    MapWindowPoints(GetParent(), &r);
    page->MoveWindow(&r);
    page->Invalidate();
}

void CMultiTabCtrl::ShowSelectedPage()
{
    PlaceCurrentPage();
    int selected = GetCurSel();
    for (int i = 0; i < m_pages.GetSize(); ++i) {
        CWnd* page = m_pages[i];
        if (page && page->GetSafeHwnd()) page->ShowWindow(i == selected ? SW_SHOW : SW_HIDE);
    }
}

void CMultiTabCtrl::SelectTab(int index)
{
    SetCurSel(index);
    ShowSelectedPage();
}

void CMultiTabCtrl::OnSelChange(NMHDR*, LRESULT* result)
{
    ShowSelectedPage();
    *result = 0;
}
