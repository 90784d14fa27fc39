#include "StaticControl.h"

#include <map>
#include <string>

#include "Cursors.h"
#include "DeviceContext.h"
#include "DrawText.h"
#include "GdiDraw.h"
#include "MessageQueue.h"
#include "Paint.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowGeometry.h"

namespace {

struct StaticState {
    HFONT font = nullptr;
    HICON icon = nullptr;
};

std::map<HWND, StaticState>& States()
{
    static std::map<HWND, StaticState> s;
    return s;
}

void Paint(HWND h)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    StaticState& s = States()[h];
    RECT r;
    GetClientRect(h, &r);
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    HWND parent = GetParent(h);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    HBRUSH back = parent ? reinterpret_cast<HBRUSH>(SendMessageW(
                               parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)))
                         : nullptr;
    if (!back) back = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &r, back);
    DWORD kind = style & SS_TYPEMASK;
    if (kind == SS_ICON) {
        if (s.icon) {
            SIZE size{32, 32};
            GetCursorSize(s.icon, &size);
            int x = 0, y = 0;
            if (style & SS_CENTERIMAGE) {
                x = (r.right - size.cx) / 2;
                y = (r.bottom - size.cy) / 2;
            }
            DrawIconEx(dc, x, y, s.icon, size.cx, size.cy, 0, nullptr, DI_NORMAL);
        }
    } else {
        int length = GetWindowTextLengthW(h);
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        GetWindowTextW(h, text.data(), length + 1);
        text.resize(static_cast<size_t>(length));
        HGDIOBJ oldFont = SelectObject(dc, s.font ? s.font : GetStockObject(SYSTEM_FONT));
        UINT format = DT_EXPANDTABS;
        if (kind == SS_CENTER)
            format |= DT_CENTER | DT_WORDBREAK;
        else if (kind == SS_RIGHT)
            format |= DT_RIGHT | DT_WORDBREAK;
        else if (kind == SS_LEFT)
            format |= DT_WORDBREAK;
        else
            format |= DT_SINGLELINE;
        if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
        if ((style & SS_CENTERIMAGE) && (format & DT_SINGLELINE)) format |= DT_VCENTER;
        if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, text.c_str(), length, &r, format);
        SelectObject(dc, oldFont);
    }
    EndPaint(h, &ps);
}

LRESULT StaticProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    StaticState& s = States()[h];
    switch (message) {
    case WM_NCHITTEST:
        if (!(GetWindowLongW(h, GWL_STYLE) & SS_NOTIFY)) return HTTRANSPARENT;
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_GETDLGCODE: return DLGC_STATIC;
    case WM_PAINT: Paint(h); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
        s.font = reinterpret_cast<HFONT>(wParam);
        if (lParam) InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, message, wParam, lParam);
        InvalidateRect(h, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
    case STM_SETICON: {
        HICON old = s.icon;
        s.icon = reinterpret_cast<HICON>(wParam);
        InvalidateRect(h, nullptr, TRUE);
        return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: return reinterpret_cast<LRESULT>(s.icon);
    case STM_SETIMAGE:
        if (wParam != IMAGE_ICON) return 0;
        return StaticProc(h, STM_SETICON, static_cast<WPARAM>(lParam), 0);
    case STM_GETIMAGE: return wParam == IMAGE_ICON ? reinterpret_cast<LRESULT>(s.icon) : 0;
    case WM_NCDESTROY: States().erase(h); return DefWindowProcW(h, message, wParam, lParam);
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

namespace win32_gui {

void RegisterStaticClass()
{
    WNDCLASSEXW wc;
    wc.style = CS_PARENTDC;
    wc.lpfnWndProc = StaticProc;
    wc.lpszClassName = L"Static";
    RegisterClassExW(&wc);
}

}  // namespace win32_gui
