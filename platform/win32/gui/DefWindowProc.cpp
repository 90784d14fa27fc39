// The default handling of window messages.
#include <algorithm>
#include <cwchar>

#include "Caption.h"
#include "Cursors.h"
#include "DeviceContext.h"
#include "DrawText.h"
#include "Focus.h"
#include "GdiDraw.h"
#include "Input.h"
#include "MessageQueue.h"
#include "MoveSizeLoop.h"
#include "Paint.h"
#include "SystemMenu.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowGeometry.h"
#include "WindowObject.h"

using namespace win32_gui;

namespace {

POINT PointOf(LPARAM lParam)
{
    return POINT{static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam))),
                 static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
}

LRESULT DefaultHitTest(WindowObject& w, POINT screen)
{
    RECT wr = ScreenRectOf(w);
    if (!PtInRect(&wr, screen)) return HTNOWHERE;
    POINT p{screen.x - wr.left, screen.y - wr.top};
    RECT client = w.ClientRectInWindow();
    if (PtInRect(&client, p)) return HTCLIENT;
    int width = w.Width(), height = w.Height();
    if ((w.style & WS_THICKFRAME) && !(w.style & WS_MAXIMIZE)) {
        int f = GetSystemMetrics(SM_CXFRAME);
        const int corner = 16;
        bool l = p.x < f, r = p.x >= width - f, t = p.y < f, b = p.y >= height - f;
        bool lc = p.x < corner, rc = p.x >= width - corner, tc = p.y < corner, bc = p.y >= height - corner;
        if ((l && tc) || (t && lc)) return HTTOPLEFT;
        if ((r && tc) || (t && rc)) return HTTOPRIGHT;
        if ((l && bc) || (b && lc)) return HTBOTTOMLEFT;
        if ((r && bc) || (b && rc)) return HTBOTTOMRIGHT;
        if (l) return HTLEFT;
        if (r) return HTRIGHT;
        if (t) return HTTOP;
        if (b) return HTBOTTOM;
    }
    if (LRESULT caption = CaptionHitTest(w, p); caption != HTNOWHERE) return caption;
    return HTBORDER;
}

// The frame and caption the default handling draws around the client area.
void PaintDefaultFrame(HWND window, WindowObject& w)
{
    RECT in = DefaultNonClientInsets(w.style, w.exStyle);
    if (in.left == 0 && in.top == 0 && in.right == 0 && in.bottom == 0) return;
    HDC dc = GetWindowDC(window);
    RECT all{0, 0, w.Width(), w.Height()};
    RECT client = w.ClientRectInWindow();
    // Everything outside the client area gets the frame colour.
    ExcludeClipRect(dc, client.left, client.top, client.right, client.bottom);
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    HBRUSH frame = GetSysColorBrush(COLOR_WINDOWFRAME);
    FrameRect(dc, &all, frame);
    if ((w.style & WS_CAPTION) == WS_CAPTION) PaintCaption(dc, w, GetActiveWindow() == window);
    if (w.exStyle & WS_EX_CLIENTEDGE) {
        RECT edge{client.left - 2, client.top - 2, client.right + 2, client.bottom + 2};
        DrawEdge(dc, &edge, EDGE_SUNKEN, BF_RECT);
    }
    ReleaseDC(window, dc);
}

LRESULT SetCursorDefault(HWND window, WindowObject& w, LPARAM lParam)
{
    LRESULT hit = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
    if (w.IsChild()) {
        if (SendMessageW(w.parent, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), lParam)) return TRUE;
        if (!IsWindow(window)) return FALSE;
    }
    LPCWSTR shape = IDC_ARROW;
    switch (hit) {
    case HTCLIENT:
        if (w.cls->cursor) {
            SetCursor(w.cls->cursor);
            return TRUE;
        }
        return FALSE;
    case HTLEFT:
    case HTRIGHT: shape = IDC_SIZEWE; break;
    case HTTOP:
    case HTBOTTOM: shape = IDC_SIZENS; break;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT: shape = IDC_SIZENWSE; break;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT: shape = IDC_SIZENESW; break;
    case HTERROR: return FALSE;
    default: break;
    }
    SetCursor(LoadCursorW(nullptr, shape));
    return TRUE;
}

}  // namespace

