#include "Dialog.h"

#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "ButtonControl.h"
#include "DeviceContext.h"
#include "Focus.h"
#include "GdiDraw.h"
#include "GdiText.h"
#include "GlobalMemory.h"
#include "Input.h"
#include "MessageQueue.h"
#include "Paint.h"
#include "SystemMetrics.h"
#include "Window.h"
#include "WindowGeometry.h"

namespace {

constexpr const wchar_t* kDialogClass = L"#32770";

struct DialogState {
    bool ended = false;
    INT_PTR result = 0;
    HFONT font = nullptr;
    bool ownFont = false;
    int baseX = 6;
    int baseY = 13;
    HWND savedFocus = nullptr;
    WORD defId = 0;
    HWND disabledOwner = nullptr;  // a modal dialog's owner, until the dialog ends
    bool partOfParent = false;     // a child dialog with DS_CONTROL
};

std::map<HWND, std::shared_ptr<DialogState>>& States()
{
    static std::map<HWND, std::shared_ptr<DialogState>> s;
    return s;
}

std::shared_ptr<DialogState> StateOf(HWND h)
{
    auto it = States().find(h);
    return it == States().end() ? nullptr : it->second;
}

// Reads a template field by field, never past its end.
class TemplateReader {
public:
    TemplateReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool ok() const { return ok_; }
    size_t pos() const { return pos_; }
    template <class T>
    T Read()
    {
        T v{};
        if (pos_ + sizeof(T) > size_) {
            ok_ = false;
            return v;
        }
        std::memcpy(&v, data_ + pos_, sizeof(T));
        pos_ += sizeof(T);
        return v;
    }
    // A NUL-terminated UTF-16 text.
    std::wstring Text()
    {
        std::wstring s;
        for (;;) {
            char16_t c = Read<char16_t>();
            if (!ok_ || c == 0) return s;
            s += static_cast<wchar_t>(c);
        }
    }
    // 0 (none), 0xFFFF and an ordinal, or a text.
    void NameOrOrdinal(std::wstring* text, WORD* ordinal)
    {
        WORD first = Read<WORD>();
        *ordinal = 0;
        text->clear();
        if (!ok_ || first == 0) return;
        if (first == 0xFFFF) {
            *ordinal = Read<WORD>();
            return;
        }
        *text = static_cast<wchar_t>(first);
        *text += Text();
    }
    void Align(size_t to)
    {
        size_t absolute = reinterpret_cast<uintptr_t>(data_) + pos_;
        size_t pad = (to - absolute % to) % to;
        pos_ += pad;
        if (pos_ > size_) ok_ = false;
    }
    void Skip(size_t n)
    {
        if (pos_ + n > size_)
            ok_ = false;
        else
            pos_ += n;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool ok_ = true;
};

struct ItemDescription {
    DLGITEMTEMPLATE item;
    std::wstring className;
    std::wstring title;
};

struct DialogDescription {
    DLGTEMPLATE head;
    std::wstring className;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring face;
    std::vector<ItemDescription> items;
};

const wchar_t* ClassOfOrdinal(WORD ordinal)
{
    switch (ordinal) {
    case 0x80: return L"Button";
    case 0x81: return L"Edit";
    case 0x82: return L"Static";
    case 0x83: return L"ListBox";
    case 0x84: return L"ScrollBar";
    case 0x85: return L"ComboBox";
    default: return nullptr;
    }
}

bool ParseTemplate(const DLGTEMPLATE* templ, DialogDescription* desc)
{
    if (!templ) return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(templ);
    size_t size = win32_gui::GlobalBlockSizeAt(templ);
    if (!size) size = 0x10000;
    TemplateReader r(bytes, size);
    desc->head = r.Read<DLGTEMPLATE>();
    // The extended template form starts with the signature 1, 0xFFFF.
    if (!r.ok() || (desc->head.style & 0xFFFF0000u) == 0xFFFF0000u) return false;
    std::wstring menu;
    WORD ordinal = 0;
    r.NameOrOrdinal(&menu, &ordinal);
    r.NameOrOrdinal(&desc->className, &ordinal);
    if (ordinal) desc->className.clear();
    desc->title = r.Text();
    if (desc->head.style & DS_SETFONT) {
        desc->pointSize = r.Read<WORD>();
        desc->face = r.Text();
    }
    for (WORD i = 0; i < desc->head.cdit && r.ok(); ++i) {
        r.Align(4);
        ItemDescription item;
        item.item = r.Read<DLGITEMTEMPLATE>();
        WORD ord = 0;
        r.NameOrOrdinal(&item.className, &ord);
        if (ord) {
            const wchar_t* name = ClassOfOrdinal(ord);
            if (!name) return false;
            item.className = name;
        }
        std::wstring titleText;
        WORD titleOrd = 0;
        r.NameOrOrdinal(&titleText, &titleOrd);
        item.title = titleText;
        WORD extra = r.Read<WORD>();
        r.Skip(extra);
        desc->items.push_back(item);
    }
    return r.ok();
}

void MeasureBaseUnits(HFONT font, int* x, int* y)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, font ? font : GetStockObject(SYSTEM_FONT));
    SIZE s{};
    const wchar_t* letters = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc, letters, 52, &s);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    DeleteDC(dc);
    *x = std::max(1, static_cast<int>((s.cx / 26 + 1) / 2));
    *y = std::max(1, static_cast<int>(tm.tmHeight));
}

