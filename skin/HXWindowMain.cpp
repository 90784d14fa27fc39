#include "skin/HXWindowMain.h"

#include <algorithm>

#include "foundation/DebugTrace.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Timers.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/FrameDrawing.h"
#include "skin/HXSubFont.h"
#include "skin/HXSubTooltipWindow.h"
#include "skin/SkinDocumentLoader.h"
#include "skin/SkinErrors.h"
#include "skin/WindowRegion.h"
#include "skin/script/ScriptNatives.h"
#include "skin/controls/HXConBrowser.h"
#include "skin/controls/HXConButton.h"
#include "skin/controls/HXConRgn.h"
#include "skin/controls/HXConStatic.h"
#include "skin/HXWindowChild.h"

namespace {

int g_windowCount = 0;

POINT PointOf(LPARAM lParam)
{
    const DWORD v = static_cast<DWORD>(lParam);
    return POINT{static_cast<SHORT>(LOWORD(v)), static_cast<SHORT>(HIWORD(v))};
}

LPARAM LParamOf(POINT p)
{
    return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

bool Intersects(const RECT& a, const RECT& b)
{
    RECT i;
    return IntersectRect(&i, &a, &b) != FALSE;
}

}  // namespace

int HXWindowMain::GetWindowCount() { return g_windowCount; }

HXWindowMain::HXWindowMain(HXWindowMain* parent) : HXConBase(parent), m_pParent(parent)
{
    ++g_windowCount;
    HXSubTooltipWindow::Instance().CreateTooltipWindow();
    if (parent) m_pScript = parent->m_pScript;
    else MakeScriptHost();
}

void HXWindowMain::MakeScriptHost()
{
    m_pScript = std::make_shared<HXScript>();
    RegisterScriptNatives(*m_pScript, this);
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

// ---- Window creation and the message table ------------------------------------

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
    WNDCLASSEXW wc;
    if (!GetClassInfoExW(nullptr, kClassName, &wc)) {
        wc = WNDCLASSEXW();
        wc.lpfnWndProc = WindowProc;
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        RegisterClassExW(&wc);
    }
    if (style == 0) style = kDefaultStyle;
    style |= kAddedStyle;
    HWND window = CreateWindowExW(exStyle, kClassName, L"", style, rect.left, rect.top, rect.right - rect.left,
                                  rect.bottom - rect.top, host, reinterpret_cast<HMENU>(menuOrId), nullptr, this);
    if (!window) return 0;
    m_timers.SetWindow(window);
    return 1;
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
        OnSizeMessage(static_cast<UINT>(wParam), LOWORD(static_cast<DWORD>(lParam)), HIWORD(static_cast<DWORD>(lParam)));
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
    case WM_COMMAND:
        result = (m_hHostWnd && PostMessageW(m_hHostWnd, WM_COMMAND, wParam, lParam)) ? 1 : 0;
        return TRUE;
    case WM_TIMER: m_timers.OnTimer(wParam); return TRUE;
    default: return FALSE;
    }
}

// ---- Painting ------------------------------------------------------------------

void HXWindowMain::MarkDirty(HXConBase* control)
{
    RECT r{};
    if (control) control->GetRect(&r);
    if (r.right <= r.left || r.bottom <= r.top) {
        m_bDirty = 0;
        return;
    }
    m_rcDirty = r;
    m_bDirty = 1;
}

void HXWindowMain::RepaintBitmap()
{
    if (m_dib.IsEmpty()) return;
    m_dib.SetClipRect(m_bDirty ? &m_rcDirty : nullptr);
    RECT client{0, 0, m_dib.GetWidth(), m_dib.GetHeight()};
    if (m_hWnd) GetClientRect(m_hWnd, &client);
    switch (m_nBkgndMode) {
    case BKGND_TILE:
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty())
            m_pBkgndImage->Tile(&m_dib, RECT{0, 0, m_dib.GetWidth(), m_dib.GetHeight()}, 0, 0, 0);
        break;
    case BKGND_IMAGE:
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty()) m_pBkgndImage->Copy(&m_dib, 0, 0, 0, 0, -1, -1);
        break;
    case BKGND_COLOR: m_dib.FillClip(m_crBkgnd); break;
    case BKGND_STRETCH:
        // The image stretched over the client area.
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty() && client.right > 0 && client.bottom > 0) {
            if (m_bkgndCache.GetWidth() != client.right || m_bkgndCache.GetHeight() != client.bottom)
                m_bkgndCache.Create(client.right, client.bottom, 24);
            m_pBkgndImage->StretchCopy(&m_bkgndCache, 0, 0, client.right, client.bottom, 0, 0,
                                       m_pBkgndImage->GetWidth(), m_pBkgndImage->GetHeight());
            m_bkgndCache.Copy(&m_dib, 0, 0, 0, 0, -1, -1);
        }
        break;
    case BKGND_FRAME:
        // The image as a nine-part frame around the client area.
        if (m_pBkgndImage && !m_pBkgndImage->IsEmpty())
            DrawFrame(*m_pBkgndImage, &m_dib, RECT{0, 0, m_pBkgndImage->GetWidth(), m_pBkgndImage->GetHeight()},
                      client, 0, 1);
        break;
    default: break;
    }
    for (HXConBase* control : m_controls) {
        if (m_bDirty) {
            RECT r;
            control->GetRect(&r);
            if (!Intersects(r, m_rcDirty)) continue;
        }
        control->Draw();
    }
}

