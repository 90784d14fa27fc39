// Dialogs from in-memory templates: the dialog window class with its
// default procedure, modal dialogs running their own message loop (the owner
// disabled meanwhile), modeless dialogs, and the keyboard rules of
// IsDialogMessage (Tab moves the focus, Enter presses the default button,
// Escape is IDCANCEL). A child dialog with DS_CONTROL is part of its parent
// dialog: its keys are the parent's and Tab walks through its controls.
// Dialog units follow the template's font, or the
// system font when the template names none.
#pragma once

#include "UserTypes.h"

constexpr DWORD DS_ABSALIGN = 0x01;
constexpr DWORD DS_SYSMODAL = 0x02;
constexpr DWORD DS_SETFONT = 0x40;
constexpr DWORD DS_MODALFRAME = 0x80;
constexpr DWORD DS_NOIDLEMSG = 0x100;
constexpr DWORD DS_SETFOREGROUND = 0x200;
constexpr DWORD DS_CONTROL = 0x0400;
constexpr DWORD DS_CENTER = 0x0800;

constexpr UINT DM_GETDEFID = WM_USER + 0;
constexpr UINT DM_SETDEFID = WM_USER + 1;
constexpr WORD DC_HASDEFID = 0x534B;

#pragma pack(push, 2)
struct DLGTEMPLATE {
    DWORD style = 0;
    DWORD dwExtendedStyle = 0;
    WORD cdit = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    // Followed by the menu, class and title (each 0, 0xFFFF and an id, or
    // a NUL-terminated UTF-16 text), the font when DS_SETFONT is set (point
    // size and face), then the items, each aligned to 4 bytes.
};
struct DLGITEMTEMPLATE {
    DWORD style = 0;
    DWORD dwExtendedStyle = 0;
    short x = 0;
    short y = 0;
    short cx = 0;
    short cy = 0;
    WORD id = 0;
    // Followed by the class (0xFFFF and 0x80 Button, 0x82 Static, ... or a
    // text), the title and a WORD count of creation data bytes.
};
#pragma pack(pop)
static_assert(sizeof(DLGTEMPLATE) == 18 && sizeof(DLGITEMTEMPLATE) == 18);

// Runs the dialog until EndDialog and returns its result; -1 when no
// dialog could be made of the template. A template in a block of
// GlobalAlloc memory is read only within that block.
INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DLGTEMPLATE* templ, HWND owner, DLGPROC proc, LPARAM param);
HWND CreateDialogIndirectParamW(HINSTANCE instance, const DLGTEMPLATE* templ, HWND owner, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);
LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
BOOL IsDialogMessageW(HWND dialog, MSG* msg);
BOOL MapDialogRect(HWND dialog, RECT* r);
LONG GetDialogBaseUnits();
HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous);
LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam);
BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text);
UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int bufferChars);
BOOL CheckDlgButton(HWND dialog, int id, UINT check);
UINT IsDlgButtonChecked(HWND dialog, int id);

namespace win32_gui {
void RegisterDialogClass();
}  // namespace win32_gui
