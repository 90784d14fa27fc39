// The skin's popup-menu button ("PopupMenuButtonControl"): a push button
// that, clicked, opens a submenu of one of the program's menu resources
// below or above itself, wherever it fits on the monitor. The application
// may fill the menu before it shows (notification 2) and take the chosen
// command itself (notification 3, answered non-zero); otherwise the button
// posts the command as WM_COMMAND. A click on the button that closes its
// open menu does not open it again.
#pragma once

#include "skin/controls/HXConButton.h"

class HXConPopupMenuButton : public HXConButton {
public:
    enum { POSITION_UP = 0, POSITION_DOWN = 1 };

    explicit HXConPopupMenuButton(SkinOwner* owner);

    // The button's attributes, then MenuID (a name bound to a menu resource
    // id; unbound: error 47), SubMenu and MenuPosition ("up" or "down"; other:
    // error 7). Without MenuID or SubMenu the button stays a push button.
    int LoadAttributes(HWND host, HDib* surface, const CXmlNode* element) override;
    int OnButtonUp(int button, int x, int y, int captured, int* value) override;

    int GetMenuId() const { return m_nMenuId; }
    int GetSubMenuIndex() const { return m_nSubMenu; }
    int GetMenuPosition() const { return m_nMenuPosition; }
    bool IsMenuOpen() const { return m_bMenuOpen != 0; }

private:
    int m_nMenuId = 0;
    int m_nSubMenu = 0;
    int m_bMenuOpen = 0;
    int m_nMenuPosition = POSITION_DOWN;
};
