#include "Hooks.h"

#include <algorithm>
#include <vector>

namespace {

struct Hook {
    HHOOK handle = nullptr;
    HOOKPROC proc = nullptr;
};

struct HookTable {
    std::vector<Hook> chain;  // newest first
    uintptr_t next = 0x20000;
};

HookTable& Hooks()
{
    static HookTable t;
    return t;
}

LRESULT CallFrom(size_t index, int code, WPARAM wParam, LPARAM lParam)
{
    auto& chain = Hooks().chain;
    if (index >= chain.size()) return 0;
    return chain[index].proc(code, wParam, lParam);
}

}  // namespace

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE, DWORD)
{
    if (idHook != WH_MOUSE || !proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto& t = Hooks();
    HHOOK h = reinterpret_cast<HHOOK>(t.next);
    t.next += 4;
    t.chain.insert(t.chain.begin(), Hook{h, proc});
    return h;
}

BOOL UnhookWindowsHookEx(HHOOK hook)
{
    auto& chain = Hooks().chain;
    auto it = std::find_if(chain.begin(), chain.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == chain.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    chain.erase(it);
    return TRUE;
}

LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam)
{
    auto& chain = Hooks().chain;
    auto it = std::find_if(chain.begin(), chain.end(), [&](const Hook& h) { return h.handle == hook; });
    if (it == chain.end()) return 0;
    return CallFrom(static_cast<size_t>(it - chain.begin()) + 1, code, wParam, lParam);
}

namespace win32_gui {

bool MouseHookSwallows(const MSG& msg, LRESULT hitTest, bool removing)
{
    if (Hooks().chain.empty()) return false;
    MOUSEHOOKSTRUCT info;
    info.pt = msg.pt;
    info.hwnd = msg.hwnd;
    info.wHitTestCode = static_cast<UINT>(hitTest);
    return CallFrom(0, removing ? HC_ACTION : HC_NOREMOVE, msg.message, reinterpret_cast<LPARAM>(&info)) != 0;
}

}  // namespace win32_gui
