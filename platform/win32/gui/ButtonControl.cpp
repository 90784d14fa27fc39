#include "ButtonControl.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "DeviceContext.h"
#include "DrawText.h"
#include "Focus.h"
#include "GdiDraw.h"
#include "GdiText.h"
#include "Input.h"
#include "MessageQueue.h"
#include "Paint.h"
#include "Regions.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowGeometry.h"

namespace {

struct ButtonState {
    WPARAM check = BST_UNCHECKED;
    bool pushed = false;    // drawn pressed
    bool tracking = false;  // the left button went down on it
    bool spaceDown = false;
    bool focused = false;
    HFONT font = nullptr;
};

std::map<HWND, ButtonState>& States()
{
    static std::map<HWND, ButtonState> s;
    return s;
}

DWORD Kind(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)) & BS_TYPEMASK; }

bool IsCheckKind(DWORD k) { return k == BS_CHECKBOX || k == BS_AUTOCHECKBOX || k == BS_3STATE || k == BS_AUTO3STATE; }
bool IsRadioKind(DWORD k) { return k == BS_RADIOBUTTON || k == BS_AUTORADIOBUTTON; }
// Kinds that keep a check state.
bool HasCheck(DWORD k) { return IsCheckKind(k) || IsRadioKind(k); }

bool StartsGroup(HWND h) { return (GetWindowLongW(h, GWL_STYLE) & WS_GROUP) != 0; }

// The automatic radio buttons of the button's group: its siblings from the
// nearest one at or before it that starts a group (WS_GROUP) up to the next
// one that starts a group.
std::vector<HWND> RadioGroupOf(HWND h)
{
    std::vector<HWND> group;
    HWND parent = GetParent(h);
    if (!parent || !(GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) return group;
    std::vector<HWND> siblings;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) siblings.push_back(c);
    auto at = std::find(siblings.begin(), siblings.end(), h);
    if (at == siblings.end()) return group;
    auto first = at;
    while (first != siblings.begin() && !StartsGroup(*first)) --first;
    for (auto it = first; it != siblings.end(); ++it) {
        if (it != first && StartsGroup(*it)) break;
        if (Kind(*it) == BS_AUTORADIOBUTTON) group.push_back(*it);
    }
    return group;
}

void Notify(HWND h, WORD code)
{
    HWND parent = GetParent(h);
    if (parent)
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(h)), code),
                     reinterpret_cast<LPARAM>(h));
}

void Click(HWND h)
{
    DWORD k = Kind(h);
    ButtonState& s = States()[h];
    if (k == BS_AUTOCHECKBOX)
        s.check = s.check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
    else if (k == BS_AUTO3STATE)
        s.check = (s.check + 1) % 3;
    if (k == BS_AUTORADIOBUTTON) {
        // The clicked one is checked and every other of its group cleared.
        for (HWND other : RadioGroupOf(h))
            if (other != h) SendMessageW(other, BM_SETCHECK, BST_UNCHECKED, 0);
        States()[h].check = BST_CHECKED;
    }
    InvalidateRect(h, nullptr, TRUE);
    Notify(h, BN_CLICKED);
}

