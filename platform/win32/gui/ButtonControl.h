// The "Button" window class: push buttons (default or not), check boxes,
// radio buttons and group boxes, drawn by the layer, clicked with the mouse
// or the space bar, telling their parent with WM_COMMAND / BN_CLICKED. A
// click on an automatic radio button checks it and clears the other
// automatic radio buttons of its group (the siblings from the one that
// starts the group with WS_GROUP up to the next such one).
#pragma once

#include "UserTypes.h"

constexpr DWORD BS_PUSHBUTTON = 0x0;
constexpr DWORD BS_DEFPUSHBUTTON = 0x1;
constexpr DWORD BS_CHECKBOX = 0x2;
constexpr DWORD BS_AUTOCHECKBOX = 0x3;
constexpr DWORD BS_RADIOBUTTON = 0x4;
constexpr DWORD BS_3STATE = 0x5;
constexpr DWORD BS_AUTO3STATE = 0x6;
constexpr DWORD BS_GROUPBOX = 0x7;
constexpr DWORD BS_AUTORADIOBUTTON = 0x9;
constexpr DWORD BS_TYPEMASK = 0xF;

constexpr UINT BM_GETCHECK = 0x00F0;
constexpr UINT BM_SETCHECK = 0x00F1;
constexpr UINT BM_GETSTATE = 0x00F2;
constexpr UINT BM_SETSTATE = 0x00F3;
constexpr UINT BM_SETSTYLE = 0x00F4;
constexpr UINT BM_CLICK = 0x00F5;

constexpr WPARAM BST_UNCHECKED = 0;
constexpr WPARAM BST_CHECKED = 1;
constexpr WPARAM BST_INDETERMINATE = 2;
constexpr LRESULT BST_PUSHED = 4;
constexpr LRESULT BST_FOCUS = 8;

constexpr WORD BN_CLICKED = 0;

inline WPARAM MAKEWPARAM(WORD lo, WORD hi) { return MAKELONG(lo, hi); }

namespace win32_gui {
void RegisterButtonClass();
}  // namespace win32_gui
