#include "CWnd.h"

#include <cwctype>
#include <memory>
#include <unordered_map>
#include <vector>

#include "platform/mfc/CMenu.h"
#include "platform/mfc/ControlClasses.h"
#include "platform/mfc/DataExchange.h"
#include "platform/mfc/DragDrop.h"
#include "platform/win32/gui/Cursors.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/MessageBox.h"
#include "platform/win32/gui/Monitors.h"
#include "platform/win32/gui/SystemMenu.h"

namespace {

constexpr const wchar_t* kLibraryClass = L"AfxWnd";

std::unordered_map<HWND, CWnd*>& Permanent()
{
    static std::unordered_map<HWND, CWnd*> m;
    return m;
}

std::unordered_map<HWND, std::unique_ptr<CWnd>>& Temporary()
{
    static std::unordered_map<HWND, std::unique_ptr<CWnd>> m;
    return m;
}

// The window object being created, taken by the window's first message.
thread_local CWnd* t_creating = nullptr;
// The messages being handled, innermost last.
thread_local std::vector<MSG> t_messages;
// Modal loops running, outermost first.
thread_local int t_modalDepth = 0;

CWnd* g_mainWnd = nullptr;
ModalLoopObserver g_modalObserver = nullptr;

bool IsLibraryProc(WNDPROC proc) { return proc == &CWnd::StdWndProc; }

bool ClassUsesLibraryProc(LPCWSTR className)
{
    WNDCLASSEXW wc;
    return className && GetClassInfoExW(nullptr, className, &wc) && IsLibraryProc(wc.lpfnWndProc);
}

void RegisterLibraryClass()
{
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEXW wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CWnd::StdWndProc;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kLibraryClass;
    RegisterClassExW(&wc);
}

void ObserveControlCreation(HWND window);

void InstallCreationObserver()
{
    static bool done = false;
    if (done) return;
    done = true;
    mfc_controls::SetCreationObserver(ObserveControlCreation);
}

// Hands a message to a control's own object; TRUE when it handled it.
BOOL ReflectMessage(HWND child, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    CWnd* c = CWnd::FromHandlePermanent(child);
    if (!c) return FALSE;
    LRESULT local = 0;
    return c->OnChildNotify(message, wParam, lParam, result ? result : &local);
}

}  // namespace

// ---- CCmdTarget ------------------------------------------------------------------

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY entries[] = {{0, 0, 0, 0, nullptr, nullptr}};
    static const AFX_MSGMAP map = {nullptr, &entries[0]};
    return &map;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const { return GetThisMessageMap(); }

const AFX_MSGMAP_ENTRY* CCmdTarget::FindEntry(UINT message, UINT code, UINT id) const
{
    for (const AFX_MSGMAP* map = GetMessageMap(); map; map = map->pfnGetBaseMap ? map->pfnGetBaseMap() : nullptr) {
        for (const AFX_MSGMAP_ENTRY* e = map->lpEntries; e && e->pfn; ++e) {
            bool sameMessage =
                e->pRegistered ? (*e->pRegistered != 0 && *e->pRegistered == message) : e->nMessage == message;
            if (sameMessage && e->nCode == code && id >= e->nID && id <= e->nLastID) return e;
        }
    }
    return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT nID, int nCode, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    const AFX_MSGMAP_ENTRY* e = FindEntry(message, static_cast<UINT>(nCode), nID);
    if (!e) return FALSE;
    LRESULT local = 0;
    return e->pfn(this, wParam, lParam, pResult ? pResult : &local);
}

// ---- Objects and handles ---------------------------------------------------------

CWnd::CWnd() { InstallCreationObserver(); }

CWnd::CWnd(HWND window) : m_hWnd(window) {}

CWnd::~CWnd()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) ::DestroyWindow(m_hWnd);
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) Permanent().erase(m_hWnd);
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    auto it = Permanent().find(window);
    return it == Permanent().end() ? nullptr : it->second;
}

