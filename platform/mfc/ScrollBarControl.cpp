// The "ScrollBar" class as far as dialogs use it here: the size grip
// (SBS_SIZEGRIP or SBS_SIZEBOX), which draws its diagonal ridges and sizes
// its top-level window from the bottom-right corner when dragged.
// SBS_SIZEBOXBOTTOMRIGHTALIGN puts it in the bottom-right corner of the
// rectangle it was made with.
#include "platform/mfc/ControlWindow.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool IsGrip(HWND h) { return (Style(h) & (SBS_SIZEGRIP | SBS_SIZEBOX)) != 0; }

void Paint(HWND h)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
    if (IsGrip(h)) {
        HPEN light = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
        HPEN dark = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
        HGDIOBJ old = SelectObject(dc, dark);
        int size = std::min(r.right, r.bottom);
        for (int k = 3; k < size; k += 4) {
            SelectObject(dc, dark);
            MoveToEx(dc, r.right - k, r.bottom - 1, nullptr);
            LineTo(dc, r.right, r.bottom - k - 1);
            SelectObject(dc, light);
            MoveToEx(dc, r.right - k - 1, r.bottom - 1, nullptr);
            LineTo(dc, r.right, r.bottom - k - 2);
        }
        SelectObject(dc, old);
        DeleteObject(light);
        DeleteObject(dark);
    }
    EndPaint(h, &ps);
}

// The grip needs no state beyond what every control has.
struct ScrollBarControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
};

LRESULT ScrollBarControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    switch (message) {
    case WM_CREATE:
        if (IsGrip(h) && (Style() & SBS_SIZEBOXBOTTOMRIGHTALIGN)) {
            const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            int size = GetSystemMetrics(SM_CXVSCROLL);
            SetWindowPos(h, nullptr, cs->x + cs->cx - size, cs->y + cs->cy - size, size, size,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    case WM_PAINT: Paint(h); return 0;
    case WM_SETCURSOR:
        if (IsGrip(h)) {
            SetCursor(LoadCursorW(nullptr, IDC_SIZENWSE));
            return TRUE;
        }
        return Default(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (IsGrip(h)) {
            POINT p{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                    static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
            ClientToScreen(h, &p);
            HWND top = GetAncestor(h, GA_ROOT);
            if (top && top != h)
                SendMessageW(top, WM_SYSCOMMAND, SC_SIZE + WMSZ_BOTTOMRIGHT,
                             MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
        }
        return 0;
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterScrollBarClass() { ControlWindow::Register<ScrollBarControl>(L"ScrollBar", CS_PARENTDC); }

}  // namespace mfc_controls