void HXWindowMain::CopyToScreen()
{
    if (!m_dib.IsEmpty() && m_hWnd && IsWindow(m_hWnd)) {
        m_dib.SetClipRect(nullptr);
        if (m_bDirty)
            m_dib.BlitToWindow(m_hWnd, m_rcDirty.left, m_rcDirty.top, m_rcDirty.left, m_rcDirty.top,
                               m_rcDirty.right - m_rcDirty.left, m_rcDirty.bottom - m_rcDirty.top, SRCCOPY);
        else
            m_dib.BlitToWindow(m_hWnd, 0, 0, 0, 0, -1, -1, SRCCOPY);
    }
    m_dib.SetClipRect(nullptr);
    m_bDirty = 0;
}

void HXWindowMain::LayoutControls(int repaint)
{
    RECT client;
    if (m_pControlAlign && m_hWnd && GetClientRect(m_hWnd, &client)) {
        const int kept = m_pControlAlign->GetRepaint();
        m_pControlAlign->SetRepaint(repaint);
        m_pControlAlign->Layout(m_pControlAlign.get(), client.right, client.bottom);
        m_pControlAlign->SetRepaint(kept);
    }
}

HXManAlign* HXWindowMain::FindLayoutNode(const HXConBase* control)
{
    return m_pControlAlign ? m_pControlAlign->FindNode(control) : nullptr;
}

void HXWindowMain::Relayout()
{
    for (HXConBase* control : m_controls) control->OnRefresh();
    LayoutControls(1);
    m_bDirty = 0;
    RepaintBitmap();
    CopyToScreen();
}

bool HXWindowMain::HoldsControl(const HXConBase* control) const
{
    if (!control) return false;
    return std::find(m_controls.begin(), m_controls.end(), control) != m_controls.end() ||
           std::find(m_regionControls.begin(), m_regionControls.end(), control) != m_regionControls.end();
}

void HXWindowMain::OnInvalidControl(HXConBase* control)
{
    if (control) {
        // A control that is no longer ours (cleared with its skin) is not touched.
        if (!HoldsControl(control)) return;
        MarkDirty(control);
    } else {
        m_bDirty = 0;
    }
    RepaintBitmap();
    CopyToScreen();
}

void HXWindowMain::OnRefreshControl(HXConBase* control)
{
    if (!HoldsControl(control)) return;
    LayoutControls(0);
    control->OnRefresh();
    MarkDirty(control);
    RepaintBitmap();
    CopyToScreen();
}

void HXWindowMain::OnSizeMessage(UINT type, int width, int height)
{
    if (EndHover(nullptr)) CopyToScreen();
    if (width > 0 && height > 0 && (m_dib.GetWidth() < width || m_dib.GetHeight() < height))
        m_dib.Create(width, height, 24);
    if (m_pRegionAlign) LayoutRegions(type, width, height);
    if (m_pControlAlign) m_pControlAlign->OnWindowSize(type, width, height);
    if (m_options.moveParent && m_hHostWnd && IsWindow(m_hHostWnd) && m_hWnd) {
        RECT r;
        GetWindowRect(m_hWnd, &r);
        MoveWindow(m_hHostWnd, r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
    }
    m_bHover = 0;
    m_pHover = nullptr;
    m_bDirty = 0;
    RepaintBitmap();
    CopyToScreen();
}

// ---- Hit testing and the mouse ----------------------------------------------------

HXConBase* HXWindowMain::ControlAt(POINT client)
{
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        HXConBase* control = *it;
        RECT r;
        control->GetRect(&r);
        if (!PtInRect(&r, client)) continue;
        const POINT local = control->ToLocal(client.x, client.y);
        if (control->HitTest(local.x, local.y)) return control;
    }
    return nullptr;
}