CWnd* CWnd::FromHandle(HWND window)
{
    if (!window) return nullptr;
    if (CWnd* p = FromHandlePermanent(window)) return p;
    auto& temps = Temporary();
    auto it = temps.find(window);
    if (it != temps.end()) return it->second.get();
    auto wrapper = std::make_unique<CWnd>(window);
    wrapper->temporary_ = true;
    CWnd* p = wrapper.get();
    temps.emplace(window, std::move(wrapper));
    return p;
}

void CWnd::DeleteTempMap()
{
    Temporary().clear();
    CDC::DeleteTempMap();
    CMenu::DeleteTempMap();
}

BOOL CWnd::Attach(HWND window)
{
    if (!window || m_hWnd || FromHandlePermanent(window)) return FALSE;
    m_hWnd = window;
    Permanent()[window] = this;
    return TRUE;
}

HWND CWnd::Detach()
{
    HWND h = m_hWnd;
    if (!h) return nullptr;
    if (FromHandlePermanent(h) == this) Permanent().erase(h);
    if (m_pfnSuper && ::IsWindow(h) &&
        reinterpret_cast<WNDPROC>(::GetWindowLongPtrW(h, GWLP_WNDPROC)) == &CWnd::StdWndProc)
        ::SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pfnSuper = nullptr;
    m_hWnd = nullptr;
    return h;
}

void CWnd::AttachAndSubclass(HWND window)
{
    if (!Attach(window)) return;
    PreSubclassWindow();
    auto old = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::StdWndProc)));
    m_pfnSuper = IsLibraryProc(old) ? ::DefWindowProcW : old;
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (!::IsWindow(window) || m_hWnd || FromHandlePermanent(window)) return FALSE;
    AttachAndSubclass(window);
    return m_hWnd == window;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!parent) return FALSE;
    HWND control = ::GetDlgItem(parent->m_hWnd, static_cast<int>(id));
    return control ? SubclassWindow(control) : FALSE;
}

HWND CWnd::UnsubclassWindow() { return Detach(); }

void CWnd::PreSubclassWindow() {}

namespace {

void ObserveControlCreation(HWND window)
{
    CWnd* p = t_creating;
    if (!p || CWnd::FromHandlePermanent(window)) return;
    t_creating = nullptr;
    p->SubclassWindow(window);
}

}  // namespace

// ---- The window procedure ---------------------------------------------------------

LRESULT AfxCallWndProc(CWnd* wnd, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG m;
    m.hwnd = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    t_messages.push_back(m);
    LRESULT result = wnd->WindowProc(message, wParam, lParam);
    t_messages.pop_back();
    if (message == WM_NCDESTROY && CWnd::FromHandlePermanent(window) == wnd) {
        // The window is gone: the object lets go of it (the procedure stays, as
        // nothing can reach the window any more) and may delete itself.
        Permanent().erase(window);
        wnd->m_hWnd = nullptr;
        wnd->m_pfnSuper = nullptr;
        wnd->PostNcDestroy();
    }
    return result;
}

LRESULT CWnd::StdWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* p = FromHandlePermanent(window);
    if (!p && t_creating) {
        p = t_creating;
        t_creating = nullptr;
        p->Attach(window);
        p->PreSubclassWindow();
        p->m_pfnSuper = ::DefWindowProcW;
    }
    if (!p) return ::DefWindowProcW(window, message, wParam, lParam);
    return AfxCallWndProc(p, window, message, wParam, lParam);
}

