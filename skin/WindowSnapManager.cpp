#include "skin/WindowSnapManager.h"

#include <climits>
#include <cstdlib>
#include <cwchar>
#include <map>

#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Monitors.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

std::map<HWND, WindowSnapManager*>& Managers()
{
    static std::map<HWND, WindowSnapManager*> managers;
    return managers;
}

bool IsShellWindowClass(const wchar_t* name)
{
    for (const wchar_t* shell : {L"Shell_TrayWnd", L"Progman", L"BaseBar", L"SysFader"})
        if (std::wcscmp(name, shell) == 0) return true;
    return false;
}

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

// One snapping candidate: a distance and the value it gives.
struct Best {
    int distance = INT_MAX;
    bool found = false;
    void Offer(int d, int tolerance, int& target, int value)
    {
        if (std::abs(d) <= tolerance && std::abs(d) < distance) {
            distance = std::abs(d);
            target = value;
            found = true;
        }
    }
};

}  // namespace

WindowSnapManager::WindowSnapManager() = default;

WindowSnapManager::~WindowSnapManager() { Detach(); }

WindowSnapManager* WindowSnapManager::FromWindow(HWND window)
{
    auto it = Managers().find(window);
    return it == Managers().end() ? nullptr : it->second;
}

int WindowSnapManager::Attach(HWND window, int snapWhileSizing, int distance, int snapToMonitors, int snapToWindows,
                              int subclass)
{
    if (m_hWnd) Detach();
    m_bSnapWhileSizing = snapWhileSizing;
    m_nDistance = distance;
    m_bSnapToMonitors = snapToMonitors;
    m_bSnapToWindows = snapToWindows;
    if (!window || Managers().count(window)) return 0;
    m_hWnd = window;
    Managers()[window] = this;
    if (subclass)
        m_pPreviousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowSnapManager::WindowProc)));
    return 1;
}

int WindowSnapManager::Detach()
{
    if (!m_hWnd) return 0;
    const int wasSubclassed = m_pPreviousProc ? 1 : 0;
    if (m_pPreviousProc && IsWindow(m_hWnd))
        SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pPreviousProc));
    auto it = Managers().find(m_hWnd);
    if (it != Managers().end() && it->second == this) Managers().erase(it);
    m_pPreviousProc = nullptr;
    m_hWnd = nullptr;
    return wasSubclassed;
}

