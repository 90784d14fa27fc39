// Thread mouse hooks (WH_MOUSE): called with every mouse message the UI
// thread's queue hands out, newest hook first; a hook that answers non-zero
// makes the queue drop the message. Each hook passes the message on with
// CallNextHookEx.
#pragma once

#include "UserTypes.h"

constexpr int WH_MOUSE = 7;
constexpr int HC_ACTION = 0;
constexpr int HC_NOREMOVE = 3;

struct MOUSEHOOKSTRUCT {
    POINT pt;
    HWND hwnd = nullptr;
    UINT wHitTestCode = 0;
    ULONG_PTR dwExtraInfo = 0;
};

// Only WH_MOUSE hooks of the UI thread exist here; other kinds fail with
// ERROR_INVALID_PARAMETER (1 for the thread id 0 means the calling thread).
HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId);
BOOL UnhookWindowsHookEx(HHOOK hook);
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);

namespace win32_gui {
// Runs the chain for a mouse message; true when a hook swallowed it.
bool MouseHookSwallows(const MSG& msg, LRESULT hitTest, bool removing);
}  // namespace win32_gui
