#include "CommonCtrls.h"

#include <cwchar>

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    DeleteImageList();
    m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
    return m_hImageList != nullptr;
}

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF mask)
{
    DeleteImageList();
    m_hImageList = ImageList_LoadBitmapW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(bitmapId)), cx, grow, mask);
    return m_hImageList != nullptr;
}

BOOL CImageList::DeleteImageList()
{
    if (!m_hImageList) return FALSE;
    BOOL ok = ImageList_Destroy(m_hImageList);
    m_hImageList = nullptr;
    return ok;
}

BOOL CImageList::Attach(HIMAGELIST list)
{
    if (!list || m_hImageList) return FALSE;
    m_hImageList = list;
    return TRUE;
}

HIMAGELIST CImageList::Detach()
{
    HIMAGELIST list = m_hImageList;
    m_hImageList = nullptr;
    return list;
}

int CImageList::Add(CBitmap* bitmap, CBitmap* mask)
{
    return ImageList_Add(m_hImageList, bitmap ? bitmap->m_hObject : nullptr, mask ? mask->m_hObject : nullptr);
}

int CImageList::Add(CBitmap* bitmap, COLORREF mask)
{
    return ImageList_AddMasked(m_hImageList, bitmap ? bitmap->m_hObject : nullptr, mask);
}

int CListCtrl::InsertColumn(int index, LPCWSTR heading, int format, int width, int subItem)
{
    LVCOLUMNW column;
    column.mask = LVCF_TEXT | LVCF_FMT;
    column.pszText = const_cast<LPWSTR>(heading);
    column.fmt = format;
    if (width != -1) {
        column.mask |= LVCF_WIDTH;
        column.cx = width;
    }
    if (subItem != -1) {
        column.mask |= LVCF_SUBITEM;
        column.iSubItem = subItem;
    }
    return InsertColumn(index, &column);
}

int CListCtrl::InsertItem(int index, LPCWSTR text)
{
    LVITEMW item;
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(text);
    return InsertItem(&item);
}

int CListCtrl::InsertItem(UINT mask, int index, LPCWSTR text, UINT state, UINT stateMask, int image, LPARAM param)
{
    LVITEMW item;
    item.mask = mask;
    item.iItem = index;
    item.pszText = const_cast<LPWSTR>(text);
    item.state = state;
    item.stateMask = stateMask;
    item.iImage = image;
    item.lParam = param;
    return InsertItem(&item);
}

BOOL CListCtrl::SetItemText(int index, int subItem, LPCWSTR text)
{
    LVITEMW item;
    item.iSubItem = subItem;
    item.pszText = const_cast<LPWSTR>(text);
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

int CListCtrl::GetItemText(int index, int subItem, LPWSTR buffer, int max) const
{
    LVITEMW item;
    item.iSubItem = subItem;
    item.pszText = buffer;
    item.cchTextMax = max;
    return static_cast<int>(SendMessage(LVM_GETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int index, int subItem) const
{
    // Grows the buffer until the text fits.
    for (int size = 256; size <= (1 << 20); size *= 4) {
        std::wstring buffer(static_cast<size_t>(size), L'\0');
        int n = GetItemText(index, subItem, buffer.data(), size);
        if (n < size - 1) {
            buffer.resize(static_cast<size_t>(n));
            return CString(std::move(buffer));
        }
    }
    return CString();
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data)
{
    LVITEMW item;
    item.mask = LVIF_PARAM;
    item.iItem = index;
    item.lParam = static_cast<LPARAM>(data);
    return SetItem(&item);
}

DWORD_PTR CListCtrl::GetItemData(int index) const
{
    LVITEMW item;
    item.mask = LVIF_PARAM;
    item.iItem = index;
    return GetItem(&item) ? static_cast<DWORD_PTR>(item.lParam) : 0;
}

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask)
{
    LVITEMW item;
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(
        SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
}

POSITION CListCtrl::GetFirstSelectedItemPosition() const
{
    int first = GetNextItem(-1, LVNI_SELECTED);
    return reinterpret_cast<POSITION>(static_cast<intptr_t>(first + 1));
}

int CListCtrl::GetNextSelectedItem(POSITION& position) const
{
    int current = static_cast<int>(reinterpret_cast<intptr_t>(position)) - 1;
    int next = GetNextItem(current, LVNI_SELECTED);
    position = reinterpret_cast<POSITION>(static_cast<intptr_t>(next + 1));
    return current;
}

CImageList* CListCtrl::SetImageList(CImageList* list, int type)
{
    SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(type),
                reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr));
    return nullptr;
}

BOOL CListCtrl::GetItemRect(int index, LPRECT r, UINT code) const
{
    if (!r) return FALSE;
    r->left = static_cast<LONG>(code);
    return static_cast<BOOL>(SendMessage(LVM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(r)));
}

int CListCtrl::HitTest(CPoint point, UINT* flags) const
{
    LVHITTESTINFO hit;
    hit.pt = point;
    int index = static_cast<int>(SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (flags) *flags = hit.flags;
    return index;
}

LONG CTabCtrl::InsertItem(int index, LPCWSTR text)
{
    TCITEMW item;
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<LPWSTR>(text);
    return InsertItem(index, &item);
}

LONG CTabCtrl::InsertItem(int index, LPCWSTR text, int image)
{
    TCITEMW item;
    item.mask = TCIF_TEXT | TCIF_IMAGE;
    item.pszText = const_cast<LPWSTR>(text);
    item.iImage = image;
    return InsertItem(index, &item);
}

CImageList* CTabCtrl::SetImageList(CImageList* list)
{
    SendMessage(TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(list ? list->m_hImageList : nullptr));
    return nullptr;
}