LRESULT DefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto hold = Hold(window);
    if (!hold) return 0;
    WindowObject& w = *hold;
    switch (message) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w.text = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        auto* r = reinterpret_cast<RECT*>(lParam);  // also the first rectangle of NCCALCSIZE_PARAMS
        if (!r) return 0;
        RECT in = DefaultNonClientInsets(w.style, w.exStyle);
        r->left += in.left;
        r->top += in.top;
        r->right -= in.right;
        r->bottom -= in.bottom;
        if (r->right < r->left) r->right = r->left;
        if (r->bottom < r->top) r->bottom = r->top;
        return 0;
    }
    case WM_NCHITTEST: return DefaultHitTest(w, PointOf(lParam));
    case WM_SETTEXT: {
        auto* text = reinterpret_cast<LPCWSTR>(lParam);
        w.text = text ? text : L"";
        if ((w.style & WS_CAPTION) == WS_CAPTION) RedrawWindow(window, nullptr, nullptr, RDW_FRAME);
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam == 0) return 0;
        size_t n = std::min<size_t>(w.text.size(), wParam - 1);
        std::wmemcpy(buffer, w.text.data(), n);
        buffer[n] = L'\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w.text.size());
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_ERASEBKGND: {
        HBRUSH brush = w.cls->background;
        if (!brush) return 0;
        RECT r;
        GetClientRect(window, &r);
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window, &ps);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_NCPAINT: PaintDefaultFrame(window, w); return 0;
    case WM_NCACTIVATE:
        if ((w.style & WS_CAPTION) == WS_CAPTION) RedrawWindow(window, nullptr, nullptr, RDW_FRAME);
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(window);
        return 0;
    case WM_MOUSEACTIVATE:
        if (w.IsChild()) {
            LRESULT r = SendMessageW(w.parent, WM_MOUSEACTIVATE, wParam, lParam);
            if (r) return r;
        }
        return MA_ACTIVATE;
    case WM_SETCURSOR: return SetCursorDefault(window, w, lParam);
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        if (w.IsChild()) return SendMessageW(w.parent, message, wParam, lParam);
        return 0;
    case WM_CONTEXTMENU: {
        if (w.IsChild()) return SendMessageW(w.parent, message, wParam, lParam);
        // Nobody showed a menu of its own: on the caption, the system menu.
        if (lParam == -1) return 0;  // from the keyboard: no point to look at
        LRESULT hit = SendMessageW(window, WM_NCHITTEST, 0, lParam);
        if ((hit == HTCAPTION || hit == HTSYSMENU) && IsWindow(window)) ShowSystemMenu(window, PointOf(lParam));
        return 0;
    }
    case WM_NCRBUTTONUP: SendMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window), lParam); return 0;
    case WM_NCMOUSEMOVE: SetCaptionHot(window, static_cast<LRESULT>(wParam)); return 0;
    case WM_NCMOUSELEAVE: SetCaptionHot(window, HTNOWHERE); return 0;
    case WM_NCLBUTTONDOWN: {
        LRESULT hit = static_cast<LRESULT>(wParam);
        if (hit == HTCLOSE || hit == HTMINBUTTON || hit == HTMAXBUTTON) {
            TrackCaptionButton(window, hit);
        } else if (hit == HTSYSMENU) {
            SetActiveWindow(window);
            SendMessageW(window, WM_SYSCOMMAND, SC_MOUSEMENU + HTSYSMENU, lParam);
        } else if (hit == HTCAPTION) {
            SetActiveWindow(window);
            SendMessageW(window, WM_SYSCOMMAND, SC_MOVE + HTCAPTION, lParam);
        } else if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) {
            SendMessageW(window, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(hit - HTLEFT + WMSZ_LEFT), lParam);
        }
        return 0;
    }
    case WM_NCLBUTTONDBLCLK:
        // A double click on the caption of a window that can be maximised
        // maximises it, or brings it back from maximised.
        if (wParam == HTCAPTION && !w.IsChild() && (w.style & WS_MAXIMIZEBOX) && !(w.style & WS_MINIMIZE))
            SendMessageW(window, WM_SYSCOMMAND, (w.style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lParam);
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
        case SC_SIZE: {
            if (w.style & WS_MAXIMIZE) return 0;  // a maximised window stays in place
            POINT start = PointOf(lParam);
            if (lParam == 0) GetCursorPos(&start);
            RunMoveSizeLoop(window, wParam, start);
            return 0;
        }
        case SC_CLOSE: SendMessageW(window, WM_CLOSE, 0, 0); return 0;
        case SC_MINIMIZE: ShowWindow(window, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(window, SW_MAXIMIZE); return 0;
        case SC_MOUSEMENU: ShowSystemMenu(window, SystemMenuPoint(window)); return 0;
        case SC_KEYMENU:
            // Alt+Space: the system menu; a menu bar is not kept here.
            if (lParam == L' ') ShowSystemMenu(window, SystemMenuPoint(window));
            return 0;
        case SC_RESTORE: ShowWindow(window, SW_RESTORE); return 0;
        default: return 0;
        }
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (GetKeyState(VK_MENU) & 0x8000))
            PostMessageW(GetAncestor(window, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
        else if (wParam == VK_SPACE && (GetKeyState(VK_MENU) & 0x8000))
            SendMessageW(GetAncestor(window, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, L' ');
        return 0;
    case WM_WINDOWPOSCHANGED: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!pos) return 0;
        RECT c = w.ClientRectInWindow();
        if (!(pos->flags & SWP_NOMOVE))
            SendMessageW(window, WM_MOVE, 0,
                         MAKELONG(static_cast<WORD>(w.rect.left + c.left), static_cast<WORD>(w.rect.top + c.top)));
        if (!(pos->flags & SWP_NOSIZE) && IsWindow(window)) {
            WPARAM type = (w.style & WS_MAXIMIZE)   ? SIZE_MAXIMIZED
                          : (w.style & WS_MINIMIZE) ? SIZE_MINIMIZED
                                                    : SIZE_RESTORED;
            SendMessageW(window, WM_SIZE, type,
                         MAKELONG(static_cast<WORD>(c.right - c.left), static_cast<WORD>(c.bottom - c.top)));
        }
        return 0;
    }
    case WM_CANCELMODE:
        if (GetCapture() == window) ReleaseCapture();
        return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    }
    case WM_NOTIFYFORMAT: return NFR_UNICODE;
    case WM_GETICON: return reinterpret_cast<LRESULT>(wParam ? w.iconBig : w.iconSmall);
    case WM_SETICON: {
        HICON& slot = wParam ? w.iconBig : w.iconSmall;
        HICON old = slot;
        slot = reinterpret_cast<HICON>(lParam);
        return reinterpret_cast<LRESULT>(old);
    }
    default: return 0;
    }
}
