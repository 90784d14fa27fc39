#include "COptionPropertySheet.h"

#include "encoder/core/LangTextTable.h"

COptionPropertySheet::COptionPropertySheet(LPCWSTR caption, CWnd* parent, UINT selectPage)
    : CPropertySheet(caption, parent, selectPage)
{
    AddPage(&m_pageSubtitle);
    AddPage(&m_pageFilter);
    AddPage(&m_pageGeneral);
}

BOOL COptionPropertySheet::OnInitDialog()
{
    BOOL result = CPropertySheet::OnInitDialog();
    const wchar_t* captions[] = {L"TEXT_OPTION_SUBTITLE", L"TEXT_OPTION_FILTER", L"TEXT_OPTION_GENERAL"};
    for (int i = 0; i < 3; ++i) {
        TCITEMW item;
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<LPWSTR>(LookupText(captions[i]));
        GetTabControl()->SetItem(i, &item);
    }
    return result;
}

BOOL COptionPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam)
{
    if (LOWORD(wParam) == IDOK) {
        if (m_pageSubtitle.m_hWnd) m_pageSubtitle.Apply();
        if (m_pageFilter.m_hWnd) m_pageFilter.Apply();
        if (m_pageGeneral.m_hWnd) m_pageGeneral.Apply();
    }
    return CPropertySheet::OnCommand(wParam, lParam);
}
