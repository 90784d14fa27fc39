// The caption of the frame the default handling draws: the window's small
// icon at the left (the system menu's place), the title, and the buttons at
// the right that the style asks for: close with WS_SYSMENU; minimise and
// maximise (restore while maximised) with WS_MINIMIZEBOX / WS_MAXIMIZEBOX,
// both shown when either is asked for and the other one then drawn
// disabled. The buttons light up under the cursor and look pressed while
// held; a press released over the same button sends its system command.
#pragma once

#include "UserTypes.h"

namespace win32_gui {

class WindowObject;

// The caption's parts in window coordinates; empty rectangles for parts
// the window does not have.
struct CaptionLayout {
    RECT caption;
    RECT icon;
    RECT title;
    RECT minimize;
    RECT maximize;
    RECT close;
    bool minimizeEnabled = false;
    bool maximizeEnabled = false;
};

CaptionLayout LayoutCaption(const WindowObject& w);
// HTSYSMENU, HTMINBUTTON, HTMAXBUTTON, HTCLOSE or HTCAPTION for a point of
// the caption (window coordinates); HTNOWHERE outside it.
LRESULT CaptionHitTest(const WindowObject& w, POINT windowPoint);
// Whether the window's style lets the button of the hit code be pressed:
// close with WS_SYSMENU, minimise and maximise (top-level windows) with
// their boxes. A window that draws its own buttons and answers their hit
// codes gets the same presses and commands as the drawn caption.
bool IsCaptionButtonEnabled(const WindowObject& w, LRESULT hit);
// The system command of a caption button's hit code (0 for other codes).
WPARAM CaptionButtonCommand(const WindowObject& w, LRESULT hit);

// Draws the caption bar: background, icon, title and buttons.
void PaintCaption(HDC windowDc, const WindowObject& w, bool active);
// The button under the cursor (HTNOWHERE for none); redraws the buttons
// when it changes and asks for WM_NCMOUSELEAVE to clear it.
void SetCaptionHot(HWND window, LRESULT hit);
// Runs the press of a caption button: the button looks pressed while the
// window's WM_NCHITTEST puts the cursor over it; released there, the window
// gets its WM_SYSCOMMAND. Escape or a lost capture cancel.
void TrackCaptionButton(HWND window, LRESULT hit);

}  // namespace win32_gui