LRESULT HXWindowMain::OnNcHitTest(LPARAM lParam)
{
    POINT p = PointOf(lParam);
    ScreenToClient(m_hWnd, &p);
    if (m_options.resizeBorder) {
        RECT client;
        GetClientRect(m_hWnd, &client);
        const int w = client.right, h = client.bottom;
        const int fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
        const int c = kCornerLength;
        const int x = p.x, y = p.y;
        if ((x <= fx && y <= c) || (x <= c && y <= fy)) return HTTOPLEFT;
        if ((x >= w - fx && y <= c) || (x >= w - c && y <= fy)) return HTTOPRIGHT;
        if ((x >= w - fx && y >= h - c) || (x >= w - c && y >= h - fy)) return HTBOTTOMRIGHT;
        if ((x <= fx && y >= h - c) || (x <= c && y >= h - fy)) return HTBOTTOMLEFT;
        if (y <= fy) return HTTOP;
        if (y >= h - fy) return HTBOTTOM;
        if (x <= fx) return HTLEFT;
        if (x >= w - fx) return HTRIGHT;
    }
    HXConBase* control = ControlAt(p);
    if (!control) return m_options.clientCaption ? HTCAPTION : HTCLIENT;
    return control->GetNcHitTest() < 0 ? HTCLIENT : control->GetNcHitTest();
}

BOOL HXWindowMain::OnSetCursor(LPARAM lParam, LRESULT& result)
{
    if (LOWORD(static_cast<DWORD>(lParam)) != HTCLIENT) return FALSE;
    bool anyCursor = false;
    for (HXWindowMain* w = this; w && !anyCursor; w = w->m_pParent) anyCursor = !w->m_cursors.empty();
    if (!anyCursor) return FALSE;
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(m_hWnd, &p);
    for (auto it = m_controls.rbegin(); it != m_controls.rend(); ++it) {
        HXConBase* control = *it;
        RECT r;
        control->GetRect(&r);
        if (!PtInRect(&r, p) || control->IsTooSmall()) continue;
        const POINT local = control->ToLocal(p.x, p.y);
        if (HCURSOR cursor = control->GetCursor(local.x, local.y)) {
            SetCursor(cursor);
            result = 1;
            return TRUE;
        }
    }
    return FALSE;
}

void HXWindowMain::HideTooltip() { HXSubTooltipWindow::Instance().HideTooltip(nullptr); }

bool HXWindowMain::EndHover(HXConBase* control)
{
    if (!m_bHover || !m_pHover || m_pHover == control) return false;
    HXConBase* hover = m_pHover;
    m_pHover = nullptr;
    m_bHover = 0;
    const int changed = hover->OnMouseLeave();
    MarkDirty(hover);
    RepaintBitmap();
    return changed != 0;
}

LRESULT HXWindowMain::OnMouseMoveMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    POINT p;
    GetCursorPos(&p);
    ScreenToClient(m_hWnd, &p);
    if (!m_bTracking) {
        TRACKMOUSEEVENT track;
        track.cbSize = sizeof track;
        track.dwFlags = TME_HOVER | TME_LEAVE;
        track.hwndTrack = m_hWnd;
        track.dwHoverTime = 1;
        TrackMouseEvent(&track);
        m_bTracking = 1;
    }
    if (p.x == m_ptLastMouse.x && p.y == m_ptLastMouse.y) return 0;
    m_ptLastMouse = p;
    HXConBase* control = m_bCapture ? m_pCapture : ControlAt(p);
    bool changed = EndHover(control);
    bool handled = false;
    if (control) {
        if (control != m_pLastReported) NotifyApplication(NOTIFY_HOVER, reinterpret_cast<LPARAM>(control));
        if (!m_bCapture && !control->IsTooSmall())
            HXSubTooltipWindow::Instance().ShowTooltip(control->GetTooltip(), nullptr, control, kTooltipMs);
        int track = 0;
        const POINT local = control->ToLocal(p.x, p.y);
        if (control->OnMouseMove(local.x, local.y, m_bCapture, &track)) {
            MarkDirty(control);
            handled = true;
            changed = true;
        }
        if (track) {
            m_pHover = control;
            m_bHover = 1;
        }
    } else {
        HideTooltip();
    }
    m_pLastReported = control;
    if (changed) {
        RepaintBitmap();
        CopyToScreen();
    }
    if (handled || m_bChild) return 0;
    return Forward(message, wParam, lParam);
}

void HXWindowMain::TakeCapture(HXConBase* control, int button)
{
    if (m_bCapture && m_pCapture && m_pCapture != control) {
        // The earlier capture ends as by a release.
        HXConBase* earlier = m_pCapture;
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(m_hWnd, &p);
        const POINT local = earlier->ToLocal(p.x, p.y);
        int value = 0;
        if (earlier->OnButtonUp(m_nCaptureButton, local.x, local.y, 1, &value)) {
            MarkDirty(earlier);
            RepaintBitmap();
            CopyToScreen();
        }
        ReleaseControlCapture();
    }
    SetCapture(m_hWnd);
    m_pCapture = control;
    m_bCapture = 1;
    m_nCaptureButton = button;
}