const MSG* CWnd::GetCurrentMessage() { return t_messages.empty() ? nullptr : &t_messages.back(); }

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (!OnWndMsg(message, wParam, lParam, &result)) result = DefWindowProc(message, wParam, lParam);
    return result;
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (m_pfnSuper) return ::CallWindowProcW(m_pfnSuper, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcW(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::Default()
{
    const MSG* m = GetCurrentMessage();
    if (!m || m->hwnd != m_hWnd) return 0;
    MSG copy = *m;
    return DefWindowProc(copy.message, copy.wParam, copy.lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    LRESULT r = 0;
    if (message == WM_COMMAND) {
        if (!OnCommand(wParam, lParam)) return FALSE;
        *result = 1;
        return TRUE;
    }
    if (message == WM_NOTIFY) {
        if (!lParam || !OnNotify(wParam, lParam, &r)) return FALSE;
        *result = r;
        return TRUE;
    }
    if (const AFX_MSGMAP_ENTRY* e = FindEntry(message, 0, 0)) {
        if (e->pfn(this, wParam, lParam, &r)) {
            *result = r;
            return TRUE;
        }
    }
    // With no handler of the parent's own, the notifications below go back
    // to the control that sent them.
    HWND control = nullptr;
    switch (message) {
    case WM_DRAWITEM:
        if (lParam && reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->CtlType != ODT_MENU)
            control = reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_MEASUREITEM:
        if (lParam && reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlType != ODT_MENU)
            control = ::GetDlgItem(m_hWnd, static_cast<int>(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->CtlID));
        break;
    case WM_DELETEITEM:
        if (lParam) control = reinterpret_cast<DELETEITEMSTRUCT*>(lParam)->hwndItem;
        break;
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: control = reinterpret_cast<HWND>(lParam); break;
    default: break;
    }
    if (control && ReflectMessage(control, message, wParam, lParam, &r)) {
        *result = (message == WM_DRAWITEM || message == WM_MEASUREITEM || message == WM_DELETEITEM) ? TRUE : r;
        return TRUE;
    }
    return FALSE;
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam)
{
    UINT id = LOWORD(wParam);
    auto control = reinterpret_cast<HWND>(lParam);
    int code = HIWORD(wParam);
    if (control) {
        if (ReflectMessage(control, WM_COMMAND, wParam, lParam, nullptr)) return TRUE;
    } else {
        code = CN_COMMAND;  // menus and accelerators
    }
    LRESULT r = 0;
    return OnCmdMsg(id, code, WM_COMMAND, wParam, lParam, &r);
}

BOOL CWnd::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    auto* header = reinterpret_cast<NMHDR*>(lParam);
    if (header->hwndFrom && ReflectMessage(header->hwndFrom, WM_NOTIFY, wParam, lParam, result)) return TRUE;
    return OnCmdMsg(static_cast<UINT>(header->idFrom), static_cast<int>(header->code), WM_NOTIFY, wParam, lParam,
                    result);
}

BOOL CWnd::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    return ReflectChildNotify(message, wParam, lParam, result);
}

BOOL CWnd::ReflectChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    switch (message) {
    case WM_COMMAND: return OnCmdMsg(0, HIWORD(wParam), WM_REFLECT_BASE + WM_COMMAND, wParam, lParam, result);
    case WM_NOTIFY:
        if (!lParam) return FALSE;
        return OnCmdMsg(0, static_cast<int>(reinterpret_cast<NMHDR*>(lParam)->code), WM_REFLECT_BASE + WM_NOTIFY,
                        wParam, lParam, result);
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_DELETEITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORSCROLLBAR: {
        LRESULT r = 0;
        if (const AFX_MSGMAP_ENTRY* e = FindEntry(WM_REFLECT_BASE + message, 0, 0)) {
            if (e->pfn(this, wParam, lParam, &r)) {
                if (result) *result = r;
                return TRUE;
            }
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

BOOL CWnd::ReflectLastMsg(HWND child, LRESULT* result)
{
    const MSG* m = GetCurrentMessage();
    if (!m) return FALSE;
    MSG copy = *m;
    return ReflectMessage(child, copy.message, copy.wParam, copy.lParam, result);
}

BOOL CWnd::PreTranslateMessage(MSG*) { return FALSE; }

BOOL AfxPreTranslateMessage(MSG* msg)
{
    HWND h = msg->hwnd;
    while (h && ::IsWindow(h)) {
        if (CWnd* p = CWnd::FromHandlePermanent(h))
            if (p->PreTranslateMessage(msg)) return TRUE;
        if (!::IsWindow(h) || !(::GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
        h = ::GetAncestor(h, GA_PARENT);
    }
    return FALSE;
}

// ---- Creation and destruction ----------------------------------------------------

BOOL CWnd::PreCreateWindow(CREATESTRUCTW& cs)
{
    if (!cs.lpszClass) {
        RegisterLibraryClass();
        cs.lpszClass = kLibraryClass;
    }
    return TRUE;
}

void CWnd::PostNcDestroy() {}

BOOL CWnd::Create(LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent, UINT id, void*)
{
    return CreateEx(0, className, windowName, style | WS_CHILD, rect, parent, id);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, const RECT& rect, CWnd* parent,
                    UINT id, LPVOID param)
{
    return CreateEx(exStyle, className, windowName, style, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent ? parent->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), param);
}

BOOL CWnd::CreateEx(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                    int height, HWND parent, HMENU idOrMenu, LPVOID param)
{
    if (m_hWnd) return FALSE;
    RegisterControlClasses();
    InstallCreationObserver();
    CREATESTRUCTW cs;
    cs.dwExStyle = exStyle;
    cs.lpszClass = className;
    cs.lpszName = windowName;
    cs.style = static_cast<LONG>(style);
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.hwndParent = parent;
    cs.hMenu = idOrMenu;
    cs.lpCreateParams = param;
    if (!PreCreateWindow(cs)) {
        PostNcDestroy();
        return FALSE;
    }
    // Windows of the library's classes and of the layer's controls let the
    // object take them at their first message, so that it sees WM_CREATE;
    // others are taken once made.
    bool early = ClassUsesLibraryProc(cs.lpszClass) || mfc_controls::ClassNotifiesCreation(cs.lpszClass);
    CWnd* saved = t_creating;
    if (early) t_creating = this;
    HWND h = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y, cs.cx,
                               cs.cy, cs.hwndParent, cs.hMenu, nullptr, cs.lpCreateParams);
    if (t_creating == this) t_creating = saved;
    if (!h) return FALSE;
    if (!m_hWnd) SubclassWindow(h);
    return m_hWnd == h;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd) return FALSE;
    bool permanent = FromHandlePermanent(m_hWnd) == this;
    BOOL ok = ::DestroyWindow(m_hWnd);
    if (!permanent) m_hWnd = nullptr;
    return ok;
}

// ---- Text and items ------------------------------------------------------------------

void CWnd::GetWindowText(CString& text) const
{
    int n = ::GetWindowTextLengthW(m_hWnd);
    std::wstring buffer(static_cast<size_t>(n) + 1, L'\0');
    int got = ::GetWindowTextW(m_hWnd, buffer.data(), n + 1);
    buffer.resize(static_cast<size_t>(std::max(0, got)));
    text = CString(std::move(buffer));
}

void CWnd::SetFont(CFont* font, BOOL redraw)
{
    SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font ? font->m_hObject : nullptr), redraw);
}

CFont* CWnd::GetFont() const
{
    // The font object belongs to whoever set it; a wrapper that never
    // deletes it is handed out.
    struct Borrowed : CFont {
        ~Borrowed() override { Detach(); }
    };
    static thread_local Borrowed wrapper;
    wrapper.Detach();
    auto h = reinterpret_cast<HGDIOBJ>(SendMessage(WM_GETFONT));
    if (!h) return nullptr;
    wrapper.Attach(h);
    return &wrapper;
}

CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::GetDlgItem(m_hWnd, id)); }

