// The class library's objects for the common controls: list view, trackbar,
// up-down, progress bar, tab control, date-time picker, and image lists.
// The control objects add no data to CWnd and talk to their window with the
// control's messages.
#pragma once

#include "platform/mfc/CWnd.h"
#include "platform/mfc/ImageList.h"

class CImageList {
public:
    CImageList() = default;
    ~CImageList() { DeleteImageList(); }
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    HIMAGELIST m_hImageList = nullptr;
    HIMAGELIST GetSafeHandle() const { return m_hImageList; }
    operator HIMAGELIST() const { return m_hImageList; }  // NOLINT(google-explicit-constructor)
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    // From a bitmap resource cut into images cx wide, the mask colour
    // transparent.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF mask);
    BOOL DeleteImageList();
    BOOL Attach(HIMAGELIST list);
    HIMAGELIST Detach();
    int Add(CBitmap* bitmap, CBitmap* mask);
    int Add(CBitmap* bitmap, COLORREF mask);
    int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
    BOOL Draw(CDC* dc, int index, POINT at, UINT style)
    {
        return ImageList_Draw(m_hImageList, index, dc ? dc->m_hDC : nullptr, at.x, at.y, style);
    }
    BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
};

class CListCtrl : public CWnd {
public:
    // The window's own Create stays callable beside the control's.
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(WC_LISTVIEWW, nullptr, style, rect, parent, id);
    }
    int InsertColumn(int index, LPCWSTR heading, int format = LVCFMT_LEFT, int width = -1, int subItem = -1);
    int InsertColumn(int index, const LVCOLUMNW* column)
    {
        return static_cast<int>(
            SendMessage(LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(column)));
    }
    BOOL DeleteColumn(int index)
    {
        return static_cast<BOOL>(SendMessage(LVM_DELETECOLUMN, static_cast<WPARAM>(index)));
    }
    BOOL SetColumnWidth(int index, int width)
    {
        return static_cast<BOOL>(
            SendMessage(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(index), MAKELONG(static_cast<WORD>(width), 0)));
    }
    int GetColumnWidth(int index) const
    {
        return static_cast<int>(SendMessage(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(index)));
    }
    int InsertItem(const LVITEMW* item)
    {
        return static_cast<int>(SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(item)));
    }
    int InsertItem(int index, LPCWSTR text);
    int InsertItem(UINT mask, int index, LPCWSTR text, UINT state, UINT stateMask, int image, LPARAM param);
    BOOL DeleteItem(int index) { return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index))); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS)); }
    int GetItemCount() const { return static_cast<int>(SendMessage(LVM_GETITEMCOUNT)); }
    BOOL SetItem(const LVITEMW* item)
    {
        return static_cast<BOOL>(SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItem(LVITEMW* item) const
    {
        return static_cast<BOOL>(SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(item)));
    }
    BOOL SetItemText(int index, int subItem, LPCWSTR text);
    CString GetItemText(int index, int subItem) const;
    int GetItemText(int index, int subItem, LPWSTR buffer, int max) const;
    BOOL SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    BOOL SetItemState(int index, UINT state, UINT mask);
    UINT GetItemState(int index, UINT mask) const
    {
        return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
    }
    int GetNextItem(int start, int flags) const
    {
        return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), flags));
    }
    UINT GetSelectedCount() const { return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT)); }
    // Walks the selected rows: a position (null for none), then the row
    // index of each, the position moving on.
    POSITION GetFirstSelectedItemPosition() const;
    int GetNextSelectedItem(POSITION& position) const;
    DWORD SetExtendedStyle(DWORD style)
    {
        return static_cast<DWORD>(SendMessage(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, static_cast<LPARAM>(style)));
    }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(SendMessage(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    BOOL EnsureVisible(int index, BOOL partialOk)
    {
        return static_cast<BOOL>(SendMessage(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), partialOk));
    }
    BOOL SetCheck(int index, BOOL check = TRUE)
    {
        return SetItemState(index, INDEXTOSTATEIMAGEMASK(check ? 2 : 1), LVIS_STATEIMAGEMASK);
    }
    BOOL GetCheck(int index) const { return ((GetItemState(index, LVIS_STATEIMAGEMASK) >> 12) - 1) == 1; }
    // Hands the list to the control; the old list is not given back here.
    CImageList* SetImageList(CImageList* list, int type);
    BOOL GetItemRect(int index, LPRECT r, UINT code) const;
    int HitTest(CPoint point, UINT* flags = nullptr) const;
    int FindItem(LVFINDINFOW* find, int start = -1) const
    {
        return static_cast<int>(SendMessage(LVM_FINDITEMW, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(find)));
    }
    int GetSelectionMark() const { return static_cast<int>(SendMessage(LVM_GETSELECTIONMARK)); }
    int SetSelectionMark(int index) { return static_cast<int>(SendMessage(LVM_SETSELECTIONMARK, 0, index)); }
    int GetTopIndex() const { return static_cast<int>(SendMessage(LVM_GETTOPINDEX)); }
    int GetCountPerPage() const { return static_cast<int>(SendMessage(LVM_GETCOUNTPERPAGE)); }
    BOOL SetBkColor(COLORREF color)
    {
        return static_cast<BOOL>(SendMessage(LVM_SETBKCOLOR, 0, static_cast<LPARAM>(color)));
    }
};