void HXWindowMain::ReleaseControlCapture()
{
    m_bCapture = 0;
    m_pCapture = nullptr;
    m_nCaptureButton = 0;
    if (m_hWnd && GetCapture() == m_hWnd) ReleaseCapture();
    m_ptLastMouse = POINT{-1, -1};
}

BOOL HXWindowMain::OnButtonDownMessage(UINT message, int button, POINT client, WPARAM wParam, LPARAM lParam,
                                       LRESULT& result)
{
    HideTooltip();
    if (HXConBase* control = ControlAt(client)) {
        int capture = 0;
        const POINT local = control->ToLocal(client.x, client.y);
        if (control->OnButtonDown(button, local.x, local.y, &capture)) {
            if (capture) TakeCapture(control, button);
            MarkDirty(control);
            RepaintBitmap();
            CopyToScreen();
            if (control->GetFlags() & kFlagFocusOnClick) m_pKeyboard = control;
            result = 0;
            return TRUE;
        }
    }
    if (m_options.draggable && button == 1) {
        // The system drags the window from the caption; its non-client
        // messages carry screen points.
        POINT screen = client;
        ClientToScreen(m_hWnd, &screen);
        PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, LParamOf(screen));
    }
    if (m_options.popupWindow) {
        result = 0;
        return TRUE;
    }
    result = Forward(message, wParam, lParam);
    return TRUE;
}

BOOL HXWindowMain::OnButtonUpMessage(UINT message, int button, POINT client, WPARAM wParam, LPARAM lParam,
                                     LRESULT& result)
{
    if (EndHover(ControlAt(client))) CopyToScreen();
    bool taken = false;
    if (m_bCapture && m_pCapture) {
        HXConBase* captured = m_pCapture;
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(m_hWnd, &p);
        const POINT local = captured->ToLocal(p.x, p.y);
        int value = 0;
        const int capturedButton = m_nCaptureButton;
        ReleaseControlCapture();
        if (captured->OnButtonUp(capturedButton, local.x, local.y, 1, &value) && HoldsControl(captured)) {
            MarkDirty(captured);
            RepaintBitmap();
            CopyToScreen();
            taken = true;
        }
    }
    if (!taken) {
        HXConBase* control = ControlAt(client);
        bool handled = false;
        if (control) {
            const POINT local = control->ToLocal(client.x, client.y);
            int value = 0;
            handled = control->OnButtonUp(button, local.x, local.y, m_bCapture, &value) != 0;
        }
        if (!handled) {
            result = Forward(message, wParam, lParam);
            return TRUE;
        }
        if (HoldsControl(control)) MarkDirty(control);
        RepaintBitmap();
        CopyToScreen();
    }
    result = 0;
    return TRUE;
}

BOOL HXWindowMain::OnDoubleClickMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    POINT p = PointOf(lParam);
    if (message == WM_NCLBUTTONDBLCLK) ScreenToClient(m_hWnd, &p);
    HideTooltip();
    HXConBase* control = ControlAt(p);
    if (!control) {
        if (m_bChild) {
            result = 0;
            return TRUE;
        }
        result = Forward(message, wParam, lParam);
        return TRUE;
    }
    const POINT local = control->ToLocal(p.x, p.y);
    // Only a left double click is a double click for the controls: those of
    // the other buttons never reach the command of the left button.
    if (message == WM_LBUTTONDBLCLK || message == WM_NCLBUTTONDBLCLK) {
        int capture = 0;
        if (control->OnButtonDown(4, local.x, local.y, &capture)) {
            if (capture) TakeCapture(control, 4);
            MarkDirty(control);
            RepaintBitmap();
            CopyToScreen();
            result = 0;
            return TRUE;
        }
    }
    if (control->GetNcHitTest() != HTCAPTION && control->HitTest(local.x, local.y)) {
        if (message == WM_LBUTTONDBLCLK) return OnButtonDownMessage(WM_LBUTTONDOWN, 1, p, wParam, LParamOf(p), result);
        return OnButtonDownMessage(WM_RBUTTONDOWN, 2, p, wParam, LParamOf(p), result);
    }
    // A control that stands for a part of the host's frame (the title strip
    // as its caption) is the host's: its double click goes where its press
    // goes, so the host maximises from it as from its own caption.
    if (message == WM_NCLBUTTONDBLCLK && !m_bChild && !m_options.popupWindow) {
        result = Forward(message, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

LRESULT HXWindowMain::OnMouseWheelMessage(WPARAM wParam, LPARAM lParam)
{
    HideTooltip();
    POINT p = PointOf(lParam);
    ScreenToClient(m_hWnd, &p);
    if (HXConBase* control = ControlAt(p)) {
        const POINT local = control->ToLocal(p.x, p.y);
        const UINT keys = LOWORD(static_cast<DWORD>(wParam));
        const int delta = static_cast<SHORT>(HIWORD(static_cast<DWORD>(wParam)));
        if (control->OnMouseWheel(keys, delta, local.x, local.y)) return 0;
    }
    return Forward(WM_MOUSEWHEEL, wParam, lParam);
}

// ---- Notifications and script ----------------------------------------------------

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
        if (value.m_type == HXSVAL_DOUBLE) shown.Format(L"%f", value.m_dValue);
        else if (value.m_type == HXSVAL_INT) shown.Format(L"%d", value.m_nValue);
        else if (value.m_type == HXSVAL_STRING) shown = value.m_text;
        if (!shown.IsEmpty()) DebugTrace(L"HXSCRIPT RESULT : %s", shown);
    } else {
        NotifyApplication(NOTIFY_SCRIPT_ERROR, 0);
    }
    return 0;
}

