// The state a window class keeps for each of its windows, hung on the window
// record instead of in a table of the class's own (on the platform the layer
// stands in for, a class keeps a pointer to it in the window's extra bytes
// and frees it on WM_NCDESTROY). The window owns what is attached to it and
// lets go of it right after WM_NCDESTROY has been handled, or when creation
// fails, so the state never outlives its handle and every window has its own.
// The layer keeps one state per window, for the window's class.
#pragma once

#include <memory>

#include "UserTypes.h"

class WindowClassState {
public:
    WindowClassState() = default;
    virtual ~WindowClassState() = default;
    WindowClassState(const WindowClassState&) = delete;
    WindowClassState& operator=(const WindowClassState&) = delete;
};

// Attaches the state to the window, releasing any attached before; null
// releases it. FALSE for a handle that is not a window.
BOOL SetWindowClassState(HWND window, std::shared_ptr<WindowClassState> state);
// The window's state; null when none is attached or the handle is not a
// window (a destroyed window's handle included).
WindowClassState* GetWindowClassState(HWND window);
// The same as a shared reference, for a caller that must keep the state
// alive across a call that may destroy the window.
std::shared_ptr<WindowClassState> HoldWindowClassState(HWND window);
