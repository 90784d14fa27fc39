#include "MoveSizeLoop.h"

#include <algorithm>
#include <cstdlib>

#include "Input.h"
#include "MessageQueue.h"
#include "Monitors.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowGeometry.h"
#include "WindowObject.h"
#include "WindowWidget.h"

namespace win32_gui {

MINMAXINFO DefaultMinMaxInfo(HWND window)
{
    MINMAXINFO m;
    HMONITOR mon = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info;
    GetMonitorInfoW(mon, &info);
    // Maximised, the sizing border lies just outside the work area.
    LONG style = GetWindowLongW(window, GWL_STYLE);
    int border =
        DefaultFrameThickness(static_cast<DWORD>(style), static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
    m.ptMaxSize =
        POINT{info.rcWork.right - info.rcWork.left + 2 * border, info.rcWork.bottom - info.rcWork.top + 2 * border};
    m.ptMaxPosition = POINT{-border, -border};
    m.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
    m.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
    if (style & WS_CHILD) m.ptMinTrackSize = POINT{0, 0};
    return m;
}

namespace {

// Moves the dragged edges by the cursor's travel, keeping the size within the limits.
RECT SizedRect(const RECT& start, WPARAM edge, int dx, int dy, const MINMAXINFO& mm)
{
    RECT r = start;
    bool left = edge == WMSZ_LEFT || edge == WMSZ_TOPLEFT || edge == WMSZ_BOTTOMLEFT;
    bool right = edge == WMSZ_RIGHT || edge == WMSZ_TOPRIGHT || edge == WMSZ_BOTTOMRIGHT;
    bool top = edge == WMSZ_TOP || edge == WMSZ_TOPLEFT || edge == WMSZ_TOPRIGHT;
    bool bottom = edge == WMSZ_BOTTOM || edge == WMSZ_BOTTOMLEFT || edge == WMSZ_BOTTOMRIGHT;
    int minW = std::max<LONG>(0, mm.ptMinTrackSize.x), maxW = std::max<LONG>(minW, mm.ptMaxTrackSize.x);
    int minH = std::max<LONG>(0, mm.ptMinTrackSize.y), maxH = std::max<LONG>(minH, mm.ptMaxTrackSize.y);
    if (left) r.left = std::clamp<LONG>(start.left + dx, start.right - maxW, start.right - minW);
    if (right) r.right = std::clamp<LONG>(start.right + dx, start.left + minW, start.left + maxW);
    if (top) r.top = std::clamp<LONG>(start.top + dy, start.bottom - maxH, start.bottom - minH);
    if (bottom) r.bottom = std::clamp<LONG>(start.bottom + dy, start.top + minH, start.top + maxH);
    return r;
}

// Places the window at a screen rectangle (children in their parent's client coordinates).
void Place(HWND window, RECT screen, bool sizing)
{
    POINT origin{screen.left, screen.top};
    if (HWND parent = (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr)
        ScreenToClient(parent, &origin);
    SetWindowPos(window, nullptr, origin.x, origin.y, screen.right - screen.left, screen.bottom - screen.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | (sizing ? 0 : SWP_NOSIZE));
}

}  // namespace

void RunMoveSizeLoop(HWND window, WPARAM command, POINT start)
{
    if (!IsWindow(window)) return;
    bool sizing = (command & 0xFFF0) == SC_SIZE;
    WPARAM edge = command & 0x000F;
    if (sizing && (edge < WMSZ_LEFT || edge > WMSZ_BOTTOMRIGHT)) return;
    RECT startRect;
    GetWindowRect(window, &startRect);
    MINMAXINFO mm = DefaultMinMaxInfo(window);
    if (sizing) SendMessageW(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
    if (!IsWindow(window)) return;
    SetCapture(window);
    SendMessageW(window, WM_ENTERSIZEMOVE, 0, 0);
    bool cancelled = false;
    // Once the pointer really drags a top-level window (a click or a double
    // click does not), the desktop's window manager takes the drag over
    // where one runs: the window follows the pointer from there.
    bool mayHandOver = !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
    bool handedOver = false;
    MSG msg;
    while (IsWindow(window) && GetCapture() == window) {
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // for the loop outside ours
            break;
        }
        if (got < 0) break;
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            int dx = msg.pt.x - start.x, dy = msg.pt.y - start.y;
            if (mayHandOver &&
                (std::abs(dx) >= GetSystemMetrics(SM_CXDRAG) || std::abs(dy) >= GetSystemMetrics(SM_CYDRAG))) {
                mayHandOver = false;
                WindowObject* w = Find(window);
                if (w && StartDesktopDrag(*w, sizing ? static_cast<unsigned>(edge) : 0u,
                                          QSize(mm.ptMinTrackSize.x, mm.ptMinTrackSize.y),
                                          QSize(mm.ptMaxTrackSize.x, mm.ptMaxTrackSize.y))) {
                    handedOver = true;
                    break;
                }
            }
            RECT r = startRect;
            if (sizing) {
                r = SizedRect(startRect, edge, dx, dy, mm);
                SendMessageW(window, WM_SIZING, edge, reinterpret_cast<LPARAM>(&r));
            } else {
                OffsetRect(&r, dx, dy);
                SendMessageW(window, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
            }
            if (!IsWindow(window)) break;
            Place(window, r, sizing);
            continue;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) break;
        if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) {
            cancelled = msg.wParam == VK_ESCAPE;
            break;
        }
        if (msg.message == WM_KEYUP || msg.message == WM_CHAR || IsMouseMessage(msg.message)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!IsWindow(window)) return;
    if (cancelled) Place(window, startRect, sizing);
    if (GetCapture() == window) ReleaseCapture();
    // A drag the window manager runs ends with WM_EXITSIZEMOVE of its own.
    if (!handedOver) SendMessageW(window, WM_EXITSIZEMOVE, 0, 0);
}

}  // namespace win32_gui