bool HXWindowMain::RunScript(const CString& text, HXSVal* result)
{
    if (!m_pScript) return true;
    HXSVal value;
    int code = 0;
    if (m_pScript->Run(text, value, code)) {
        if (result) *result = value;
        return true;
    }
    SetLastSkinError(*this, SKINERR_SCRIPT, L"EXP:%s CODE:%s", m_pScript->GetErrorMessage(),
                     HXScript::GetErrorText(code));
    return false;
}

LRESULT HXWindowMain::NotifyApplication(WPARAM code, LPARAM data)
{
    HWND host = GetTopWindow()->m_hHostWnd;
    return (host && IsWindow(host)) ? SendMessageW(host, SkinNotifyMessage(), code, data) : 0;
}

CString HXWindowMain::ResolveText(const CString& text)
{
    if (text.IsEmpty() || text[0] != L'$') return text;
    HXWindowMain* top = GetTopWindow();
    if (top->m_pLanguage) {
        const CString value = top->m_pLanguage->GetString(top->m_sLanguageSection, text, L"");
        if (!value.IsEmpty()) return value;
    }
    if (m_pScript) {
        HXSVal value;
        int code = 0;
        if (m_pScript->Run(text.Mid(1) + L";", value, code) && value.m_type == HXSVAL_STRING) return value.m_text;
    }
    return text;
}

void HXWindowMain::SetLanguageFile(const CString& path, const CString& section, int codePage)
{
    HXWindowMain* top = GetTopWindow();
    if (!top->m_pLanguage) top->m_pLanguage = std::make_unique<CIniFile>();
    // The code page given governs the next load; this one reads with the
    // reader's previous one.
    top->m_pLanguage->Load(path);
    top->m_pLanguage->m_nCodePage = codePage;
    top->m_sLanguageSection = section;
}

int HXWindowMain::SetControlTimer(HXConBase* control, int key, int interval)
{
    return m_timers.SetControlTimer(control, key, interval);
}

// ---- Bindings and lookups ------------------------------------------------------------

bool HXWindowMain::NameKnownBelow(const CString& name) { return FindControlInfoBelow(name) != nullptr; }

const SHxControlInfo* HXWindowMain::FindControlInfoBelow(const CString& name)
{
    auto it = m_controlInfo.find(name);
    if (it != m_controlInfo.end()) return &it->second;
    for (HXConBase* control : m_controls)
        if (auto* nested = dynamic_cast<HXWindowMain*>(control))
            if (const SHxControlInfo* info = nested->FindControlInfoBelow(name)) return info;
    return nullptr;
}

const SHxControlInfo* HXWindowMain::FindControlInfo(const CString& name)
{
    return GetTopWindow()->FindControlInfoBelow(name);
}

int HXWindowMain::AddCommandControl(const CString& name, int id)
{
    if (NameKnownBelow(name)) {
        SetLastSkinError(*this, SKINERR_DUPLICATE_CONTROL_ID, L"%s,%d", name, id);
        return 0;
    }
    SHxControlInfo info;
    info.kind = 0;
    info.id = id;
    m_controlInfo[name] = info;
    return 1;
}

int HXWindowMain::AddWindowControl(const CString& name, int id, HWND window)
{
    if (!m_bChild && FindControlInfoBelow(name)) {
        SetLastSkinError(*this, SKINERR_DUPLICATE_WINDOW_CONTROL_ID, L"%s,%d", name, id);
        return 0;
    }
    SHxControlInfo info;
    info.kind = 1;
    info.id = id;
    info.window = window;
    m_controlInfo[name] = info;
    return 1;
}

HXConBase* HXWindowMain::FindControl(int id)
{
    auto it = m_idMap.find(id);
    if (it != m_idMap.end()) return it->second;
    for (HXConBase* control : m_controls)
        if (auto* nested = dynamic_cast<HXWindowMain*>(control)) {
            auto n = nested->m_idMap.find(id);
            if (n != nested->m_idMap.end()) return n->second;
        }
    return nullptr;
}

