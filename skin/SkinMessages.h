// The registered window messages by which skin controls talk to their skin
// window and the skin window to its host application, and the record a
// control hands over with "WM_HXSKINCONTROL_NOTIFY". Each id is registered by
// name on first use and is the same for the whole process.
#pragma once

#include "platform/win32/WinTypes.h"
#include "platform/win32/gui/UserTypes.h"

// Notification to the application (wParam code, lParam data).
UINT SkinNotifyMessage();  // "WM_HXSKIN_NOTIFY"
// A control hands an SControlNotify record to its skin window (wParam).
UINT SkinControlNotifyMessage();  // "WM_HXSKINCONTROL_NOTIFY"
// A control asks its window to redraw it now (sent; wParam the control).
UINT SkinInvalidControlMessage();  // "WM_HXSKINCONTROL_INVALIDCONTROL"
// A control asks its window to lay out and redraw it (posted; wParam the control).
UINT SkinRefreshControlMessage();  // "WM_HXSKINCONTROL_REFRESHCONTROL"
// The message value inside a notify record whose wParam is a script text.
UINT SkinStringCommandMessage();  // "WM_HXSTRCMD"

// What the list box and the slider tell the application (through a notify
// record): the list's selection changed (wParam the list's control id); a
// slider's position changed, a drag ended, or the mouse points at another
// position (wParam the value, lParam the slider's control id).
UINT ListBoxItemChangedMessage();  // "HXLBM_ITEMCHANGED"
UINT SliderPosChangeMessage();     // "WM_HXCONSLIDER_POSCHANGE"
UINT SliderPosChangeEndMessage();  // "WM_HXCONSLIDER_POSCHANGE_END"
UINT SliderPosScanningMessage();   // "WM_HXCONSLIDER_POSSCANNING"

// Lives on the caller's stack for the duration of the send.
struct SControlNotify {
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    int send = 0;  // 1: the window sends the message to the application and waits; 0: it posts it
};

// What a popup-menu button hands the application (lParam of "WM_HXSKIN_NOTIFY")
// before its menu opens, when the application may change the shown submenu's
// items...
struct SPopupMenuOpenNotify {
    HMENU menu = nullptr;   // the loaded menu resource
    HMENU popup = nullptr;  // the submenu shown
    int menuId = 0;
    int subMenu = 0;
};
// ...and after it closed; an answer other than 0 means the application has
// taken the command.
struct SPopupMenuCloseNotify {
    int menuId = 0;
    int command = 0;  // 0 when nothing was chosen
};
