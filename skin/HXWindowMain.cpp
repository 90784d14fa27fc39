// The skinned window itself: its construction, the system window under it,
// the table that hands each message to the code of its job (painting,
// mouse, regions, script in the other HXWindowMain*.cpp files), and what
// the window tells its host.
#include "skin/HXWindowMain.h"

#include "foundation/DebugTrace.h"
#include "foundation/gui/WindowHelpers.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/HXSubFont.h"
#include "skin/HXSubTooltipWindow.h"

namespace {

int g_windowCount = 0;

}  // namespace

int HXWindowMain::GetWindowCount() { return g_windowCount; }

HXWindowMain::HXWindowMain(HXWindowMain* parent) : HXConBase(parent), m_pParent(parent)
{
    ++g_windowCount;
    HXSubTooltipWindow::Instance().CreateTooltipWindow();
    if (parent)
        m_pScript = parent->m_pScript;
    else
        MakeScriptHost();
}

HXWindowMain::~HXWindowMain()
{
    ClearSkin();
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    m_dib.Clear();
}

HXWindowMain* HXWindowMain::GetTopWindow()
{
    HXWindowMain* w = this;
    while (w->m_pParent) w = w->m_pParent;
    return w;
}

// ---- Window creation and the message table ------------------------------------------

WNDPROC HXWindowMain::GetWindowProc() { return WindowProc; }

LRESULT HXWindowMain::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* self = reinterpret_cast<HXWindowMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        self = create ? static_cast<HXWindowMain*>(create->lpCreateParams) : nullptr;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        if (self) self->m_hWnd = window;
    }
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    const BOOL handled = self->ProcessWindowMessage(window, message, wParam, lParam, result);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (self->m_hWnd == window) self->m_hWnd = nullptr;
        self->m_timers.SetWindow(nullptr);
    }
    return handled ? result : DefWindowProcW(window, message, wParam, lParam);
}

int HXWindowMain::Create(HWND host, const RECT& rect, DWORD style, DWORD exStyle, UINT_PTR menuOrId, int noClip)
{
    if (m_hWnd && IsWindow(m_hWnd)) return 0;
    m_hHostWnd = host;
    if (!noClip && host && IsWindow(host))
        SetWindowLongPtrW(host, GWL_STYLE, GetWindowLongPtrW(host, GWL_STYLE) | WS_CLIPCHILDREN);
    RegisterPaintedWindowClass(kClassName, WindowProc);
    if (style == 0) style = kDefaultStyle;
    style |= kAddedStyle;
    HWND window = CreateWindowExW(exStyle, kClassName, L"", style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, host, reinterpret_cast<HMENU>(menuOrId), nullptr, this);
    if (!window) return 0;
    m_timers.SetWindow(window);
    return 1;
}

