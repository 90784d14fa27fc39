// The window classes of the dialog layer's controls: "Edit", "ComboBox",
// "ListBox", "ScrollBar" (the size grip), "SysListView32",
// "msctls_trackbar32", "msctls_updown32", "msctls_progress32",
// "SysTabControl32", "SysDateTimePick32" and the rich-edit classes
// "RichEdit20W" / "RichEdit20A". Buttons, statics and dialogs are the window
// layer's own.
#pragma once

#include <string>

#include "platform/mfc/CommCtrl.h"

// Registers every class once; later calls do nothing.
void RegisterControlClasses();

namespace mfc_controls {

// Told about each control window of the layer's classes at its first
// message (WM_NCCREATE), before the control sets itself up; the class
// library uses it to attach the window object being created.
using CreationObserver = void (*)(HWND window);
void SetCreationObserver(CreationObserver observer);
// Called by the control skeleton (ControlWindow) on WM_NCCREATE.
void NotifyCreating(HWND window);
// Whether windows of the class tell the observer.
bool ClassNotifiesCreation(LPCWSTR className);

// Sends WM_COMMAND with the notification code to the control's parent.
void NotifyCommand(HWND control, WORD code);
// Fills the header (sender, id, code) and sends WM_NOTIFY to the control's
// parent; the parent's answer, 0 without a parent.
LRESULT NotifyParent(HWND control, UINT code, NMHDR* header);

// Copies as much of the text as the buffer holds, with its terminator; the
// characters copied, 0 without a buffer or room.
LRESULT CopyTextOut(const std::wstring& text, LPWSTR buffer, size_t bufferChars);

// The registration of each class, for RegisterControlClasses.
void RegisterEditClass();
void RegisterComboBoxClass();
void RegisterListBoxClass();
void RegisterScrollBarClass();
void RegisterListViewClass();
void RegisterTrackbarClass();
void RegisterUpDownClass();
void RegisterProgressClass();
void RegisterTabClass();
void RegisterDateTimeClass();
void RegisterRichEditClasses();
// Registers a class whose procedure tells the creation observer (the
// control skeleton's registration goes through it).
void RegisterControlClass(const wchar_t* name, WNDPROC proc, UINT style = CS_DBLCLKS | CS_PARENTDC);

}  // namespace mfc_controls
