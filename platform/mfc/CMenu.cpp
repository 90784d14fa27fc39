#include "CMenu.h"

#include <memory>
#include <unordered_map>

namespace {

std::unordered_map<HMENU, std::unique_ptr<CMenu>>& Temps()
{
    static std::unordered_map<HMENU, std::unique_ptr<CMenu>> m;
    return m;
}

}  // namespace

CMenu* CMenu::FromHandle(HMENU menu)
{
    if (!menu || !::IsMenu(menu)) return nullptr;
    auto& slot = Temps()[menu];
    if (!slot) {
        slot = std::make_unique<CMenu>();
        slot->m_hMenu = menu;
        slot->temporary_ = true;
    }
    return slot.get();
}

void CMenu::DeleteTempMap() { Temps().clear(); }

BOOL CMenu::Attach(HMENU menu)
{
    if (!menu || m_hMenu) return FALSE;
    m_hMenu = menu;
    return TRUE;
}

HMENU CMenu::Detach()
{
    HMENU menu = m_hMenu;
    m_hMenu = nullptr;
    return menu;
}

BOOL CMenu::DestroyMenu()
{
    if (!m_hMenu) return FALSE;
    HMENU menu = Detach();
    // A temporary wrapper never owned its menu.
    return temporary_ ? TRUE : ::DestroyMenu(menu);
}

int CMenu::GetMenuString(UINT item, CString& text, UINT flags) const
{
    wchar_t buffer[512] = {};
    int n = ::GetMenuStringW(m_hMenu, item, buffer, 512, flags);
    text = CString(buffer);
    return n;
}