HXConButton* HXWindowMain::FindButton(int id) { return dynamic_cast<HXConButton*>(FindControl(id)); }

HXConStatic* HXWindowMain::FindStatic(int id) { return dynamic_cast<HXConStatic*>(FindControl(id)); }

HXWindowChild* HXWindowMain::FindChildWindow(int id)
{
    auto it = m_idMap.find(id);
    return it == m_idMap.end() ? nullptr : dynamic_cast<HXWindowChild*>(it->second);
}

CString HXWindowMain::GetLastErrorMessage() const
{
    return CString(GetSkinErrorText(GetLastErrorCode())) + L" " + GetLastErrorText();
}

HCURSOR HXWindowMain::FindCursor(const CString& name)
{
    for (HXWindowMain* w = this; w; w = w->m_pParent) {
        auto it = w->m_cursors.find(name);
        if (it != w->m_cursors.end()) return it->second;
    }
    return nullptr;
}

HXSubFont* HXWindowMain::FindFont(const CString& name)
{
    for (HXWindowMain* w = this; w; w = w->m_pParent) {
        auto it = w->m_fonts.find(name);
        if (it != w->m_fonts.end()) return it->second.get();
    }
    return nullptr;
}

// ---- The skin source ---------------------------------------------------------------

int HXWindowMain::OpenSkin(const CString& path, int resource)
{
    HXWindowMain* top = GetTopWindow();
    if (top->m_package.Open(path, resource)) return 1;
    // The host reports the failure with the window's error text.
    SetLastSkinError(*this, SKINERR_BAD_SKIN_PATH, L"%s", path);
    return 0;
}

int HXWindowMain::GetSkinSource(CString& path, int& resource, int& packed)
{
    return GetTopWindow()->m_package.GetSource(path, resource, packed);
}

bool HXWindowMain::ReadSkinFile(const CString& fileName, std::vector<BYTE>& data, size_t maxBytes)
{
    if (!GetTopWindow()->m_package.ReadFile(fileName, data, maxBytes)) return false;
    data.push_back(0);
    return true;
}

int HXWindowMain::LoadSkinDocument(const CString& fileName, int codePage, int listCheck)
{
    ClearSkin();
    SkinPackage& package = GetTopWindow()->m_package;
    if (package.GetPath().IsEmpty()) {
        SetLastSkinError(*this, SKINERR_BAD_SKIN_PATH, nullptr);
        return 0;
    }
    m_pDocument = std::make_unique<CXmlDocument>();
    m_pDocument->m_nCodePage = codePage;
    std::vector<BYTE> data;
    if (!ReadSkinFile(fileName, data, kMaxDocumentBytes)) {
        SetLastSkinError(*this, SKINERR_BAD_SKIN_PATH, L"%s/%s", package.GetPath(), fileName);
        return 0;
    }
    if (!package.IsResource() && listCheck && !package.HasListFile()) {
        SetLastSkinError(*this, SKINERR_NO_LIST_FILE, nullptr);
        return 0;
    }
    // The NUL appended by the read is not part of the document.
    if (!m_pDocument->LoadFromMemory(data.data(), data.size() - 1)) {
        int line = 0, column = 0;
        m_pDocument->GetErrorPosition(line, column);
        SetLastSkinError(*this, SKINERR_XML_READ, L"Line:%d Col:%d Desc:%s", line, column,
                         m_pDocument->GetErrorText());
        ClearSkin();
        return 0;
    }
    return 1;
}

int HXWindowMain::LoadSkinImage(HDib* image, const CString& fileName)
{
    if (m_pParent) return m_pParent->LoadSkinImage(image, fileName);
    if (!image || !m_package.LoadImage(image, fileName)) return 0;
    if (image->GetBitCount() != 24) image->ConvertDepth(24);
    if (image->GetBitCount() != 24) return 0;
    const SColorTheme& theme = m_currentTheme;
    if (!m_themeExempt.count(fileName) && (theme.red || theme.green || theme.blue))
        image->Tint(theme.red, theme.green, theme.blue, 1);
    return 1;
}

HDib* HXWindowMain::GetImage(const CString& name, int add)
{
    HXWindowMain* top = GetTopWindow();
    auto it = top->m_images.find(name);
    if (it != top->m_images.end()) return it->second.image.get();
    // Images are kept by the top window only, one per name.
    if (!add) return nullptr;
    auto image = std::make_unique<HDib>();
    if (!LoadSkinImage(image.get(), name)) return nullptr;
    HDib* result = image.get();
    top->m_images[name] = ImageEntry{name, std::move(image)};
    return result;
}

HCURSOR HXWindowMain::LoadSkinCursor(const CString& fileName)
{
    return GetTopWindow()->m_package.LoadCursor(fileName);
}