void WindowSnapManager::PrepareTargets()
{
    m_targets.clear();
    m_workAreas.clear();
    if (m_bSnapToWindows) {
        std::vector<HWND> candidates;
        EnumWindows(
            [](HWND window, LPARAM param) -> BOOL {
                if (!IsWindowVisible(window)) return TRUE;
                wchar_t name[1000] = {};
                GetClassNameW(window, name, 1000);
                if (IsShellWindowClass(name)) return TRUE;
                WINDOWPLACEMENT placement;
                GetWindowPlacement(window, &placement);
                if (placement.showCmd == SW_SHOWMAXIMIZED || placement.showCmd == SW_SHOWMINIMIZED) return TRUE;
                reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&candidates));
        for (HWND window : candidates) {
            if (window == m_hWnd) continue;
            RECT r;
            GetWindowRect(window, &r);
            m_targets.push_back(r);
        }
    }
    if (m_bSnapToMonitors) {
        EnumDisplayMonitors(
            nullptr, nullptr,
            [](HMONITOR monitor, HDC, RECT*, LPARAM param) -> BOOL {
                MONITORINFO info;
                info.cbSize = sizeof info;
                if (!GetMonitorInfoW(monitor, &info)) return FALSE;
                auto* self = reinterpret_cast<WindowSnapManager*>(param);
                self->m_targets.push_back(info.rcWork);
                self->m_workAreas.push_back(info.rcWork);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    }
}

bool WindowSnapManager::SnapPosition(int& x, int& y, int& cx, int& cy, bool sizing)
{
    const int right = x + cx, bottom = y + cy;
    RECT current{};
    if (m_hWnd) GetWindowRect(m_hWnd, &current);
    if (x == current.left && y == current.top && cx == Width(current) && cy == Height(current)) return false;
    const int D = m_nDistance;
    auto besideVertically = [&](const RECT& t) {
        return (t.bottom + D >= y && y >= t.top - D) || (bottom + D >= t.top && t.top >= y - D);
    };
    auto besideHorizontally = [&](const RECT& t) {
        return (t.right + D >= x && x >= t.left - D) || (right + D >= t.left && t.left >= x - D);
    };
    int nx = x, ny = y, ncx = cx, ncy = cy;
    if (sizing) {
        if (cx != Width(current)) {
            Best best;
            for (const RECT& t : m_targets) {
                if (!besideVertically(t)) continue;
                for (const LONG edge : {t.left, t.right}) {
                    if (x == current.left) {
                        best.Offer(edge - right, D, ncx, edge - x);
                    } else {
                        const int before = best.distance;
                        best.Offer(edge - x, D, nx, edge);
                        if (best.distance != before) ncx = right - edge;
                    }
                }
            }
        }
        if (cy != Height(current)) {
            Best best;
            for (const RECT& t : m_targets) {
                if (!besideHorizontally(t)) continue;
                for (const LONG edge : {t.top, t.bottom}) {
                    if (y == current.top) {
                        best.Offer(edge - bottom, D, ncy, edge - y);
                    } else {
                        const int before = best.distance;
                        best.Offer(edge - y, D, ny, edge);
                        if (best.distance != before) ncy = bottom - edge;
                    }
                }
            }
        }
    } else {
        Best horizontal;
        for (const RECT& t : m_targets) {
            if (!besideVertically(t)) continue;
            horizontal.Offer(t.left - x, D, nx, t.left);
            horizontal.Offer(t.right - x, D, nx, t.right);
            horizontal.Offer(t.left - right, D, nx, t.left - cx);
            horizontal.Offer(t.right - right, D, nx, t.right - cx);
        }
        Best vertical;
        for (const RECT& t : m_targets) {
            if (!besideHorizontally(t)) continue;
            vertical.Offer(t.top - y, D, ny, t.top);
            vertical.Offer(t.bottom - y, D, ny, t.bottom);
            vertical.Offer(t.top - bottom, D, ny, t.top - cy);
            vertical.Offer(t.bottom - bottom, D, ny, t.bottom - cy);
        }
    }
    if (ncx <= 9 || ncy <= 9) return false;
    const RECT snapped{nx, ny, nx + ncx, ny + ncy};
    bool onScreen = false;
    for (const RECT& area : m_workAreas) {
        RECT overlap;
        if (IntersectRect(&overlap, &snapped, &area)) onScreen = true;
    }
    if (!onScreen) return false;
    const bool changed = nx != x || ny != y || ncx != cx || ncy != cy;
    x = nx, y = ny, cx = ncx, cy = ncy;
    return changed;
}

void WindowSnapManager::OnMoving(UINT message, WPARAM wParam, RECT* proposed)
{
    if (!proposed) return;
    RECT r = m_rcStart;
    if (message == WM_SIZING) {
        switch (wParam) {
        case WMSZ_LEFT: r.left = proposed->left; break;
        case WMSZ_RIGHT: r.right = proposed->right; break;
        case WMSZ_TOP: r.top = proposed->top; break;
        case WMSZ_TOPLEFT: r.left = proposed->left, r.top = proposed->top; break;
        case WMSZ_TOPRIGHT: r.right = proposed->right, r.top = proposed->top; break;
        case WMSZ_BOTTOM: r.bottom = proposed->bottom; break;
        case WMSZ_BOTTOMLEFT: r.bottom = proposed->bottom, r.left = proposed->left; break;
        case WMSZ_BOTTOMRIGHT: r.bottom = proposed->bottom, r.right = proposed->right; break;
        default: break;
        }
    } else {
        // A move is the start rectangle shifted as far as the cursor has
        // gone since the start, whatever rectangle the message proposes.
        POINT cursor;
        GetCursorPos(&cursor);
        OffsetRect(&r, cursor.x - m_ptStart.x, cursor.y - m_ptStart.y);
    }
    int x = r.left, y = r.top, cx = Width(r), cy = Height(r);
    SnapPosition(x, y, cx, cy, message == WM_SIZING && m_bSnapWhileSizing);
    *proposed = RECT{x, y, x + cx, y + cy};
}

LRESULT WindowSnapManager::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowSnapManager* self = FromWindow(window);
    if (!self) return 0;
    const WNDPROC previous = self->m_pPreviousProc;
    switch (message) {
    case WM_ENTERSIZEMOVE:
        GetWindowRect(window, &self->m_rcStart);
        GetCursorPos(&self->m_ptStart);
        self->PrepareTargets();
        break;
    case WM_EXITSIZEMOVE: self->m_bSizing = 0; break;
    case WM_SIZING:
        self->m_bSizing = 1;
        self->OnMoving(message, wParam, reinterpret_cast<RECT*>(lParam));
        break;
    case WM_MOVING: self->OnMoving(message, wParam, reinterpret_cast<RECT*>(lParam)); break;
    case WM_WINDOWPOSCHANGING:
        // Every proposed position snaps, the program's own included.
        if (auto* pos = reinterpret_cast<WINDOWPOS*>(lParam)) {
            RECT current;
            GetWindowRect(window, &current);
            int x = (pos->flags & SWP_NOMOVE) ? current.left : pos->x;
            int y = (pos->flags & SWP_NOMOVE) ? current.top : pos->y;
            int cx = (pos->flags & SWP_NOSIZE) ? Width(current) : pos->cx;
            int cy = (pos->flags & SWP_NOSIZE) ? Height(current) : pos->cy;
            if (self->SnapPosition(x, y, cx, cy, self->m_bSizing && self->m_bSnapWhileSizing)) {
                pos->x = x, pos->y = y, pos->cx = cx, pos->cy = cy;
                pos->flags &= ~static_cast<UINT>(SWP_NOMOVE | SWP_NOSIZE);
            }
        }
        break;
    default: break;
    }
    return previous ? CallWindowProcW(previous, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}
