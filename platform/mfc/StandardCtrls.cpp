#include "StandardCtrls.h"

void CEdit::GetSel(int& start, int& end) const
{
    DWORD s = 0, e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
}

void CEdit::SetSel(int start, int end, BOOL noScroll)
{
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    if (!noScroll) SendMessage(EM_SCROLLCARET);
}

int CEdit::GetLine(int line, LPWSTR buffer, int max) const
{
    if (!buffer || max <= 0) return 0;
    // The message reads the room from the buffer's first character.
    buffer[0] = static_cast<wchar_t>(std::min(max, 0xFFFF));
    return static_cast<int>(SendMessage(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer)));
}

void CComboBox::GetLBText(int index, CString& text) const
{
    int n = GetLBTextLen(index);
    if (n < 0) {
        text.Empty();
        return;
    }
    std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
    GetLBText(index, buffer.data());
    buffer.resize(static_cast<size_t>(n));
    text = CString(std::move(buffer));
}

void CComboBox::DrawItem(LPDRAWITEMSTRUCT) {}
void CComboBox::MeasureItem(LPMEASUREITEMSTRUCT) {}

BOOL CComboBox::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_DRAWITEM:
        DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
        if (result) *result = TRUE;
        return TRUE;
    case WM_MEASUREITEM:
        MeasureItem(reinterpret_cast<LPMEASUREITEMSTRUCT>(lParam));
        if (result) *result = TRUE;
        return TRUE;
    default: return CWnd::OnChildNotify(message, wParam, lParam, result);
    }
}

void CListBox::GetText(int index, CString& text) const
{
    int n = GetTextLen(index);
    if (n < 0) {
        text.Empty();
        return;
    }
    std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
    SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(buffer.data()));
    buffer.resize(static_cast<size_t>(n));
    text = CString(std::move(buffer));
}