// A group box covers only its frame and label: the window region leaves
// the inside to the windows below it.
void ShapeGroupBox(HWND h)
{
    ButtonState& s = States()[h];
    RECT r;
    GetClientRect(h, &r);
    HDC dc = GetDC(h);
    HGDIOBJ old = SelectObject(dc, s.font ? s.font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(h, dc);
    int top = GetWindowTextLengthW(h) ? tm.tmHeight : 2;
    HRGN shape = CreateRectRgn(0, 0, r.right, r.bottom);
    if (r.right > 4 && r.bottom > top + 2) {
        HRGN inside = CreateRectRgn(2, top, r.right - 2, r.bottom - 2);
        CombineRgn(shape, shape, inside, RGN_DIFF);
        DeleteObject(inside);
    }
    SetWindowRgn(h, shape, FALSE);
}

void Paint(HWND h)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    ButtonState& s = States()[h];
    RECT r;
    GetClientRect(h, &r);
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    DWORD k = style & BS_TYPEMASK;
    HWND parent = GetParent(h);
    HBRUSH back = parent ? reinterpret_cast<HBRUSH>(SendMessageW(parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc),
                                                                 reinterpret_cast<LPARAM>(h)))
                         : nullptr;
    if (!back) back = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &r, back);
    HGDIOBJ oldFont = SelectObject(dc, s.font ? s.font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    bool enabled = IsWindowEnabled(h);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    int length = GetWindowTextLengthW(h);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    GetWindowTextW(h, text.data(), length + 1);
    text.resize(static_cast<size_t>(length));

    if (k == BS_GROUPBOX) {
        SIZE ext{};
        RECT frame = r;
        GetTextExtentPoint32W(dc, text.c_str(), length, &ext);
        frame.top += ext.cy / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (length) {
            RECT label{8, 0, 8 + ext.cx + 4, ext.cy};
            FillRect(dc, &label, back);
            label.left += 2;
            DrawTextW(dc, text.c_str(), length, &label, DT_SINGLELINE | DT_LEFT | DT_TOP);
        }
    } else if (HasCheck(k)) {
        int box = 13;
        RECT b{0, (r.bottom - box) / 2, box, (r.bottom - box) / 2 + box};
        if (IsRadioKind(k)) {
            HGDIOBJ oldPen = SelectObject(dc, GetStockObject(BLACK_PEN));
            HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(COLOR_WINDOW));
            Ellipse(dc, b.left, b.top, b.right, b.bottom);
            if (s.check == BST_CHECKED) {
                SelectObject(dc, GetStockObject(BLACK_BRUSH));
                Ellipse(dc, b.left + 4, b.top + 4, b.right - 4, b.bottom - 4);
            }
            SelectObject(dc, oldBrush);
            SelectObject(dc, oldPen);
        } else {
            FillRect(dc, &b, GetSysColorBrush(COLOR_WINDOW));
            DrawEdge(dc, &b, EDGE_SUNKEN, BF_RECT);
        }
        if (IsCheckKind(k) && s.check != BST_UNCHECKED) {
            HPEN pen =
                CreatePen(PS_SOLID, 2, s.check == BST_INDETERMINATE ? GetSysColor(COLOR_GRAYTEXT) : RGB(0, 0, 0));
            HGDIOBJ old = SelectObject(dc, pen);
            MoveToEx(dc, b.left + 3, b.top + 6, nullptr);
            LineTo(dc, b.left + 5, b.top + 9);
            LineTo(dc, b.left + 10, b.top + 3);
            SelectObject(dc, old);
            DeleteObject(pen);
        }
        RECT t{box + 4, 0, r.right, r.bottom};
        DrawTextW(dc, text.c_str(), length, &t, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        if (s.focused) {
            RECT f = t;
            DrawTextW(dc, text.c_str(), length, &f, DT_SINGLELINE | DT_CALCRECT);
            f.top = t.top + ((t.bottom - t.top) - (f.bottom - f.top)) / 2 - 1;
            f.bottom = f.top + (f.bottom - f.top) + 2;
            f.left -= 1;
            f.right += 1;
            DrawFocusRect(dc, &f);
        }
    } else {
        RECT face = r;
        if (k == BS_DEFPUSHBUTTON) {
            FrameRect(dc, &face, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            InflateRect(&face, -1, -1);
        }
        DrawEdge(dc, &face, s.pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        RECT t = r;
        if (s.pushed) OffsetRect(&t, 1, 1);
        DrawTextW(dc, text.c_str(), length, &t, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
        if (s.focused) {
            RECT f = r;
            InflateRect(&f, -4, -4);
            DrawFocusRect(dc, &f);
        }
    }
    SelectObject(dc, oldFont);
    EndPaint(h, &ps);
}

LRESULT ButtonProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    ButtonState& s = States()[h];
    DWORD k = Kind(h);
    switch (message) {
    case WM_NCHITTEST:
        if (k == BS_GROUPBOX) return HTTRANSPARENT;
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_SIZE:
        if (k == BS_GROUPBOX) ShapeGroupBox(h);
        return 0;
    case WM_GETDLGCODE:
        if (k == BS_GROUPBOX) return DLGC_STATIC;
        if (k == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (k == BS_PUSHBUTTON) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        if (IsRadioKind(k)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        return DLGC_BUTTON;
    case WM_PAINT: Paint(h); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SETFONT:
        s.font = reinterpret_cast<HFONT>(wParam);
        if (k == BS_GROUPBOX) ShapeGroupBox(h);
        if (lParam) InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s.font);
    case WM_SETTEXT: {
        LRESULT r = DefWindowProcW(h, message, wParam, lParam);
        if (k == BS_GROUPBOX) ShapeGroupBox(h);
        InvalidateRect(h, nullptr, TRUE);
        return r;
    }
    case WM_ENABLE: InvalidateRect(h, nullptr, TRUE); return 0;
    case WM_SETFOCUS:
        s.focused = true;
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_KILLFOCUS:
        s.focused = false;
        if (s.pushed) s.pushed = false;
        s.spaceDown = false;
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (k == BS_GROUPBOX) return 0;
        if (GetWindowLongW(h, GWL_STYLE) & WS_TABSTOP) SetFocus(h);
        SetCapture(h);
        s.tracking = true;
        s.pushed = true;
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_MOUSEMOVE:
        if (s.tracking) {
            RECT r;
            GetClientRect(h, &r);
            POINT p{static_cast<SHORT>(LOWORD(static_cast<DWORD>(lParam))),
                    static_cast<SHORT>(HIWORD(static_cast<DWORD>(lParam)))};
            bool inside = PtInRect(&r, p) != 0;
            if (inside != s.pushed) {
                s.pushed = inside;
                InvalidateRect(h, nullptr, TRUE);
            }
        }
        return 0;
    case WM_LBUTTONUP:
        if (s.tracking) {
            s.tracking = false;
            bool clicked = s.pushed;
            s.pushed = false;
            ReleaseCapture();
            InvalidateRect(h, nullptr, TRUE);
            if (clicked) Click(h);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (s.tracking && reinterpret_cast<HWND>(lParam) != h) {
            s.tracking = false;
            s.pushed = false;
            InvalidateRect(h, nullptr, TRUE);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && k != BS_GROUPBOX) {
            s.spaceDown = true;
            s.pushed = true;
            InvalidateRect(h, nullptr, TRUE);
            return 0;
        }
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_KEYUP:
        if (wParam == VK_SPACE && s.spaceDown) {
            s.spaceDown = false;
            s.pushed = false;
            InvalidateRect(h, nullptr, TRUE);
            Click(h);
            return 0;
        }
        return DefWindowProcW(h, message, wParam, lParam);
    case BM_GETCHECK: return static_cast<LRESULT>(HasCheck(k) ? s.check : BST_UNCHECKED);
    case BM_SETCHECK:
        if (HasCheck(k) && wParam <= (IsRadioKind(k) ? BST_CHECKED : BST_INDETERMINATE)) {
            s.check = wParam;
            InvalidateRect(h, nullptr, TRUE);
        }
        return 0;
    case BM_GETSTATE: return static_cast<LRESULT>(s.check) | (s.pushed ? BST_PUSHED : 0) | (s.focused ? BST_FOCUS : 0);
    case BM_SETSTATE:
        s.pushed = wParam != 0;
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case BM_SETSTYLE: {
        DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
        SetWindowLongW(h, GWL_STYLE, static_cast<LONG>((style & ~0xFFFFu) | (wParam & 0xFFFF)));
        if (lParam) InvalidateRect(h, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (IsWindowEnabled(h)) Click(h);
        return 0;
    case WM_NCDESTROY: States().erase(h); return DefWindowProcW(h, message, wParam, lParam);
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

namespace win32_gui {

void RegisterButtonClass()
{
    WNDCLASSEXW wc;
    wc.style = CS_DBLCLKS | CS_PARENTDC;
    wc.lpfnWndProc = ButtonProc;
    wc.hCursor = nullptr;
    wc.lpszClassName = L"Button";
    RegisterClassExW(&wc);
}

}  // namespace win32_gui
