#include "skin/hosting/CFlashMouseHookMan.h"

#include <algorithm>

#include "platform/win32/WindowMessages.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/controls/HXConFlash.h"

namespace {

CFlashMouseHookMan* g_manager = nullptr;

LPARAM PointParam(POINT p)
{
    return static_cast<LPARAM>(
        MAKELONG(static_cast<WORD>(static_cast<SHORT>(p.x)), static_cast<WORD>(static_cast<SHORT>(p.y))));
}

// The skin window's own handling of a button message at a screen point.
void RunInSkinWindow(HWND skin, UINT message, POINT screen)
{
    WPARAM keys = 0;
    switch (message) {
    case WM_LBUTTONDOWN: keys = MK_LBUTTON; break;
    case WM_RBUTTONDOWN: keys = MK_RBUTTON; break;
    case WM_MBUTTONDOWN: keys = MK_MBUTTON; break;
    default: break;
    }
    ScreenToClient(skin, &screen);
    SendMessageW(skin, message, keys, PointParam(screen));
}

}  // namespace

CFlashMouseHookMan::CFlashMouseHookMan()
{
    m_hHook = SetWindowsHookExW(WH_MOUSE, &CFlashMouseHookMan::HookProc, nullptr, GetCurrentThreadId());
}

CFlashMouseHookMan::~CFlashMouseHookMan()
{
    if (m_hHook) UnhookWindowsHookEx(m_hHook);
}

CFlashMouseHookMan* CFlashMouseHookMan::Acquire()
{
    if (g_manager)
        ++g_manager->m_nRefs;
    else
        g_manager = new CFlashMouseHookMan;
    return g_manager;
}

void CFlashMouseHookMan::Release()
{
    if (--m_nRefs > 0) return;
    if (g_manager == this) g_manager = nullptr;
    delete this;
}

CFlashMouseHookMan* CFlashMouseHookMan::Current() { return g_manager; }

void CFlashMouseHookMan::Register(HXConFlash* control, HWND window)
{
    m_entries.push_back(FlashConInfo{control, window});
}

void CFlashMouseHookMan::Unregister(HXConFlash* control)
{
    m_entries.erase(std::remove_if(m_entries.begin(), m_entries.end(),
                                   [control](const FlashConInfo& e) { return e.control == control; }),
                    m_entries.end());
}

LRESULT CFlashMouseHookMan::HookProc(int code, WPARAM wParam, LPARAM lParam)
{
    CFlashMouseHookMan* self = g_manager;
    if (!self) return 0;
    const auto* mouse = reinterpret_cast<const MOUSEHOOKSTRUCT*>(lParam);
    if (code >= 0 && mouse && self->Route(static_cast<UINT>(wParam), *mouse)) return 1;
    return CallNextHookEx(self->m_hHook, code, wParam, lParam);
}

bool CFlashMouseHookMan::Route(UINT message, const MOUSEHOOKSTRUCT& mouse)
{
    const auto entry = std::find_if(m_entries.begin(), m_entries.end(),
                                    [&](const FlashConInfo& e) { return e.window && e.window == mouse.hwnd; });
    if (entry == m_entries.end()) return false;
    HXConFlash* control = entry->control;
    const HWND skin = control->GetHostWindow();
    const bool hasSkin = skin && IsWindow(skin);
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK: {
        const int edge = control->GetClickEdge();
        if (edge == HXConFlash::kNoClickEdge) return false;
        POINT p = mouse.pt;
        ScreenToClient(entry->window, &p);
        RECT client;
        GetClientRect(entry->window, &client);
        const int band = control->GetClickBand();
        long distance = -1;
        switch (edge) {
        case ALIGN_LEFT: distance = p.x; break;
        case ALIGN_TOP: distance = p.y; break;
        case ALIGN_BOTTOM: distance = client.bottom - p.y; break;
        case ALIGN_RIGHT: distance = client.right - p.x; break;
        default: break;
        }
        if (distance >= 0 && distance < band) return false;  // within the band: the movie's
        if (!hasSkin) return false;
        if (message != WM_LBUTTONDBLCLK) RunInSkinWindow(skin, message, mouse.pt);
        return true;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        if (hasSkin) RunInSkinWindow(skin, message, mouse.pt);
        return true;
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: return true;
    default: return false;
    }
}