int CWnd::GetDlgItemText(int id, CString& text) const
{
    HWND c = ::GetDlgItem(m_hWnd, id);
    if (!c) {
        text.Empty();
        return 0;
    }
    CWnd(c).GetWindowText(text);
    return text.GetLength();
}

void CWnd::SetDlgItemInt(int id, UINT value, BOOL isSigned)
{
    std::wstring text = isSigned ? std::to_wstring(static_cast<int>(value)) : std::to_wstring(value);
    ::SetDlgItemTextW(m_hWnd, id, text.c_str());
}

UINT CWnd::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const
{
    if (translated) *translated = FALSE;
    CString text;
    if (!::GetDlgItem(m_hWnd, id)) return 0;
    GetDlgItemText(id, text);
    const std::wstring& s = text.str();
    size_t i = 0;
    while (i < s.size() && std::iswspace(s[i])) ++i;
    bool negative = false;
    if (isSigned && i < s.size() && s[i] == L'-') {
        negative = true;
        ++i;
    }
    size_t digits = i;
    unsigned long long v = 0;
    while (i < s.size() && s[i] >= L'0' && s[i] <= L'9') {
        v = v * 10 + static_cast<unsigned>(s[i] - L'0');
        if (v > 0xFFFFFFFFull) return 0;
        ++i;
    }
    if (i == digits) return 0;
    while (i < s.size() && std::iswspace(s[i])) ++i;
    if (i != s.size()) return 0;
    if (isSigned && (negative ? v > 0x80000000ull : v > 0x7FFFFFFFull)) return 0;
    if (translated) *translated = TRUE;
    return negative ? static_cast<UINT>(-static_cast<long long>(v)) : static_cast<UINT>(v);
}

