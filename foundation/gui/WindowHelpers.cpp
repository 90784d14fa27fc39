#include "WindowHelpers.h"

#include <algorithm>
#include <cwchar>
#include <string>
#include <string_view>

#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/Monitors.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

int GetTextWidth(HDC dc, const wchar_t* text)
{
    if (!text || !*text) return 0;
    SIZE s{};
    if (!GetTextExtentPoint32W(dc, text, static_cast<int>(std::wcslen(text)), &s)) return 0;
    return s.cx;
}

int GetTextBlockHeight(HDC dc, BOOL withLeading, const wchar_t* text)
{
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    int lines = 1;
    for (const wchar_t* p = text; p && *p; ++p)
        if (*p == L'\n') ++lines;
    int perLine = tm.tmHeight + (withLeading ? tm.tmExternalLeading : 0);
    return lines * perLine;
}

int GetTextBlockWidth(HDC dc, const wchar_t* text)
{
    if (!text) return 0;
    std::wstring_view all(text);
    int widest = 0;
    size_t start = 0;
    for (;;) {
        size_t end = all.find(L'\n', start);
        std::wstring line(all.substr(start, end == std::wstring_view::npos ? std::wstring_view::npos : end - start));
        widest = std::max(widest, GetTextWidth(dc, line.c_str()));
        if (end == std::wstring_view::npos) break;
        start = end + 1;
    }
    return widest;
}

void FillRectWithColor(HDC dc, const RECT& r, COLORREF color)
{
    COLORREF old = SetBkColor(dc, color);
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &r, nullptr, 0, nullptr);
    SetBkColor(dc, old);
}

void FillHorizontalGradient(COLORREF left, COLORREF right, int width, HDC dc, int height)
{
    if (width <= 0) return;
    int lr = GetRValue(left), lg = GetGValue(left), lb = GetBValue(left);
    int rr = GetRValue(right), rg = GetGValue(right), rb = GetBValue(right);
    for (int i = 0; i < width; ++i) {
        COLORREF c = RGB(static_cast<BYTE>(lr - (lr - rr) * i / width), static_cast<BYTE>(lg - (lg - rg) * i / width),
                         static_cast<BYTE>(lb - (lb - rb) * i / width));
        FillRectWithColor(dc, RECT{i, 0, i + 1, height}, c);
    }
}

namespace {

void FromMonitor(HMONITOR m, RECT* work, RECT* monitor)
{
    MONITORINFO info;
    if (m && GetMonitorInfoW(m, &info)) {
        if (work) *work = info.rcWork;
        if (monitor) *monitor = info.rcMonitor;
        return;
    }
    RECT area{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    if (work) *work = area;
    if (monitor) *monitor = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

}  // namespace

void GetMonitorRectsOfRect(const RECT& r, RECT* work, RECT* monitor)
{
    FromMonitor(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), work, monitor);
}

void GetMonitorRectsAtPoint(POINT p, RECT* work, RECT* monitor)
{
    FromMonitor(MonitorFromPoint(p, MONITOR_DEFAULTTONEAREST), work, monitor);
}

void FitRectIntoWorkArea(const RECT& r, RECT* out, const RECT* area)
{
    if (!out) return;
    RECT a{};
    if (area)
        a = *area;
    else
        GetMonitorRectsOfRect(r, &a, nullptr);
    RECT f = r;
    if (f.right - f.left > a.right - a.left) {
        f.left = a.left;
        f.right = a.right;
    } else if (f.right > a.right) {
        OffsetRect(&f, a.right - f.right, 0);
    } else if (f.left < a.left) {
        OffsetRect(&f, a.left - f.left, 0);
    }
    if (f.bottom - f.top > a.bottom - a.top) {
        f.top = a.top;
        f.bottom = a.bottom;
    } else if (f.bottom > a.bottom) {
        OffsetRect(&f, 0, a.bottom - f.bottom);
    } else if (f.top < a.top) {
        OffsetRect(&f, 0, a.top - f.top);
    }
    *out = f;
}

void RectScreenToClient(HWND window, RECT* r)
{
    if (!r) return;
    POINT a{r->left, r->top}, b{r->right, r->bottom};
    ScreenToClient(window, &a);
    ScreenToClient(window, &b);
    *r = RECT{a.x, a.y, b.x, b.y};
}

void RectClientToScreen(HWND window, RECT* r)
{
    if (!r) return;
    POINT a{r->left, r->top}, b{r->right, r->bottom};
    ClientToScreen(window, &a);
    ClientToScreen(window, &b);
    *r = RECT{a.x, a.y, b.x, b.y};
}

void RegisterPaintedWindowClass(const wchar_t* name, WNDPROC proc)
{
    WNDCLASSEXW wc;
    if (GetClassInfoExW(nullptr, name, &wc)) return;
    wc = WNDCLASSEXW();
    wc.lpfnWndProc = proc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = name;
    RegisterClassExW(&wc);
}
