// The skeleton every control class of the dialog layer extends. Each control
// window has one object of its class's ControlWindow subclass, which holds
// the control's state: it is made when the window gets WM_NCCREATE (after the
// creation observer has been told), hung on the window as its state, and
// released with the window right after WM_NCDESTROY. Every message of the
// window goes to the object's OnMessage, and the object stays alive until
// that returns, even when the handling destroys the window; what a control
// leaves to Default gets the handling the layer's controls share.
#pragma once

#include <QWidget>
#include <memory>

#include "platform/mfc/ControlClasses.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowClassState.h"

namespace mfc_controls {

class ControlWindow : public WindowClassState {
public:
    explicit ControlWindow(HWND window) : window_(window) {}

    // Registers a window class each window of which gets a new Control,
    // constructed from the window's handle.
    template <class Control>
    static void Register(const wchar_t* className, UINT style = CS_DBLCLKS | CS_PARENTDC)
    {
        RegisterControlClass(className, &Procedure<Control>, style);
    }

    // The object of a live window of the Control class; null for any other
    // handle.
    template <class Control>
    static Control* Of(HWND window)
    {
        return dynamic_cast<Control*>(GetWindowClassState(window));
    }

    HWND Handle() const { return window_; }
    DWORD Style() const { return static_cast<DWORD>(GetWindowLongW(window_, GWL_STYLE)); }
    // The font WM_SETFONT gave (null: the system font).
    HGDIOBJ Font() const { return font_; }

protected:
    // The control's handling of a message of its window, WM_NCCREATE and
    // WM_NCDESTROY included; what it does not handle it passes to Default.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) { return Default(message, wParam, lParam); }
    // The Qt widget that shows the control over its client area; null for a
    // control that draws itself (or when there is no widget).
    virtual QWidget* Widget() const { return nullptr; }
    // Told by Default when the window has gained or lost the focus, after
    // the widget has; where a control sends its focus notifications.
    virtual void OnFocusChanged(bool /*gained*/) {}

    // What the controls share: the widget covers the client area (WM_SIZE),
    // follows the window's enabled state (WM_ENABLE), the focus (WM_SETFOCUS,
    // WM_KILLFOCUS; a widget that takes no focus is left alone; then
    // OnFocusChanged) and the font (WM_SETFONT, kept for WM_GETFONT); the
    // background is not erased, as the widget or the control's painting
    // covers it, and WM_PAINT only validates. The rest goes to DefWindowProc.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);

private:
    template <class Control>
    static LRESULT Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_NCCREATE) {
            NotifyCreating(window);
            SetWindowClassState(window, std::make_shared<Control>(window));
        }
        return Dispatch(window, message, wParam, lParam);
    }
    static LRESULT Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_;
    HGDIOBJ font_ = nullptr;
};

}  // namespace mfc_controls