void CWnd::CheckRadioButton(int first, int last, int check)
{
    for (int id = first; id <= last; ++id) ::CheckDlgButton(m_hWnd, id, id == check ? BST_CHECKED : BST_UNCHECKED);
}

int CWnd::GetCheckedRadioButton(int first, int last) const
{
    for (int id = first; id <= last; ++id)
        if (::IsDlgButtonChecked(m_hWnd, id) == BST_CHECKED) return id;
    return 0;
}

CWnd* CWnd::GetNextDlgTabItem(CWnd* control, BOOL previous) const
{
    return FromHandle(::GetNextDlgTabItem(m_hWnd, control ? control->m_hWnd : nullptr, previous));
}

// ---- State and geometry ------------------------------------------------------------

namespace {
BOOL Modify(HWND h, int index, DWORD remove, DWORD add, UINT flags)
{
    DWORD old = static_cast<DWORD>(::GetWindowLongW(h, index));
    DWORD now = (old & ~remove) | add;
    if (now == old) return FALSE;
    ::SetWindowLongW(h, index, static_cast<LONG>(now));
    if (flags) ::SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    return TRUE;
}
}  // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT flags) { return Modify(m_hWnd, GWL_STYLE, remove, add, flags); }
BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT flags)
{
    return Modify(m_hWnd, GWL_EXSTYLE, remove, add, flags);
}

BOOL CWnd::SetWindowPos(const CWnd* insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}

void CWnd::ClientToScreen(LPRECT r) const { ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(r), 2); }

void CWnd::ScreenToClient(LPRECT r) const { ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(r), 2); }

void CWnd::MapWindowPoints(CWnd* to, LPRECT r) const
{
    ::MapWindowPoints(m_hWnd, to ? to->m_hWnd : nullptr, reinterpret_cast<POINT*>(r), 2);
}

