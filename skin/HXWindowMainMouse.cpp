// The mouse in the skinned window: hit testing, the cursor, hover and
// tooltip, the capture a control holds between a press and its release,
// and the routing of presses, releases, double clicks and the wheel to the
// control under the cursor or to the host.
#include "skin/HXWindowMain.h"

#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/WindowGeometry.h"
#include "skin/HXSubTooltipWindow.h"

namespace {

LPARAM LParamOf(POINT p) { return static_cast<LPARAM>(MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y))); }

}  // namespace

POINT HXWindowMain::PointOf(LPARAM lParam)
{
    const DWORD v = static_cast<DWORD>(lParam);
    return POINT{static_cast<SHORT>(LOWORD(v)), static_cast<SHORT>(HIWORD(v))};
}

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