int HXWindowMain::UnpackSkin(CString& folder) { return GetTopWindow()->m_package.Unpack(folder); }

int HXWindowMain::SetColorTheme(int index)
{
    if (m_themes.empty()) return 0;
    const int count = static_cast<int>(m_themes.size());
    int selected = 0;
    if (index == -1) selected = (m_nThemeIndex < 0 || m_nThemeIndex + 1 >= count) ? 0 : m_nThemeIndex + 1;
    else selected = ((index % count) + count) % count;
    m_currentTheme = m_themes[selected];
    m_nThemeIndex = selected;
    HXWindowMain* top = GetTopWindow();
    if (top != this) top->m_currentTheme = m_currentTheme;
    // Reloaded in place, so the new tint applies to the pixels as the skin
    // stores them and every control keeps its image.
    for (auto& [name, entry] : top->m_images)
        if (!LoadSkinImage(entry.image.get(), entry.fileName)) return 0;
    BroadcastToControls(m_currentTheme);
    top->m_package.CloseArchive();
    return 1;
}

void HXWindowMain::BroadcastToControls(const SColorTheme& theme)
{
    for (HXConBase* control : m_controls) control->ApplyColorTheme(theme);
}

int HXWindowMain::ApplyColorTheme(const SColorTheme& theme)
{
    BroadcastToControls(theme);
    return 0;
}

