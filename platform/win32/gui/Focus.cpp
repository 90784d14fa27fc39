#include "Focus.h"

#include <algorithm>

#include "MessageQueue.h"
#include "Window.h"
#include "WindowObject.h"
#include "WindowWidget.h"

using namespace win32_gui;

namespace {

struct FocusState {
    HWND focus = nullptr;
    HWND active = nullptr;
    WORD cause = WA_ACTIVE;
};

FocusState& State()
{
    static FocusState s;
    return s;
}

bool InTree(HWND root, HWND window) { return window && (window == root || IsChild(root, window)); }

}  // namespace

HWND GetFocus()
{
    FocusState& s = State();
    if (s.focus && !IsWindow(s.focus)) s.focus = nullptr;
    return s.focus;
}

HWND GetActiveWindow()
{
    FocusState& s = State();
    if (s.active && !IsWindow(s.active)) s.active = nullptr;
    return s.active;
}

HWND SetFocus(HWND window)
{
    FocusState& s = State();
    HWND old = GetFocus();
    if (window) {
        WindowObject* w = Lookup(window);
        if (!w || w->destroying) return nullptr;
        // A window inside a disabled or hidden top-level window cannot take the focus.
        HWND root = GetAncestor(window, GA_ROOT);
        WindowObject* r = Find(root);
        if (!r || (r->style & WS_DISABLED) || (w->style & WS_DISABLED)) return nullptr;
        if (GetActiveWindow() != root) {
            SetActiveWindow(root);
            if (!IsWindow(window)) return nullptr;
            old = GetFocus();
        }
    }
    if (old == window) return old;
    if (old) SendMessageW(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
    if (window && !IsWindow(window)) return nullptr;
    s.focus = window;
    if (window) SendMessageW(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND SetActiveWindow(HWND window)
{
    FocusState& s = State();
    HWND old = GetActiveWindow();
    if (window) {
        if (!Lookup(window)) return nullptr;
        window = GetAncestor(window, GA_ROOT);
    }
    if (old == window) return old;
    WORD cause = s.cause;
    s.cause = WA_ACTIVE;
    if (old) {
        SendMessageW(old, WM_NCACTIVATE, FALSE, reinterpret_cast<LPARAM>(window));
        if (IsWindow(old)) SendMessageW(old, WM_ACTIVATE, MAKELONG(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(window));
        // The focus leaves with the activation.
        if (InTree(old, GetFocus())) {
            HWND f = s.focus;
            s.focus = nullptr;
            if (IsWindow(f)) SendMessageW(f, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
        }
    }
    if (window && !IsWindow(window)) window = nullptr;
    s.active = window;
    if (!window) return old;
    BringToTop(window);
    if (WindowObject* w = Find(window)) ActivateWidget(*w);
    SendMessageW(window, WM_NCACTIVATE, TRUE, reinterpret_cast<LPARAM>(old));
    if (IsWindow(window))
        SendMessageW(window, WM_ACTIVATE, MAKELONG(cause, IsIconic(window) ? 1 : 0), reinterpret_cast<LPARAM>(old));
    return old;
}

BOOL SetForegroundWindow(HWND window)
{
    if (!Lookup(window)) return FALSE;
    SetActiveWindow(window);
    return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

namespace win32_gui {

void SetActivationCause(WORD cause) { State().cause = cause; }

void ReleaseFocusFromTree(HWND window)
{
    FocusState& s = State();
    WindowObject* w = Find(window);
    if (!w) return;
    if (InTree(window, GetFocus())) {
        HWND parent = w->IsChild() ? w->parent : nullptr;
        WindowObject* p = Find(parent);
        if (p && !p->destroying) {
            SetFocus(parent);
        } else {
            HWND f = s.focus;
            s.focus = nullptr;
            SendMessageW(f, WM_KILLFOCUS, 0, 0);
        }
    }
    if (!w->IsChild() && GetActiveWindow() == window) {
        // The owner takes over, else the topmost other visible, enabled window.
        HWND next = nullptr;
        WindowObject* o = Find(w->owner);
        if (o && !o->destroying && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED)) next = w->owner;
        if (!next) {
            for (HWND h : TopLevelWindows()) {
                WindowObject* c = Find(h);
                if (h == window || !c || c->destroying) continue;
                if ((c->style & WS_VISIBLE) && !(c->style & WS_DISABLED)) {
                    next = h;
                    break;
                }
            }
        }
        SetActiveWindow(next);
    }
}

}  // namespace win32_gui