bool IsTabStop(HWND h)
{
    DWORD style = static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE));
    return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

HWND FirstTabStop(HWND dialog) { return GetNextDlgTabItem(dialog, nullptr, FALSE); }

// The controls Tab visits, in order: a visible, enabled child that is a
// control parent contributes its own controls in its place.
void CollectTabStops(HWND parent, HWND control, std::vector<HWND>* stops, int depth)
{
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        DWORD style = static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE));
        bool container =
            (GetWindowLongW(c, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
        if (container && depth < 16) {
            if (c == control) stops->push_back(c);
            CollectTabStops(c, control, stops, depth + 1);
        } else if (IsTabStop(c) || c == control) {
            stops->push_back(c);
        }
    }
}

// The dialog whose buttons a key in this dialog works: child dialogs made
// part of their parent hand their keys up.
HWND KeyDialog(HWND dialog)
{
    for (int depth = 0; depth < 16; ++depth) {
        auto state = StateOf(dialog);
        if (!state || !state->partOfParent) break;
        HWND parent = GetParent(dialog);
        if (!parent || !StateOf(parent)) break;
        dialog = parent;
    }
    return dialog;
}

HWND CreateDialogInternal(HINSTANCE instance, const DLGTEMPLATE* templ, HWND owner, DLGPROC proc, LPARAM param)
{
    DialogDescription desc;
    if (!ParseTemplate(templ, &desc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto state = std::make_shared<DialogState>();
    state->partOfParent = (desc.head.style & WS_CHILD) && (desc.head.style & DS_CONTROL);
    if (desc.head.style & DS_SETFONT) {
        state->font = CreateFontW(-static_cast<int>((desc.pointSize * 96 + 36) / 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                                  DEFAULT_CHARSET, 0, 0, 0, 0, desc.face.c_str());
        state->ownFont = true;
    }
    MeasureBaseUnits(state->font, &state->baseX, &state->baseY);
    DWORD style = desc.head.style;
    DWORD exStyle = desc.head.dwExtendedStyle;
    if (style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
    if (style & DS_CONTROL) exStyle |= WS_EX_CONTROLPARENT;
    DWORD windowStyle = style & ~(WS_VISIBLE | 0xFFFFu);
    RECT r{0, 0, desc.head.cx * state->baseX / 4, desc.head.cy * state->baseY / 8};
    AdjustWindowRectEx(&r, windowStyle, FALSE, exStyle);
    POINT at{desc.head.x * state->baseX / 4, desc.head.y * state->baseY / 8};
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    if (root && !(style & DS_ABSALIGN) && !(style & WS_CHILD)) ClientToScreen(root, &at);
    if (style & WS_CHILD) root = owner;
    const wchar_t* cls = desc.className.empty() ? kDialogClass : desc.className.c_str();
    HWND h =
        CreateWindowExW(exStyle, cls, desc.title.c_str(), windowStyle, at.x, at.y, r.right - r.left, r.bottom - r.top,
                        style & WS_CHILD ? owner : root, nullptr, instance, reinterpret_cast<LPVOID>(param));
    if (!h) {
        if (state->ownFont) DeleteObject(state->font);
        return nullptr;
    }
    States()[h] = state;
    SetWindowLongPtrW(h, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    if (state->font) SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    for (const ItemDescription& it : desc.items) {
        const DLGITEMTEMPLATE& d = it.item;
        HWND c = CreateWindowExW(d.dwExtendedStyle | WS_EX_NOPARENTNOTIFY, it.className.c_str(), it.title.c_str(),
                                 d.style | WS_CHILD, d.x * state->baseX / 4, d.y * state->baseY / 8,
                                 d.cx * state->baseX / 4, d.cy * state->baseY / 8, h,
                                 reinterpret_cast<HMENU>(static_cast<uintptr_t>(d.id)), instance, nullptr);
        if (!c) {
            DestroyWindow(h);
            return nullptr;
        }
        if (state->font) SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
    }
    HWND focus = FirstTabStop(h);
    if (SendMessageW(h, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param) && IsWindow(h)) {
        if (HWND f = FirstTabStop(h)) SetFocus(f);
    }
    if (!IsWindow(h)) return nullptr;
    if ((style & WS_VISIBLE) && !state->ended) ShowWindow(h, SW_SHOW);
    return IsWindow(h) ? h : nullptr;
}

HWND DefaultButton(HWND dialog)
{
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
        if (SendMessageW(c, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) return c;
    return nullptr;
}

LRESULT DialogDefaults(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto state = StateOf(h);
    switch (message) {
    case WM_ERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        auto brush = reinterpret_cast<HBRUSH>(SendMessageW(h, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(h)));
        RECT r;
        GetClientRect(h, &r);
        FillRect(dc, &r, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_CLOSE:
        PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(h, IDCANCEL)));
        return 0;
    case WM_SETFONT: return 0;
    case WM_GETFONT: return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case WM_ACTIVATE:
        if (!state) break;
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND f = GetFocus();
            if (f && IsChild(h, f)) state->savedFocus = f;
        } else if (state->savedFocus && IsWindow(state->savedFocus) && IsChild(h, state->savedFocus)) {
            SetFocus(state->savedFocus);
        } else if (HWND f = FirstTabStop(h)) {
            SetFocus(f);
        } else {
            SetFocus(h);
        }
        return 0;
    case WM_SETFOCUS:
        if (HWND f = FirstTabStop(h)) SetFocus(f);
        return 0;
    case WM_NEXTDLGCTL: {
        HWND target = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(h, GetFocus(), wParam != 0);
        if (target) SetFocus(target);
        return 0;
    }
    case DM_GETDEFID: {
        WORD id = state ? state->defId : 0;
        if (!id)
            if (HWND b = DefaultButton(h)) id = static_cast<WORD>(GetDlgCtrlID(b));
        return id ? MAKELONG(id, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID: {
        if (HWND old = DefaultButton(h)) SendMessageW(old, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
        if (state) state->defId = static_cast<WORD>(wParam);
        if (HWND b = GetDlgItem(h, static_cast<int>(wParam))) {
            if (SendMessageW(b, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)
                SendMessageW(b, BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
        }
        return TRUE;
    }
    case WM_NCDESTROY: {
        if (state && state->ownFont) {
            DeleteObject(state->font);
            state->ownFont = false;
        }
        States().erase(h);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    default: break;
    }
    return DefWindowProcW(h, message, wParam, lParam);
}

bool ReturnsItself(UINT message)
{
    return message == WM_INITDIALOG || message == WM_CTLCOLORBTN || message == WM_CTLCOLORDLG ||
           message == WM_CTLCOLORSTATIC || (message >= 0x0132 && message <= 0x0138);
}

}  // namespace

LRESULT DefDlgProcW(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongPtrW(h, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongPtrW(h, DWLP_MSGRESULT, 0);
        INT_PTR r = proc(h, message, wParam, lParam);
        if (!IsWindow(h)) return r;
        if (r) return ReturnsItself(message) ? r : GetWindowLongPtrW(h, DWLP_MSGRESULT);
    }
    return DialogDefaults(h, message, wParam, lParam);
}

namespace win32_gui {

void RegisterDialogClass()
{
    WNDCLASSEXW wc;
    wc.style = CS_DBLCLKS | CS_SAVEBITS;
    wc.lpfnWndProc = DefDlgProcW;
    wc.cbWndExtra = DWLP_USER + static_cast<int>(sizeof(LONG_PTR));
    wc.lpszClassName = kDialogClass;
    RegisterClassExW(&wc);
}

}  // namespace win32_gui

HWND CreateDialogIndirectParamW(HINSTANCE instance, const DLGTEMPLATE* templ, HWND owner, DLGPROC proc, LPARAM param)
{
    return CreateDialogInternal(instance, templ, owner, proc, param);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const DLGTEMPLATE* templ, HWND owner, DLGPROC proc, LPARAM param)
{
    if (owner && !IsWindow(owner)) owner = nullptr;
    HWND root = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
    HWND d = CreateDialogInternal(instance, templ, owner, proc, param);
    if (!d) return -1;
    auto state = StateOf(d);
    if (root && IsWindowEnabled(root) && !state->ended) {
        EnableWindow(root, FALSE);
        state->disabledOwner = root;
    }
    if (!state->ended && IsWindow(d)) ShowWindow(d, SW_SHOW);
    MSG m;
    while (IsWindow(d) && !state->ended) {
        BOOL got = GetMessageW(&m, nullptr, 0, 0);
        if (got == 0) {
            PostQuitMessage(static_cast<int>(m.wParam));  // for the loop outside ours
            break;
        }
        if (got < 0) break;
        if (!IsDialogMessageW(d, &m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
    }
    if (state->disabledOwner && IsWindow(state->disabledOwner)) EnableWindow(state->disabledOwner, TRUE);
    state->disabledOwner = nullptr;
    if (IsWindow(d)) {
        if (root && GetActiveWindow() == d) SetActiveWindow(root);
        DestroyWindow(d);
    }
    return state->result;
}

BOOL EndDialog(HWND dialog, INT_PTR result)
{
    auto state = StateOf(dialog);
    if (!state) return FALSE;
    state->ended = true;
    state->result = result;
    // The owner takes input again before the dialog goes, so it is the one
    // activated when the dialog is hidden.
    if (state->disabledOwner && IsWindow(state->disabledOwner)) EnableWindow(state->disabledOwner, TRUE);
    state->disabledOwner = nullptr;
    ShowWindow(dialog, SW_HIDE);
    PostMessageW(dialog, WM_NULL, 0, 0);  // wakes the dialog's loop
    return TRUE;
}

BOOL IsDialogMessageW(HWND dialog, MSG* msg)
{
    if (!msg || !IsWindow(dialog)) return FALSE;
    if (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)) return FALSE;
    dialog = KeyDialog(dialog);
    LRESULT code = msg->hwnd ? SendMessageW(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg)) : 0;
    if (msg->message == WM_KEYDOWN && !(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE))) {
        switch (msg->wParam) {
        case VK_TAB:
            if (!(code & DLGC_WANTTAB)) {
                bool back = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
                if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), back)) SetFocus(next);
                return TRUE;
            }
            break;
        case VK_ESCAPE:
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            return TRUE;
        case VK_RETURN: {
            HWND focus = GetFocus();
            WORD id = IDOK;
            if (focus && IsChild(dialog, focus) &&
                (SendMessageW(focus, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) {
                id = static_cast<WORD>(GetDlgCtrlID(focus));
            } else {
                LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
                if (HIWORD(static_cast<DWORD>(def)) == DC_HASDEFID) id = LOWORD(static_cast<DWORD>(def));
            }
            HWND button = GetDlgItem(dialog, id);
            if (!button || IsWindowEnabled(button))
                SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
            return TRUE;
        }
        default: break;
        }
    }
    if (msg->message == WM_CHAR && !(code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE | DLGC_WANTCHARS)) &&
        (msg->wParam == L'\r' || msg->wParam == L'\x1b' || (msg->wParam == L'\t' && !(code & DLGC_WANTTAB))))
        return TRUE;
    TranslateMessage(msg);
    DispatchMessageW(msg);
    return TRUE;
}

BOOL MapDialogRect(HWND dialog, RECT* r)
{
    auto state = StateOf(dialog);
    if (!state || !r) return FALSE;
    r->left = r->left * state->baseX / 4;
    r->right = r->right * state->baseX / 4;
    r->top = r->top * state->baseY / 8;
    r->bottom = r->bottom * state->baseY / 8;
    return TRUE;
}

LONG GetDialogBaseUnits()
{
    int x = 0, y = 0;
    MeasureBaseUnits(nullptr, &x, &y);
    return static_cast<LONG>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    std::vector<HWND> stops;
    CollectTabStops(dialog, control, &stops, 0);
    if (stops.empty()) return nullptr;
    auto it = std::find(stops.begin(), stops.end(), control);
    size_t n = stops.size();
    size_t start = it == stops.end() ? (previous ? 0 : n - 1) : static_cast<size_t>(it - stops.begin());
    for (size_t k = 1; k <= n; ++k) {
        size_t i = previous ? (start + n - k) % n : (start + k) % n;
        if (IsTabStop(stops[i])) return stops[i];
    }
    return nullptr;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND c = GetDlgItem(dialog, id);
    return c ? SendMessageW(c, message, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text)
{
    HWND c = GetDlgItem(dialog, id);
    return c ? SetWindowTextW(c, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int bufferChars)
{
    HWND c = GetDlgItem(dialog, id);
    if (!c) {
        if (buffer && bufferChars > 0) buffer[0] = L'\0';
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(c, buffer, bufferChars));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check)
{
    return SendDlgItemMessageW(dialog, id, BM_SETCHECK, check, 0) == 0 && GetDlgItem(dialog, id) ? TRUE : FALSE;
}

UINT IsDlgButtonChecked(HWND dialog, int id)
{
    return static_cast<UINT>(SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0));
}