class CSliderCtrl : public CWnd {
public:
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(TRACKBAR_CLASSW, nullptr, style, rect, parent, id);
    }
    void SetRange(int minimum, int maximum, BOOL redraw = FALSE)
    {
        SendMessage(TBM_SETRANGEMIN, FALSE, minimum);
        SendMessage(TBM_SETRANGEMAX, redraw, maximum);
    }
    void GetRange(int& minimum, int& maximum) const
    {
        minimum = GetRangeMin();
        maximum = GetRangeMax();
    }
    void SetRangeMin(int minimum, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMIN, redraw, minimum); }
    void SetRangeMax(int maximum, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMAX, redraw, maximum); }
    int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
    int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
    void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
    int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
    int SetPageSize(int size) { return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, size)); }
    int GetPageSize() const { return static_cast<int>(SendMessage(TBM_GETPAGESIZE)); }
    int SetLineSize(int size) { return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, size)); }
    int GetLineSize() const { return static_cast<int>(SendMessage(TBM_GETLINESIZE)); }
    void SetTicFreq(int frequency) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(frequency)); }
    void SetSelection(int start, int end)
    {
        SendMessage(TBM_SETSELSTART, FALSE, start);
        SendMessage(TBM_SETSELEND, TRUE, end);
    }
    void GetSelection(int& start, int& end) const
    {
        start = static_cast<int>(SendMessage(TBM_GETSELSTART));
        end = static_cast<int>(SendMessage(TBM_GETSELEND));
    }
    void ClearSel(BOOL redraw = FALSE) { SendMessage(TBM_CLEARSEL, redraw); }
    void ClearTics(BOOL redraw = FALSE) { SendMessage(TBM_CLEARTICS, redraw); }
    int GetNumTics() const { return static_cast<int>(SendMessage(TBM_GETNUMTICS)); }
    void GetThumbRect(LPRECT r) const { SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(r)); }
    void GetChannelRect(LPRECT r) const { SendMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(r)); }
};