void HXWindowMain::DestroyControlWindow()
{
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

// ---- Regions --------------------------------------------------------------------------

void HXWindowMain::ApplyRegion(HRGN region)
{
    if (!m_hRegion && !region) return;
    HWND target = (m_options.popupWindow || !m_hHostWnd) ? m_hWnd : m_hHostWnd;
    if (!region && m_hRegionWindow) target = m_hRegionWindow;
    m_hRegion = region;
    m_hRegionWindow = region ? target : nullptr;
    // The window owns the region from here on.
    if (target && IsWindow(target)) SetWindowRgn(target, region, TRUE);
    else if (region) DeleteObject(region);
}

bool HXWindowMain::LayoutRegions(UINT sizeType, int width, int height)
{
    if (sizeType == SIZE_MINIMIZED || m_regionControls.empty() || !m_pRegionAlign || (width <= 0 && height <= 0))
        return true;
    HRGN total = CreateRectRgn(0, 0, 0, 0);
    m_pRegionAlign->Layout(m_pRegionAlign.get(), width, height);
    for (HXConBase* control : m_regionControls) {
        auto* part = dynamic_cast<HXConRgn*>(control);
        if (!part || !part->GetRegion()) continue;
        RECT r;
        part->GetRect(&r);
        const POINT origin = part->GetRegionOrigin();
        OffsetRgn(part->GetRegion(), r.left - origin.x, r.top - origin.y);
        part->SetRegionOrigin(POINT{r.left, r.top});
        if (CombineRgn(total, total, part->GetRegion(), part->GetCombineMode()) == ERROR) {
            DeleteObject(total);
            return false;
        }
    }
    ApplyRegion(total);
    return true;
}

// ---- Clearing -----------------------------------------------------------------------

void HXWindowMain::ClearSkin()
{
    // Nothing may keep pointing at the controls about to go.
    if (m_bCapture) ReleaseControlCapture();
    m_pCapture = nullptr;
    m_pHover = nullptr;
    m_bHover = 0;
    m_pKeyboard = nullptr;
    m_pLastReported = nullptr;
    m_ptLastMouse = POINT{-1, -1};

    std::vector<HXConBase*> controls;
    controls.swap(m_controls);
    for (HXConBase* control : controls) {
        control->DestroyControlWindow();
        delete control;
    }
    std::vector<HXConBase*> regions;
    regions.swap(m_regionControls);
    for (HXConBase* control : regions) delete control;
    m_idMap.clear();
    m_pDocument.reset();
    m_pControlAlign.reset();
    m_pRegionAlign.reset();
    m_timers.KillAllTimers();
    if (!m_bChild && !m_pParent && m_pScript) m_pScript->Reset(false);
    if (m_hRegion) ApplyRegion(nullptr);
    m_pBkgndImage = nullptr;
    m_bkgndCache.Clear();
    m_fonts.clear();
    for (auto& [name, cursor] : m_cursors) DestroyCursor(cursor);
    m_cursors.clear();
    m_images.clear();
    m_themeExempt.clear();
    m_themes.clear();
    m_nThemeIndex = -1;
    if (m_hWnd) {
        MSG pending;
        const UINT refresh = SkinRefreshControlMessage();
        while (PeekMessageW(&pending, m_hWnd, refresh, refresh, PM_REMOVE)) {
        }
    }
    m_bDirty = 0;
}

// ---- Building --------------------------------------------------------------------------

int HXWindowMain::BuildSkinWindow(int themeIndex)
{
    if (!m_pDocument) return 0;
    const CXmlNode* root = m_pDocument->m_pRoot;
    if (!root || root->GetName() != L"HXSkin") {
        SetLastSkinError(*this, SKINERR_BAD_ROOT, nullptr);
        return 0;
    }
    const CXmlNode* skinWindow = root->FindChildElement(L"SkinWindow", false);
    if (!skinWindow) {
        SetLastSkinError(*this, SKINERR_NO_SKINWINDOW, L"%s", L"SkinWindow");
        return 0;
    }
    HRGN region = nullptr;
    if (const CXmlNode* shape = skinWindow->FindChildElement(L"SetWindowRgn", false)) {
        int code = 0;
        CString detail;
        if (!ParseWindowRegion(shape, &region, &code, &detail, this)) {
            SetLastSkinError(*this, code, L"%s", detail);
            if (region) DeleteObject(region);
            return 0;
        }
    }
    SkinDocumentLoader loader(*this);
    if (!loader.LoadSkinWindow(skinWindow, themeIndex)) {
        if (region) DeleteObject(region);
        ClearSkin();
        return 0;
    }
    ApplyRegion(region);
    if (m_pScript && m_pScript->HasFunction(L"main")) {
        HXSVal value;
        int code = 0;
        m_pScript->Run(L"main();", value, code);
    }
    RECT client;
    if (m_hWnd && IsWindow(m_hWnd) && GetClientRect(m_hWnd, &client)) {
        if (m_pControlAlign) m_pControlAlign->Layout(m_pControlAlign.get(), client.right, client.bottom);
        LayoutRegions(SIZE_RESTORED, client.right, client.bottom);
        m_bDirty = 0;
        RepaintBitmap();
        CopyToScreen();
    }
    return 1;
}

int HXWindowMain::LoadSkinWindowNode(const CXmlNode* element, const CString& skinPath, int themeIndex)
{
    ClearSkin();
    if (!m_pParent) OpenSkin(skinPath, 0);
    SkinDocumentLoader loader(*this);
    if (!loader.LoadSkinWindow(element, themeIndex)) {
        ClearSkin();
        return 0;
    }
    if (m_pScript && m_pScript->HasFunction(L"main")) {
        HXSVal value;
        int code = 0;
        m_pScript->Run(L"main();", value, code);
    }
    m_bDirty = 0;
    RepaintBitmap();
    CopyToScreen();
    return 1;
}

// ---- The native script functions' view of the window ----------------------------------

bool HXWindowMain::FindControlId(const CString& name, int& id)
{
    const SHxControlInfo* info = FindControlInfo(name);
    if (!info) return false;
    id = info->id;
    return true;
}

bool HXWindowMain::HasControl(int id) { return FindControl(id) != nullptr; }

CString HXWindowMain::GetControlText(int id)
{
    HXConBase* control = FindControl(id);
    return control ? control->GetText(0) : CString();
}

void HXWindowMain::SetControlText(int id, const CString& text)
{
    if (HXConBase* control = FindControl(id)) control->SetText(text, 0);
}

void HXWindowMain::SetControlTextColor(int id, COLORREF color)
{
    if (HXConBase* control = FindControl(id)) control->SetTextColor(color);
}

void HXWindowMain::RefreshControl(int id)
{
    if (HXConBase* control = FindControl(id)) control->RefreshControl();
}

void HXWindowMain::SetControlVisible(int id, bool shown)
{
    if (HXConBase* control = FindControl(id)) control->SetVisible(shown ? 1 : 0, 1);
}

int HXWindowMain::GetControlShown(int id)
{
    HXConBase* control = FindControl(id);
    return control && control->IsShown() ? 1 : 0;
}

void HXWindowMain::SetControlImageNum(int id, int image)
{
    if (auto* control = dynamic_cast<SkinImageControl*>(FindControl(id))) control->SelectImage(image, 1);
}

void HXWindowMain::NavigateControl(int id, const CString& url)
{
    // Only a browser control navigates; other controls ignore it.
    if (auto* browser = dynamic_cast<HXConBrowser*>(FindControl(id))) browser->Navigate(url, 0);
}

void HXWindowMain::SendCommand(int id)
{
    if (m_hWnd) SendMessageW(m_hWnd, WM_COMMAND, static_cast<WPARAM>(static_cast<UINT>(id)), 0);
}

void HXWindowMain::ShowMessageBox(const CString& text, const CString& caption)
{
    MessageBoxW(m_hWnd, text, caption, MB_OK);
}

void HXWindowMain::RelayoutAll() { Relayout(); }

bool HXWindowMain::RelayoutChildWindow(int id)
{
    HXWindowChild* nested = FindChildWindow(id);
    if (!nested) return false;
    nested->Relayout();
    return true;
}
