#include "WindowClassState.h"

#include "WindowObject.h"

BOOL SetWindowClassState(HWND window, std::shared_ptr<WindowClassState> state)
{
    win32_gui::WindowObject* w = win32_gui::Lookup(window);
    if (!w) return FALSE;
    // The old state goes after the new one is in place, so that its
    // destructor sees the window as it now is.
    std::shared_ptr<WindowClassState> old = std::move(w->classState);
    w->classState = std::move(state);
    return TRUE;
}

WindowClassState* GetWindowClassState(HWND window)
{
    win32_gui::WindowObject* w = win32_gui::Find(window);
    return w ? w->classState.get() : nullptr;
}

std::shared_ptr<WindowClassState> HoldWindowClassState(HWND window)
{
    win32_gui::WindowObject* w = win32_gui::Find(window);
    return w ? w->classState : nullptr;
}