class CSpinButtonCtrl : public CWnd {
public:
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(UPDOWN_CLASSW, nullptr, style, rect, parent, id);
    }
    void SetRange(short lower, short upper)
    {
        SendMessage(UDM_SETRANGE, 0, MAKELONG(static_cast<WORD>(upper), static_cast<WORD>(lower)));
    }
    void SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    void GetRange(int& lower, int& upper) const
    {
        DWORD r = static_cast<DWORD>(SendMessage(UDM_GETRANGE));
        lower = static_cast<SHORT>(HIWORD(r));
        upper = static_cast<SHORT>(LOWORD(r));
    }
    void GetRange32(int& lower, int& upper) const
    {
        SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    }
    int SetPos(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS, 0, MAKELONG(static_cast<WORD>(pos), 0))); }
    // The message's answer as it is: the position in the low word, non-zero
    // in the high word when the buddy's text holds no valid number.
    int GetPos() const { return static_cast<int>(SendMessage(UDM_GETPOS)); }
    int SetPos32(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
    int GetPos32(BOOL* error = nullptr) const
    {
        return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(error)));
    }
    CWnd* SetBuddy(CWnd* buddy)
    {
        return CWnd::FromHandle(reinterpret_cast<HWND>(
            SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy ? buddy->m_hWnd : nullptr))));
    }
    CWnd* GetBuddy() const { return CWnd::FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY))); }
    int SetBase(int base) { return static_cast<int>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(base))); }
    UINT GetBase() const { return static_cast<UINT>(SendMessage(UDM_GETBASE)); }
    BOOL SetAccel(int count, UDACCEL* accel)
    {
        return static_cast<BOOL>(
            SendMessage(UDM_SETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(accel)));
    }
    UINT GetAccel(int count, UDACCEL* accel) const
    {
        return static_cast<UINT>(
            SendMessage(UDM_GETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(accel)));
    }
};

class CProgressCtrl : public CWnd {
public:
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(PROGRESS_CLASSW, nullptr, style, rect, parent, id);
    }
    void SetRange(short low, short high)
    {
        SendMessage(PBM_SETRANGE, 0, MAKELONG(static_cast<WORD>(low), static_cast<WORD>(high)));
    }
    void SetRange32(int low, int high) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
    void GetRange(int& low, int& high) const
    {
        PBRANGE r;
        SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&r));
        low = r.iLow;
        high = r.iHigh;
    }
    int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
    int OffsetPos(int delta) { return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(delta))); }
    int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
    int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

class CTabCtrl : public CWnd {
public:
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(WC_TABCONTROLW, nullptr, style, rect, parent, id);
    }
    LONG InsertItem(int index, TCITEMW* item)
    {
        return static_cast<LONG>(
            SendMessage(TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
    }
    LONG InsertItem(int index, LPCWSTR text);
    LONG InsertItem(int index, LPCWSTR text, int image);
    BOOL SetItem(int index, TCITEMW* item)
    {
        return static_cast<BOOL>(SendMessage(TCM_SETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
    }
    BOOL GetItem(int index, TCITEMW* item) const
    {
        return static_cast<BOOL>(SendMessage(TCM_GETITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
    }
    BOOL DeleteItem(int index) { return static_cast<BOOL>(SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(index))); }
    BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS)); }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    int SetCurSel(int index) { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
    int GetCurFocus() const { return static_cast<int>(SendMessage(TCM_GETCURFOCUS)); }
    void SetCurFocus(int index) { SendMessage(TCM_SETCURFOCUS, static_cast<WPARAM>(index)); }
    BOOL GetItemRect(int index, LPRECT r) const
    {
        return static_cast<BOOL>(SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(r)));
    }
    void AdjustRect(BOOL larger, LPRECT r) { SendMessage(TCM_ADJUSTRECT, larger, reinterpret_cast<LPARAM>(r)); }
    // Hands the list to the control; the old list is not given back here.
    CImageList* SetImageList(CImageList* list);
};

class CDateTimeCtrl : public CWnd {
public:
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(DATETIMEPICK_CLASSW, nullptr, style, rect, parent, id);
    }
    BOOL SetFormat(LPCWSTR format)
    {
        return static_cast<BOOL>(SendMessage(DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(format)));
    }
    DWORD GetTime(SYSTEMTIME* time) const
    {
        return static_cast<DWORD>(SendMessage(DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(time)));
    }
    BOOL SetTime(const SYSTEMTIME* time)
    {
        return static_cast<BOOL>(
            SendMessage(DTM_SETSYSTEMTIME, time ? GDT_VALID : GDT_NONE, reinterpret_cast<LPARAM>(time)));
    }
};
