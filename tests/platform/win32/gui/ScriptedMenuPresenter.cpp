#include "ScriptedMenuPresenter.h"

UINT ScriptedMenuPresenter::Present(HMENU menu, UINT flags, POINT screen, HWND owner)
{
    Call c{menu, flags, screen, owner, {}};
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t buf[256];
        GetMenuStringW(menu, static_cast<UINT>(i), buf, 256, MF_BYPOSITION);
        c.texts.push_back(buf);
    }
    calls.push_back(c);
    return answer;
}
