#include "skin/HXSubTooltipWindow.h"

#include "foundation/gui/WindowHelpers.h"
#include "platform/win32/Tick.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

const wchar_t kClassName[] = L"HX_TOOLTIP_WINDOW";
int g_instances = 0;

}  // namespace

HXSubTooltipWindow::HXSubTooltipWindow() : m_nTime(GetTickCount()) { ++g_instances; }

HXSubTooltipWindow::~HXSubTooltipWindow()
{
    --g_instances;
    m_image.Clear();
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

HXSubTooltipWindow& HXSubTooltipWindow::Instance()
{
    // Lives until the process ends: it is never destroyed after the window
    // layer that its window belongs to.
    static HXSubTooltipWindow* instance = new HXSubTooltipWindow;
    return *instance;
}

int HXSubTooltipWindow::GetInstanceCount() { return g_instances; }

int HXSubTooltipWindow::CreateTooltipWindow()
{
    if (m_hWnd && IsWindow(m_hWnd)) return 0;
    m_hWnd = nullptr;
    RegisterPaintedWindowClass(kClassName, WindowProc);
    m_hWnd = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                             nullptr, this);
    m_hFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    return m_hWnd ? 1 : 0;
}

void HXSubTooltipWindow::Hide()
{
    if (m_hWnd)
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    m_pKey = nullptr;
    m_nTime = GetTickCount();
}

void HXSubTooltipWindow::HideTooltip(const void* key)
{
    if (!key || key == m_pKey) {
        Hide();
        return;
    }
    m_pKey = nullptr;
    m_nTime = GetTickCount();
}

int HXSubTooltipWindow::ShowTooltip(const CString& text, const POINT* position, const void* key, UINT displayMs)
{
    const DWORD now = GetTickCount();
    if (!position && key == m_pLastKey && text == m_sLastText && now - m_nTime < kRepeatMs) return 0;
    m_pLastKey = key;
    m_sLastText = text;
    if (text.IsEmpty()) {
        Hide();
        return 1;
    }
    if (!m_hWnd || !IsWindow(m_hWnd)) CreateTooltipWindow();
    if (!m_hWnd) return 1;
    m_nTime = now;
    m_pKey = key;
    KillTimer(m_hWnd, kHideTimer);
    SetTimer(m_hWnd, kHideTimer, displayMs, nullptr);
    m_sText = text;

    HDC dc = GetDC(m_hWnd);
    HGDIOBJ oldFont = SelectObject(dc, m_hFont);
    const int cx = GetTextBlockWidth(dc, text) + 6;
    const int cy = GetTextBlockHeight(dc, FALSE, text) + 6;
    SelectObject(dc, oldFont);
    ReleaseDC(m_hWnd, dc);
    if (m_image.GetWidth() < cx || m_image.GetHeight() < cy) m_image.Create(cx, cy, 24);

    POINT at{};
    if (position) {
        at = *position;
    } else {
        GetCursorPos(&m_ptCursor);
        const POINT p = m_ptCursor;
        RECT work{};
        GetMonitorRectsAtPoint(p, &work, nullptr);
        RECT fitted;
        FitRectIntoWorkArea(RECT{p.x, p.y + 20, p.x + cx, p.y + 20 + cy}, &fitted, &work);
        // A tip that would lie under the cursor goes above it instead.
        if (PtInRect(&fitted, p)) FitRectIntoWorkArea(RECT{p.x, p.y - cy - 5, p.x + cx, p.y - 5}, &fitted, &work);
        at = POINT{fitted.left, fitted.top};
    }
    SetWindowPos(m_hWnd, nullptr, at.x, at.y, cx, cy, SWP_SHOWWINDOW | SWP_NOACTIVATE);
    InvalidateRect(m_hWnd, nullptr, FALSE);

    if (HDC image = m_image.GetDC()) {
        m_image.Fill(kBackground);
        const int mode = SetBkMode(image, TRANSPARENT);
        HGDIOBJ old = SelectObject(image, m_hFont);
        RECT box{3, 3, cx, cy};
        DrawTextW(image, text, -1, &box, DT_VCENTER);
        SelectObject(image, old);
        SetBkMode(image, mode);
        const POINT frame[5] = {{0, 0}, {cx - 1, 0}, {cx - 1, cy - 1}, {0, cy - 1}, {0, 0}};
        Polyline(image, frame, 5);
    }
    return 1;
}

LRESULT HXSubTooltipWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    HXSubTooltipWindow& tip = Instance();
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (window == tip.m_hWnd && !tip.m_image.IsEmpty()) tip.m_image.BlitToDC(dc, 0, 0, 0, 0, -1, -1, SRCCOPY);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (window == tip.m_hWnd) tip.Hide();
        return 0;
    case WM_TIMER:
        if (wParam == kHideTimer) {
            KillTimer(window, kHideTimer);
            if (window == tip.m_hWnd) tip.Hide();
            return 0;
        }
        break;
    case WM_NCDESTROY:
        if (window == tip.m_hWnd) tip.m_hWnd = nullptr;
        break;
    default: break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
