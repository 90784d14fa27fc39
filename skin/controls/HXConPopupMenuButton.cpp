#include "skin/controls/HXConPopupMenuButton.h"

#include "foundation/gui/WindowHelpers.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Menus.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "skin/HXWindowMain.h"
#include "skin/SkinErrors.h"
#include "skin/SkinMessages.h"
#include "skin/SkinOwner.h"

HXConPopupMenuButton::HXConPopupMenuButton(SkinOwner* owner) : HXConButton(owner) {}

int HXConPopupMenuButton::LoadAttributes(HWND host, HDib* surface, const CXmlNode* element)
{
    if (!HXConButton::LoadAttributes(host, surface, element)) return 0;
    CString name;
    if (!element->GetAttribute(L"MenuID", name)) return 1;
    if (!m_pOwner || !m_pOwner->FindControlId(name, m_nMenuId)) {
        m_nMenuId = 0;
        SetLastSkinError(*this, SKINERR_BAD_MENU_ID, L"%s", name);
        return 0;
    }
    // Without a submenu the button stays a push button.
    if (!element->GetAttributeInt(L"SubMenu", m_nSubMenu)) {
        m_nMenuId = 0;
        return 1;
    }
    CString value;
    if (element->GetAttribute(L"MenuPosition", value)) {
        if (value == L"up") {
            m_nMenuPosition = POSITION_UP;
        } else if (value == L"down") {
            m_nMenuPosition = POSITION_DOWN;
        } else {
            SetLastSkinError(*this, SKINERR_BAD_ATTRIBUTE_VALUE, L"%s=%s", L"MenuPosition", value);
            return 0;
        }
    }
    return 1;
}

int HXConPopupMenuButton::OnButtonUp(int button, int x, int y, int captured, int* value)
{
    if (!HXConButton::OnButtonUp(button, x, y, captured, value)) return 0;
    if (!Inside(x, y)) return 1;
    if (!m_nMenuId) {
        m_nMouseState = STATE_NORMAL;
        return 1;
    }
    // The click that closed this button's menu does not open it again.
    if (m_bMenuOpen) {
        m_bMenuOpen = 0;
        return 1;
    }
    HMENU menu = LoadMenuW(nullptr, MAKEINTRESOURCEW(static_cast<WORD>(m_nMenuId)));
    if (!menu) return 0;
    HMENU popup = GetSubMenu(menu, m_nSubMenu);
    // A resource without that submenu shows an empty menu of the button's own.
    HMENU empty = nullptr;
    if (!popup && !(popup = empty = CreatePopupMenu())) {
        DestroyMenu(menu);
        return 0;
    }

    RECT button_rect;
    GetScreenRect(&button_rect);
    POINT cursor;
    GetCursorPos(&cursor);
    RECT work{};
    GetMonitorRectsAtPoint(cursor, &work, nullptr);
    const long long menu_height = static_cast<long long>(GetMenuItemCount(popup)) * GetSystemMetrics(SM_CYMENUSIZE);
    const UINT below = TPM_RETURNCMD | TPM_RIGHTBUTTON;
    const UINT above = below | TPM_BOTTOMALIGN;
    int menu_x = button_rect.left, menu_y;
    UINT flags;
    if (m_nMenuPosition == POSITION_DOWN) {
        const bool fits = work.bottom >= menu_height + button_rect.bottom;
        menu_y = fits ? button_rect.bottom : button_rect.top;
        flags = fits ? below : above;
    } else {
        const bool fits = work.top < button_rect.top - menu_height;
        menu_y = fits ? button_rect.top : button_rect.bottom;
        flags = fits ? above : below;
    }

    SPopupMenuOpenNotify opening{menu, popup, m_nMenuId, m_nSubMenu};
    NotifyApplication(HXWindowMain::NOTIFY_MENU_OPEN, reinterpret_cast<LPARAM>(&opening));

    m_nMouseState = STATE_PRESSED;
    m_bMenuOpen = 1;
    const int command = static_cast<int>(TrackPopupMenu(popup, flags, menu_x, menu_y, 0, m_hHost, nullptr));
    PostMessageW(m_hHost, WM_NULL, 0, 0);
    m_nMouseState = STATE_NORMAL;
    InvalidateControl();

    SPopupMenuCloseNotify closing{m_nMenuId, command};
    if (!NotifyApplication(HXWindowMain::NOTIFY_MENU_CHOSEN, reinterpret_cast<LPARAM>(&closing)))
        PostControlNotify(WM_COMMAND, static_cast<WPARAM>(static_cast<UINT>(command)), 0);

    // The flag stays only while the press that closed the menu is still on
    // its way to this button: its release then comes here and must not
    // reopen the menu. A menu closed with Escape, by a choice, or by a press
    // that the menu took for itself leaves no such release behind, and the
    // next click opens it again.
    MSG pending{};
    bool pressOnButton = false;
    if (PeekMessageW(&pending, m_hHost, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_NOREMOVE)) {
        const POINT local =
            ToLocal(static_cast<short>(LOWORD(pending.lParam)), static_cast<short>(HIWORD(pending.lParam)));
        pressOnButton = Inside(local.x, local.y);
    }
    if (command || !pressOnButton) m_bMenuOpen = 0;
    if (empty) DestroyMenu(empty);
    DestroyMenu(menu);
    return 1;
}