void CWnd::CenterWindow(CWnd* alternateOwner)
{
    RECT mine;
    ::GetWindowRect(m_hWnd, &mine);
    bool child = (GetStyle() & WS_CHILD) != 0;
    HWND center = alternateOwner ? alternateOwner->m_hWnd : child ? ::GetParent(m_hWnd) : ::GetWindow(m_hWnd, GW_OWNER);
    RECT area;
    HMONITOR monitor = MonitorFromRect(&mine, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info;
    GetMonitorInfoW(monitor, &info);
    RECT work = info.rcWork;
    if (center && ::IsWindowVisible(center) && !::IsIconic(center))
        ::GetWindowRect(center, &area);
    else
        area = work;
    int width = mine.right - mine.left, height = mine.bottom - mine.top;
    int x = (area.left + area.right) / 2 - width / 2;
    int y = (area.top + area.bottom) / 2 - height / 2;
    if (!child) {
        // A top-level window stays inside the work area.
        x = std::max(work.left, std::min(x, static_cast<int>(work.right) - width));
        y = std::max(work.top, std::min(y, static_cast<int>(work.bottom) - height));
    } else {
        POINT p{x, y};
        ::ScreenToClient(::GetParent(m_hWnd), &p);
        x = p.x;
        y = p.y;
    }
    ::SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::GetActiveWindow() { return FromHandle(::GetActiveWindow()); }
CWnd* CWnd::SetActiveWindow() { return FromHandle(::SetActiveWindow(m_hWnd)); }
CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }
CWnd* CWnd::GetOwner() const { return FromHandle(::GetWindow(m_hWnd, GW_OWNER)); }
CWnd* CWnd::SetParent(CWnd* parent) { return FromHandle(::SetParent(m_hWnd, parent ? parent->m_hWnd : nullptr)); }
CWnd* CWnd::GetTopLevelParent() const { return FromHandle(::GetAncestor(m_hWnd, GA_ROOT)); }
CWnd* CWnd::GetWindow(UINT relation) const { return FromHandle(::GetWindow(m_hWnd, relation)); }

HICON CWnd::SetIcon(HICON icon, BOOL big)
{
    return reinterpret_cast<HICON>(SendMessage(WM_SETICON, big ? 1 : 0, reinterpret_cast<LPARAM>(icon)));
}

HICON CWnd::GetIcon(BOOL big) const { return reinterpret_cast<HICON>(SendMessage(WM_GETICON, big ? 1 : 0)); }

void CWnd::DragAcceptFiles(BOOL accept) { ::DragAcceptFiles(m_hWnd, accept); }

CMenu* CWnd::GetSystemMenu(BOOL revert) const { return CMenu::FromHandle(::GetSystemMenu(m_hWnd, revert)); }

CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }

int CWnd::ReleaseDC(CDC* dc) { return dc ? ::ReleaseDC(m_hWnd, dc->m_hDC) : 0; }

int CWnd::MessageBox(LPCWSTR text, LPCWSTR caption, UINT type)
{
    return ::MessageBoxW(m_hWnd, text, caption ? caption : L"", type);
}

// ---- Data exchange --------------------------------------------------------------------

BOOL CWnd::UpdateData(BOOL saveAndValidate)
{
    CDataExchange dx(this, saveAndValidate);
    DoDataExchange(&dx);
    if (dx.Failed()) {
        dx.FocusFailedControl();
        return FALSE;
    }
    return TRUE;
}

void CWnd::DoDataExchange(CDataExchange*) {}

// ---- Modal loops --------------------------------------------------------------------

