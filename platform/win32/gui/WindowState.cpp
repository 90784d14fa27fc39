#include "WindowState.h"

#include "WindowObject.h"

BOOL SetWindowState(HWND window, std::shared_ptr<WindowState> state)
{
    win32_gui::WindowObject* w = win32_gui::Lookup(window);
    if (!w) return FALSE;
    // The old state goes after the new one is in place, so that its
    // destructor sees the window as it now is.
    std::shared_ptr<WindowState> old = std::move(w->state);
    w->state = std::move(state);
    return TRUE;
}

WindowState* GetWindowState(HWND window)
{
    win32_gui::WindowObject* w = win32_gui::Find(window);
    return w ? w->state.get() : nullptr;
}

std::shared_ptr<WindowState> HoldWindowState(HWND window)
{
    win32_gui::WindowObject* w = win32_gui::Find(window);
    return w ? w->state : nullptr;
}
