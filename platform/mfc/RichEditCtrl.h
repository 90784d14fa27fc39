// The class library's rich-edit object over the "RichEdit20W" control.
#pragma once

#include "platform/mfc/CWnd.h"
#include "platform/mfc/RichEdit.h"

// Makes the rich-edit classes available; TRUE when they are.
BOOL AfxInitRichEdit2();

class CRichEditCtrl : public CWnd {
public:
    // The window's own Create stays callable beside the control's.
    using CWnd::Create;
    BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id)
    {
        return CWnd::Create(RICHEDIT_CLASSW, nullptr, style, rect, parent, id);
    }
    void SetSel(long start, long end)
    {
        CHARRANGE r;
        r.cpMin = start;
        r.cpMax = end;
        SetSel(r);
    }
    void SetSel(CHARRANGE& range) { SendMessage(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range)); }
    void GetSel(long& start, long& end) const
    {
        CHARRANGE r;
        GetSel(r);
        start = r.cpMin;
        end = r.cpMax;
    }
    void GetSel(CHARRANGE& range) const { SendMessage(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range)); }
    void ReplaceSel(LPCWSTR text, BOOL canUndo = FALSE)
    {
        SendMessage(EM_REPLACESEL, canUndo, reinterpret_cast<LPARAM>(text));
    }
    CString GetSelText() const;
    BOOL SetSelectionCharFormat(CHARFORMAT2W& cf)
    {
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)));
    }
    BOOL SetDefaultCharFormat(CHARFORMAT2W& cf)
    {
        return static_cast<BOOL>(SendMessage(EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf)));
    }
    DWORD GetSelectionCharFormat(CHARFORMAT2W& cf) const
    {
        return static_cast<DWORD>(SendMessage(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf)));
    }
    DWORD GetDefaultCharFormat(CHARFORMAT2W& cf) const
    {
        return static_cast<DWORD>(SendMessage(EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf)));
    }
    COLORREF SetBackgroundColor(BOOL systemColor, COLORREF color)
    {
        return static_cast<COLORREF>(SendMessage(EM_SETBKGNDCOLOR, systemColor, static_cast<LPARAM>(color)));
    }
    int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
    int LineIndex(int line = -1) const
    {
        return static_cast<int>(SendMessage(EM_LINEINDEX, static_cast<WPARAM>(line)));
    }
    int LineLength(int charIndex = -1) const
    {
        return static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(charIndex)));
    }
    long LineFromChar(long charIndex) const { return static_cast<long>(SendMessage(EM_EXLINEFROMCHAR, 0, charIndex)); }
    void LineScroll(int lines, int chars = 0) { SendMessage(EM_LINESCROLL, static_cast<WPARAM>(chars), lines); }
    int GetFirstVisibleLine() const { return static_cast<int>(SendMessage(EM_GETFIRSTVISIBLELINE)); }
    void HideSelection(BOOL hide, BOOL) { SendMessage(EM_HIDESELECTION, hide); }
    BOOL SetReadOnly(BOOL readOnly = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, readOnly)); }
    DWORD SetEventMask(DWORD mask)
    {
        return static_cast<DWORD>(SendMessage(EM_SETEVENTMASK, 0, static_cast<LPARAM>(mask)));
    }
    DWORD GetEventMask() const { return static_cast<DWORD>(SendMessage(EM_GETEVENTMASK)); }
    void LimitText(long limit = 0) { SendMessage(EM_EXLIMITTEXT, 0, limit); }
    long GetTextLength() const { return static_cast<long>(SendMessage(WM_GETTEXTLENGTH)); }
    long GetTextLengthEx(DWORD flags, UINT codePage = 1200) const
    {
        GETTEXTLENGTHEX how;
        how.flags = flags;
        how.codepage = codePage;
        return static_cast<long>(SendMessage(EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&how)));
    }
    void Copy() { SendMessage(WM_COPY); }
    void Cut() { SendMessage(WM_CUT); }
    void Paste() { SendMessage(WM_PASTE); }
    void Clear() { SendMessage(WM_CLEAR); }
};