void HXWindowMain::DestroyControlWindow()
{
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

LRESULT HXWindowMain::Forward(UINT message, WPARAM wParam, LPARAM lParam)
{
    return (m_hHostWnd && IsWindow(m_hHostWnd)) ? SendMessageW(m_hHostWnd, message, wParam, lParam) : 0;
}

BOOL HXWindowMain::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    result = 0;
    if (message == SkinControlNotifyMessage()) {
        result = OnControlNotify(wParam, lParam);
        return TRUE;
    }
    if (message == SkinInvalidControlMessage()) {
        OnInvalidControl(reinterpret_cast<HXConBase*>(wParam));
        return TRUE;
    }
    if (message == SkinRefreshControlMessage()) {
        OnRefreshControl(reinterpret_cast<HXConBase*>(wParam));
        return TRUE;
    }
    switch (message) {
    case WM_DESTROY:
        if (--g_windowCount == 0) {
            HWND tip = HXSubTooltipWindow::Instance().GetSafeHwnd();
            if (tip && IsWindow(tip)) SendMessageW(tip, WM_CLOSE, 0, 0);
        }
        return FALSE;
    case WM_MOVE:
        if (m_options.moveParent && m_hHostWnd && IsWindow(m_hHostWnd)) {
            RECT r;
            GetWindowRect(window, &r);
            MoveWindow(m_hHostWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
        }
        return FALSE;
    case WM_SIZE:
        OnSizeMessage(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD>(lParam)),
                      HIWORD(static_cast<DWORD>(lParam)));
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (!m_dib.IsEmpty() && ps.rcPaint.right > ps.rcPaint.left && ps.rcPaint.bottom > ps.rcPaint.top)
            m_dib.BlitToDC(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.left, ps.rcPaint.top,
                           ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top, SRCCOPY);
        EndPaint(window, &ps);
        return TRUE;
    }
    case WM_CLOSE:
        if (m_options.popupWindow) {
            if (m_hHostWnd) PostMessageW(m_hHostWnd, WM_CLOSE, 0, 0);
        } else if (!m_bChild) {
            result = Forward(message, wParam, lParam);
        }
        return TRUE;
    case WM_SETCURSOR: return OnSetCursor(lParam, result);
    case WM_KILLFOCUS:
        if (!m_bChild) NotifyApplication(NOTIFY_FOCUS_LOST, 0);
        return TRUE;
    case WM_GETMINMAXINFO: {
        auto* info = reinterpret_cast<MINMAXINFO*>(lParam);
        if (!info) return TRUE;
        if (m_options.maxWidth != -1) info->ptMaxSize.x = info->ptMaxTrackSize.x = m_options.maxWidth;
        if (m_options.maxHeight != -1) info->ptMaxSize.y = info->ptMaxTrackSize.y = m_options.maxHeight;
        if (m_options.minWidth != -1) info->ptMinTrackSize.x = m_options.minWidth;
        if (m_options.minHeight != -1) info->ptMinTrackSize.y = m_options.minHeight;
        return TRUE;
    }
    case WM_NOTIFYFORMAT: result = NFR_UNICODE; return TRUE;
    case WM_CONTEXTMENU: Forward(message, wParam, lParam); return TRUE;
    case WM_NCHITTEST: result = OnNcHitTest(lParam); return TRUE;
    case WM_GETDLGCODE:
        result = m_options.actAsControl ? (DLGC_BUTTON | DLGC_DEFPUSHBUTTON) : (DLGC_WANTTAB | DLGC_WANTALLKEYS);
        return TRUE;
    case WM_NCMOUSEMOVE:
    case WM_MOUSEMOVE: result = OnMouseMoveMessage(message, wParam, lParam); return TRUE;
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
        if (m_options.popupWindow) return FALSE;
        result = Forward(message, wParam, lParam);
        return TRUE;
    case WM_LBUTTONDOWN: return OnButtonDownMessage(message, 1, PointOf(lParam), wParam, lParam, result);
    case WM_RBUTTONDOWN: return OnButtonDownMessage(message, 2, PointOf(lParam), wParam, lParam, result);
    case WM_MBUTTONDOWN: return OnButtonDownMessage(message, 3, PointOf(lParam), wParam, lParam, result);
    case WM_LBUTTONUP: return OnButtonUpMessage(message, 1, PointOf(lParam), wParam, lParam, result);
    case WM_RBUTTONUP: return OnButtonUpMessage(message, 2, PointOf(lParam), wParam, lParam, result);
    case WM_MBUTTONUP: return OnButtonUpMessage(message, 3, PointOf(lParam), wParam, lParam, result);
    case WM_NCLBUTTONDBLCLK:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK: return OnDoubleClickMessage(message, wParam, lParam, result);
    case WM_MOUSEWHEEL: result = OnMouseWheelMessage(wParam, lParam); return TRUE;
    case WM_MOUSELEAVE: {
        m_bTracking = 0;
        if (EndHover(nullptr)) CopyToScreen();
        if (!m_bChild) HideTooltip();
        return TRUE;
    }
    case WM_KEYDOWN:
    case WM_KEYUP: {
        const UINT repeat = LOWORD(static_cast<DWORD>(lParam));
        const UINT flags = HIWORD(static_cast<DWORD>(lParam));
        const UINT key = static_cast<UINT>(wParam);
        if (m_pKeyboard && (message == WM_KEYDOWN ? m_pKeyboard->OnKeyDown(key, repeat, flags)
                                                  : m_pKeyboard->OnKeyUp(key, repeat, flags))) {
            result = 1;
            return TRUE;
        }
        Forward(message, wParam, lParam);
        return TRUE;
    }
    case WM_CHAR:
    case WM_DEADCHAR:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
    case WM_SYSCHAR:
    case WM_SYSDEADCHAR:
    case 0x0108:
    case WM_UNICHAR: Forward(message, wParam, lParam); return TRUE;
    case WM_COMMAND: result = (m_hHostWnd && PostMessageW(m_hHostWnd, WM_COMMAND, wParam, lParam)) ? 1 : 0; return TRUE;
    case WM_TIMER: m_timers.OnTimer(wParam); return TRUE;
    default: return FALSE;
    }
}

// ---- What the window tells its host -------------------------------------------------

LRESULT HXWindowMain::OnControlNotify(WPARAM wParam, LPARAM lParam)
{
    if (m_bChild) return Forward(SkinControlNotifyMessage(), wParam, lParam);
    const auto* record = reinterpret_cast<const SControlNotify*>(wParam);
    if (!record) return 0;
    if (record->message != SkinStringCommandMessage()) {
        if (!m_hHostWnd || !IsWindow(m_hHostWnd)) return 0;
        if (record->send) return SendMessageW(m_hHostWnd, record->message, record->wParam, record->lParam);
        return PostMessageW(m_hHostWnd, record->message, record->wParam, record->lParam);
    }
    const auto* script = reinterpret_cast<const wchar_t*>(record->wParam);
    CString text(script ? script : L"");
    text.Replace(L'\'', L'"');
    HXSVal value;
    if (RunScript(text, &value)) {
        CString shown;
        if (value.m_type == HXSVAL_DOUBLE)
            shown.Format(L"%f", value.m_dValue);
        else if (value.m_type == HXSVAL_INT)
            shown.Format(L"%d", value.m_nValue);
        else if (value.m_type == HXSVAL_STRING)
            shown = value.m_text;
        if (!shown.IsEmpty()) DebugTrace(L"HXSCRIPT RESULT : %s", shown);
    } else {
        NotifyApplication(NOTIFY_SCRIPT_ERROR, 0);
    }
    return 0;
}

LRESULT HXWindowMain::NotifyApplication(WPARAM code, LPARAM data)
{
    HWND host = GetTopWindow()->m_hHostWnd;
    return (host && IsWindow(host)) ? SendMessageW(host, SkinNotifyMessage(), code, data) : 0;
}
