// Menus: HMENU handles with string, separator and pop-up items; menus the
// program describes in a resource table of its own (LoadMenuW); and
// TrackPopupMenu, which hands the menu to a replaceable presenter (by default
// a Qt menu at the point; tests install one of their own).
#pragma once

#include <string>
#include <vector>

#include "UserTypes.h"

constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_SEPARATOR = 0x0800;

constexpr UINT TPM_LEFTBUTTON = 0x0000;
constexpr UINT TPM_LEFTALIGN = 0x0000;
constexpr UINT TPM_TOPALIGN = 0x0000;
constexpr UINT TPM_RIGHTBUTTON = 0x0002;
constexpr UINT TPM_CENTERALIGN = 0x0004;
constexpr UINT TPM_RIGHTALIGN = 0x0008;
constexpr UINT TPM_VCENTERALIGN = 0x0010;
constexpr UINT TPM_BOTTOMALIGN = 0x0020;
constexpr UINT TPM_NONOTIFY = 0x0080;
constexpr UINT TPM_RETURNCMD = 0x0100;

HMENU CreateMenu();
HMENU CreatePopupMenu();
// Destroys the menu and the pop-up menus inside it.
BOOL DestroyMenu(HMENU menu);
BOOL IsMenu(HMENU menu);
// With MF_POPUP the id is the pop-up menu's handle, which the menu then owns.
BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text);
// DeleteMenu destroys an item's pop-up menu; RemoveMenu gives it back to the caller.
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags);
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);  // -1 for pop-ups and bad positions
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int bufferChars, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT check);
BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable);

// A menu resource of the program, registered under an id.
struct MenuResourceItem {
    std::wstring text;
    UINT id = 0;
    UINT flags = MF_STRING;  // MF_POPUP items use children
    std::vector<MenuResourceItem> children;
};
void RegisterMenuResource(WORD id, std::vector<MenuResourceItem> items);
// A new menu (top level with the resource's items) each call; null and
// ERROR_RESOURCE_NAME_NOT_FOUND for an id nobody registered.
HMENU LoadMenuW(HINSTANCE instance, LPCWSTR name);
constexpr DWORD ERROR_RESOURCE_NAME_NOT_FOUND = 1814;

// Shows a pop-up menu and returns the chosen command id (0 for none).
class MenuPresenter {
public:
    virtual ~MenuPresenter() = default;
    virtual UINT Present(HMENU menu, UINT flags, POINT screen, HWND owner) = 0;
};

// Installs the presenter (not owned); null restores the Qt menu.
void SetMenuPresenter(MenuPresenter* presenter);

// Sends WM_ENTERMENULOOP, WM_INITMENUPOPUP and WM_EXITMENULOOP to the owner
// around the presenter; with TPM_RETURNCMD returns the command, otherwise
// posts it to the owner as WM_COMMAND and returns whether there was one.
BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored);

namespace win32_gui {
// Shows the menu through the presenter with the owner's notifications around
// it and returns the chosen command (0 for none); systemMenu marks a
// window's system menu in them.
UINT RunMenu(HMENU menu, UINT flags, POINT screen, HWND owner, bool systemMenu);
}  // namespace win32_gui
