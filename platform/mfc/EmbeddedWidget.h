// A real Qt widget inside a control window. The control keeps its own state
// (the window messages read and change it) and shows it through the widget;
// what the user does in the widget comes back to the control as Qt signals,
// which the control turns into its notifications.
//
// Input keeps the window layer's rules: keys typed into the widget are not
// handled by Qt directly but enter the layer's input queue, so that they
// reach the focus window as WM_KEYDOWN / WM_CHAR through the dialog's
// keyboard handling (Tab, Enter and Escape first); the control hands the
// keys it gets back to the widget. A mouse press in the widget gives the
// control the focus. A window whose ancestors are disabled (a dialog's owner
// while the dialog is modal) takes no input.
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/win32/gui/UserTypes.h"

namespace mfc_controls {

// Makes the widget a child of the window's own widget, covering its client
// area, with the input rules above. Returns the widget, or null (deleting
// it) when the window has no widget of its own (no Qt application).
QWidget* EmbedWidget(HWND window, QWidget* widget);
// Installs the input rules on a widget added later inside an embedded one.
void WatchInput(HWND window, QWidget* widget);
// Keeps the widget on the window's client area (after WM_SIZE).
void PlaceInClientArea(HWND window, QWidget* widget);
// The font of a WM_SETFONT handle for the widget (the system font for null).
QFont FontOfHandle(HGDIOBJ font);

// Hands a WM_KEYDOWN, WM_KEYUP, WM_SYSKEYDOWN, WM_SYSKEYUP or WM_CHAR to
// the widget as the Qt key event it stands for. Returns whether the widget
// accepted it.
bool ForwardKey(QWidget* target, UINT message, WPARAM wParam, LPARAM lParam);

// True while the layer itself changes a widget, so that the widget's signals
// are not taken for the user's actions.
class ProgrammaticChange {
public:
    ProgrammaticChange() { ++depth_; }
    ~ProgrammaticChange() { --depth_; }
    ProgrammaticChange(const ProgrammaticChange&) = delete;
    ProgrammaticChange& operator=(const ProgrammaticChange&) = delete;
    static bool Active() { return depth_ > 0; }

private:
    static inline int depth_ = 0;
};

// Whether the window and every ancestor up to its top-level window are
// enabled and visible.
bool TakesInput(HWND window);
// What a mouse press in the widget does before the control handles it: the
// window takes the focus (its top-level window the activation). False when
// the window takes no input now (the press is then dropped).
bool PrepareMousePress(HWND window);

}  // namespace mfc_controls
