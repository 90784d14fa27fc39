// The program's options: a modal property sheet with the subtitle, filter
// and general pages, in that order. The pages change the settings record
// only when OK is pressed, and only pages the user opened (the others have
// no window and change nothing).
#pragma once

#include "encoder/ui/CPageSetFilter.h"
#include "encoder/ui/CPageSetGeneral.h"
#include "encoder/ui/CPageSetSubtitle.h"

class COptionPropertySheet : public CPropertySheet {
public:
    COptionPropertySheet(LPCWSTR caption, CWnd* parent = nullptr, UINT selectPage = 0);

    CPageSetSubtitle m_pageSubtitle;
    CPageSetFilter m_pageFilter;
    CPageSetGeneral m_pageGeneral;

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
};