int CWnd::RunModalLoop()
{
    m_nFlags |= WF_MODALLOOP;
    if (!(m_nFlags & WF_CONTINUEMODAL)) {
        m_nFlags &= ~WF_MODALLOOP;
        return m_nModalResult;
    }
    HWND self = m_hWnd;
    if (!(GetStyle() & WS_VISIBLE)) ::ShowWindow(self, SW_SHOWNORMAL);
    if (g_modalObserver && ::IsWindow(self) && (m_nFlags & WF_CONTINUEMODAL)) g_modalObserver(this);
    ++t_modalDepth;
    while ((m_nFlags & WF_CONTINUEMODAL) && ::IsWindow(self)) {
        MSG msg;
        // Temporary objects go when the outermost loop is idle: no handler of
        // a nested loop can still hold one then.
        if (t_modalDepth == 1 && !::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) DeleteTempMap();
        BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: the loop of the caller sees the quit too.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (got < 0) break;
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    --t_modalDepth;
    // The object may be gone when its window deleted it; only touch it when
    // the window still belongs to it.
    if (::IsWindow(self) && FromHandlePermanent(self) == this) m_nFlags &= ~(WF_MODALLOOP | WF_CONTINUEMODAL);
    return m_nModalResult;
}

void CWnd::EndModalLoop(int result)
{
    m_nModalResult = result;
    if (m_nFlags & WF_CONTINUEMODAL) {
        m_nFlags &= ~WF_CONTINUEMODAL;
        ::PostMessageW(m_hWnd, WM_NULL, 0, 0);  // wakes the loop
    }
}

// ---- Default handlers -------------------------------------------------------------------

int CWnd::OnCreate(LPCREATESTRUCTW) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CWnd* control)
{
    if (control && ReflectLastMsg(control->m_hWnd)) return;
    Default();
}
void CWnd::OnVScroll(UINT, UINT, CWnd* control)
{
    if (control && ReflectLastMsg(control->m_hWnd)) return;
    Default();
}
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnDropFiles(HDROP) { Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
BOOL CWnd::OnHelpInfo(HELPINFO*) { return static_cast<BOOL>(Default()); }
HBRUSH CWnd::OnCtlColor(CDC*, CWnd* control, UINT)
{
    LRESULT r = 0;
    if (control && ReflectLastMsg(control->m_hWnd, &r)) return reinterpret_cast<HBRUSH>(r);
    return reinterpret_cast<HBRUSH>(Default());
}
BOOL CWnd::OnSetCursor(CWnd*, UINT, UINT) { return static_cast<BOOL>(Default()); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT item)
{
    if (item && item->CtlType != ODT_MENU && ReflectLastMsg(item->hwndItem)) return;
    Default();
}
void CWnd::OnMeasureItem(int, LPMEASUREITEMSTRUCT item)
{
    if (item && item->CtlType != ODT_MENU) {
        if (HWND c = ::GetDlgItem(m_hWnd, static_cast<int>(item->CtlID)); c && ReflectLastMsg(c)) return;
    }
    Default();
}
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
UINT CWnd::OnGetDlgCode() { return static_cast<UINT>(Default()); }
void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }

// ---- Program-wide ----------------------------------------------------------------------

CWnd* AfxGetMainWnd() { return g_mainWnd; }
void AfxSetMainWnd(CWnd* window) { g_mainWnd = window; }

int AfxMessageBox(LPCWSTR text, UINT type, UINT)
{
    HWND owner = ::GetActiveWindow();
    if (!owner && g_mainWnd) owner = g_mainWnd->m_hWnd;
    CString caption;
    if (g_mainWnd && g_mainWnd->m_hWnd) g_mainWnd->GetWindowText(caption);
    if (!(type & 0xF0)) type |= MB_ICONEXCLAMATION;
    return ::MessageBoxW(owner, text, caption, type);
}

LPCWSTR AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    static std::unordered_map<std::wstring, std::unique_ptr<std::wstring>> names;
    std::wstring name = FormatText(L"Afx:%x:%p:%p:%p", classStyle, static_cast<const void*>(cursor),
                                   static_cast<const void*>(background), static_cast<const void*>(icon));
    auto it = names.find(name);
    if (it != names.end()) return it->second->c_str();
    WNDCLASSEXW wc;
    wc.style = classStyle;
    wc.lpfnWndProc = &CWnd::StdWndProc;
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.hIcon = icon;
    auto stored = std::make_unique<std::wstring>(name);
    wc.lpszClassName = stored->c_str();
    RegisterClassExW(&wc);
    LPCWSTR result = stored->c_str();
    names.emplace(name, std::move(stored));
    return result;
}

void SetModalLoopObserver(ModalLoopObserver observer) { g_modalObserver = observer; }
