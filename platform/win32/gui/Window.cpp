#include "Window.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <unordered_map>
#include <unordered_set>

#include "ButtonControl.h"
#include "Dialog.h"
#include "Focus.h"
#include "Input.h"
#include "MessageQueue.h"
#include "Paint.h"
#include "StaticControl.h"
#include "SystemMenu.h"
#include "Timers.h"
#include "WindowGeometry.h"
#include "WindowObject.h"
#include "WindowStates.h"
#include "WindowWidget.h"
#include "platform/win32/CString.h"

namespace win32_gui {
namespace {

struct ClassTable {
    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
};

ClassTable& Classes()
{
    static ClassTable table;
    return table;
}

struct HandleTable {
    std::unordered_map<uintptr_t, std::shared_ptr<WindowObject>> windows;
    std::vector<HWND> topLevel;  // topmost first
    uintptr_t next = 0x10000;
    std::mutex liveLock;
    std::unordered_set<uintptr_t> live;
};

HandleTable& Handles()
{
    static HandleTable table;
    return table;
}

uintptr_t Key(HWND h) { return reinterpret_cast<uintptr_t>(h); }

std::shared_ptr<WindowClass> FindClass(LPCWSTR name)
{
    if (!name) return nullptr;
    // The system's own classes exist from the first look-up on.
    static bool systemClasses = false;
    if (!systemClasses) {
        systemClasses = true;
        RegisterButtonClass();
        RegisterStaticClass();
        RegisterDialogClass();
    }
    for (auto& c : Classes().classes) {
        if (IS_INTRESOURCE(name) ? c->atom == static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(name))
                                 : CompareNoCase(c->name, name) == 0)
            return c;
    }
    return nullptr;
}

std::vector<HWND>& SiblingsOf(WindowObject& w)
{
    if (w.IsChild()) {
        if (WindowObject* p = Find(w.parent)) return p->children;
    }
    return Handles().topLevel;
}

void Unlink(WindowObject& w)
{
    auto& list = SiblingsOf(w);
    list.erase(std::remove(list.begin(), list.end(), w.handle), list.end());
}

// Reads or writes a LONG_PTR at any byte offset inside an extra-bytes block.
bool ReadExtra(const std::vector<BYTE>& bytes, int index, LONG_PTR* value)
{
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > bytes.size()) return false;
    std::memcpy(value, bytes.data() + index, sizeof(LONG_PTR));
    return true;
}

bool WriteExtra(std::vector<BYTE>& bytes, int index, LONG_PTR value)
{
    if (index < 0 || static_cast<size_t>(index) + sizeof(LONG_PTR) > bytes.size()) return false;
    std::memcpy(bytes.data() + index, &value, sizeof(LONG_PTR));
    return true;
}

}  // namespace

RECT WindowObject::ClientRectInWindow() const
{
    RECT r{clientInset.left, clientInset.top, Width() - clientInset.right, Height() - clientInset.bottom};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

WindowObject* Find(HWND window)
{
    auto& t = Handles();
    auto it = t.windows.find(Key(window));
    return it == t.windows.end() ? nullptr : it->second.get();
}

WindowObject* Lookup(HWND window)
{
    WindowObject* w = Find(window);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

std::shared_ptr<WindowObject> Hold(HWND window)
{
    auto& t = Handles();
    auto it = t.windows.find(Key(window));
    return it == t.windows.end() ? nullptr : it->second;
}

bool IsLiveHandle(HWND window)
{
    auto& t = Handles();
    std::lock_guard<std::mutex> guard(t.liveLock);
    return t.live.count(Key(window)) != 0;
}

std::vector<HWND>& TopLevelWindows() { return Handles().topLevel; }

void BringToTop(HWND window)
{
    WindowObject* w = Find(window);
    if (!w) return;
    auto& list = SiblingsOf(*w);
    list.erase(std::remove(list.begin(), list.end(), window), list.end());
    auto pos = list.begin();
    // Windows that stay on top keep their place above the others.
    if (!w->IsChild() && !(w->exStyle & WS_EX_TOPMOST)) {
        while (pos != list.end()) {
            WindowObject* o = Find(*pos);
            if (!o || !(o->exStyle & WS_EX_TOPMOST)) break;
            ++pos;
        }
    }
    list.insert(pos, window);
    SyncWidgetStacking(*w);
}

void SendToBottom(HWND window)
{
    WindowObject* w = Find(window);
    if (!w) return;
    auto& list = SiblingsOf(*w);
    list.erase(std::remove(list.begin(), list.end(), window), list.end());
    list.push_back(window);
    SyncWidgetStacking(*w);
}

RECT ScreenRectOf(const WindowObject& w)
{
    RECT r = w.rect;
    if (w.IsChild()) {
        if (WindowObject* p = Find(w.parent)) {
            POINT o = ClientOriginOnScreen(*p);
            r.left += o.x;
            r.right += o.x;
            r.top += o.y;
            r.bottom += o.y;
        }
    }
    return r;
}

POINT ClientOriginOnScreen(const WindowObject& w)
{
    RECT s = ScreenRectOf(w);
    return POINT{s.left + w.clientInset.left, s.top + w.clientInset.top};
}

bool IsReallyVisible(const WindowObject& w)
{
    const WindowObject* p = &w;
    while (p) {
        if (!(p->style & WS_VISIBLE)) return false;
        if (!p->IsChild()) return true;
        p = Find(p->parent);
    }
    return false;
}

namespace {

// The image never exceeds what a screen could show; a larger window shows
// its top-left part.
QSize BackingSizeOf(const WindowObject& w)
{
    constexpr int kLargestSide = 16384;
    return QSize(std::clamp(w.Width(), 0, kLargestSide), std::clamp(w.Height(), 0, kLargestSide));
}

}  // namespace

void ResizeBacking(WindowObject& w)
{
    // A window nothing has drawn into yet has no image: it is made when
    // something first draws (EnsureBacking), so that controls a widget
    // covers, and windows that never show, cost no pixels.
    if (w.backing.isNull()) return;
    const QSize size = BackingSizeOf(w);
    if (w.backing.size() == size) return;
    QImage next(size, QImage::Format_RGB32);
    if (next.isNull()) {
        w.backing = QImage();  // no memory for it: nothing is drawn
        return;
    }
    next.fill(Qt::white);
    for (int y = 0; y < std::min(size.height(), w.backing.height()); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(w.backing.constScanLine(y));
        auto* dst = reinterpret_cast<QRgb*>(next.scanLine(y));
        std::copy(src, src + std::min(size.width(), w.backing.width()), dst);
    }
    w.backing = std::move(next);
}

QImage* EnsureBacking(WindowObject& w)
{
    if (w.backing.isNull()) {
        const QSize size = BackingSizeOf(w);
        if (!size.isEmpty()) {
            QImage image(size, QImage::Format_RGB32);
            if (!image.isNull()) {
                image.fill(Qt::white);
                w.backing = std::move(image);
            }
        }
    }
    return &w.backing;
}

void OnWindowDestroyed(HWND window)
{
    DropPostedMessages(window);
    KillTimersOf(window);
    ForgetWindowInput(window);
    ForgetSystemMenu(window);
}

}  // namespace win32_gui

using namespace win32_gui;

// ---- Classes -------------------------------------------------------------------

ATOM RegisterClassExW(const WNDCLASSEXW* wc)
{
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName || !wc->lpfnWndProc || wc->cbClsExtra < 0 ||
        wc->cbWndExtra < 0 || wc->cbClsExtra > 40000 || wc->cbWndExtra > 40000) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (IS_INTRESOURCE(wc->lpszClassName) || !*wc->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (FindClass(wc->lpszClassName)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto& t = Classes();
    if (t.nextAtom == 0) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = wc->lpszClassName;
    c->atom = t.nextAtom++;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->clsExtra = wc->cbClsExtra;
    c->wndExtra = wc->cbWndExtra;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    c->extra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
    t.classes.push_back(c);
    return c->atom;
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE)
{
    auto c = FindClass(className);
    if (!c) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    for (auto& [key, w] : Handles().windows) {
        if (w->cls == c) {
            SetLastError(ERROR_CLASS_HAS_WINDOWS);
            return FALSE;
        }
    }
    auto& list = Classes().classes;
    list.erase(std::remove(list.begin(), list.end(), c), list.end());
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, WNDCLASSEXW* wc)
{
    auto c = FindClass(className);
    if (!c || !wc) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = c->clsExtra;
    wc->cbWndExtra = c->wndExtra;
    wc->hInstance = c->instance;
    wc->hIcon = c->icon;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszMenuName = nullptr;
    wc->lpszClassName = c->name.c_str();
    wc->hIconSm = nullptr;
    return c->atom;
}

int GetClassNameW(HWND window, LPWSTR buffer, int bufferChars)
{
    WindowObject* w = Lookup(window);
    if (!w || !buffer || bufferChars <= 0) return 0;
    int n = std::min<int>(static_cast<int>(w->cls->name.size()), bufferChars - 1);
    std::copy(w->cls->name.begin(), w->cls->name.begin() + n, buffer);
    buffer[n] = L'\0';
    return n;
}

ULONG_PTR GetClassLongPtrW(HWND window, int index)
{
    WindowObject* w = Lookup(window);
    if (!w) return 0;
    WindowClass& c = *w->cls;
    switch (index) {
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c.background);
    case GCL_STYLE: return c.style;
    default: {
        LONG_PTR v = 0;
        if (ReadExtra(c.extra, index, &v)) return static_cast<ULONG_PTR>(v);
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    }
}

ULONG_PTR SetClassLongPtrW(HWND window, int index, LONG_PTR value)
{
    WindowObject* w = Lookup(window);
    if (!w) return 0;
    WindowClass& c = *w->cls;
    ULONG_PTR old = GetClassLongPtrW(window, index);
    switch (index) {
    case GCLP_HCURSOR: c.cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HBRBACKGROUND: c.background = reinterpret_cast<HBRUSH>(value); break;
    case GCL_STYLE: c.style = static_cast<UINT>(value); break;
    default:
        if (!WriteExtra(c.extra, index, value)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    return old;
}

// ---- Creation and destruction -----------------------------------------------------

namespace {

constexpr int kDefaultWidth = 400;
constexpr int kDefaultHeight = 300;

void NotifyParent(WindowObject& w, UINT event)
{
    if (!w.IsChild() || (w.exStyle & WS_EX_NOPARENTNOTIFY)) return;
    HWND p = w.parent;
    WPARAM wp = MAKELONG(static_cast<WORD>(event), static_cast<WORD>(w.id));
    while (WindowObject* po = Find(p)) {
        SendMessageW(p, WM_PARENTNOTIFY, wp, reinterpret_cast<LPARAM>(w.handle));
        if (!po->IsChild() || (po->exStyle & WS_EX_NOPARENTNOTIFY)) break;
        p = po->parent;
    }
}

void Release(HWND h)
{
    auto& t = Handles();
    {
        std::lock_guard<std::mutex> guard(t.liveLock);
        t.live.erase(Key(h));
    }
    t.windows.erase(Key(h));
}

void DestroyTree(HWND h)
{
    auto hold = Hold(h);
    if (!hold) return;
    WindowObject& w = *hold;
    SendMessageW(h, WM_DESTROY, 0, 0);
    std::vector<HWND> kids = w.children;
    for (HWND k : kids) DestroyTree(k);
    if (!Find(h)) return;
    SendMessageW(h, WM_NCDESTROY, 0, 0);
    // The class's state goes with the last message its window gets.
    w.classState.reset();
    w.alive = false;
    OnWindowDestroyed(h);
    DestroyWidgetFor(w);
    Unlink(w);
    Release(h);
}

}  // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menuOrId, HINSTANCE instance, LPVOID param)
{
    auto cls = FindClass(className);
    if (!cls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return nullptr;
    }
    bool child = (style & WS_CHILD) != 0;
    if (parent == HWND_MESSAGE) parent = nullptr;
    if (parent && !Find(parent)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return nullptr;
    }
    if (child && !parent) {
        SetLastError(ERROR_TLW_WITH_WSCHILD);
        return nullptr;
    }
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = kDefaultWidth;
        height = kDefaultHeight;
    }
    if (width < 0) width = 0;
    if (height < 0) height = 0;

    auto& t = Handles();
    auto obj = std::make_shared<WindowObject>();
    HWND h = reinterpret_cast<HWND>(t.next);
    t.next += 4;
    obj->handle = h;
    obj->cls = cls;
    obj->proc = cls->proc;
    obj->style = style & ~WS_VISIBLE;
    obj->exStyle = exStyle;
    obj->instance = instance;
    obj->extra.assign(static_cast<size_t>(cls->wndExtra), 0);
    if (child) {
        obj->parent = parent;
        obj->id = reinterpret_cast<LONG_PTR>(menuOrId);
    } else if (parent) {
        obj->owner = GetAncestor(parent, GA_ROOT);
    }
    obj->rect = RECT{x, y, x + width, y + height};
    t.windows.emplace(Key(h), obj);
    {
        std::lock_guard<std::mutex> guard(t.liveLock);
        t.live.insert(Key(h));
    }
    if (child) {
        Find(parent)->children.push_back(h);  // bottom of the siblings' order
    } else {
        t.topLevel.insert(t.topLevel.begin(), h);
        BringToTop(h);
    }
    ResizeBacking(*obj);
    CreateWidgetFor(*obj);

    CREATESTRUCTW cs;
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menuOrId;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    if (!SendMessageW(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (Find(h)) {
            obj->classState.reset();
            OnWindowDestroyed(h);
            DestroyWidgetFor(*obj);
            Unlink(*obj);
            Release(h);
        }
        return nullptr;
    }
    if (!Find(h)) return nullptr;
    RecalcClientArea(h);
    if (SendMessageW(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!Find(h)) return nullptr;
    RECT c = obj->ClientRectInWindow();
    SendMessageW(h, WM_SIZE, SIZE_RESTORED,
                 MAKELONG(static_cast<WORD>(c.right - c.left), static_cast<WORD>(c.bottom - c.top)));
    POINT origin{obj->rect.left + obj->clientInset.left, obj->rect.top + obj->clientInset.top};
    SendMessageW(h, WM_MOVE, 0, MAKELONG(static_cast<WORD>(origin.x), static_cast<WORD>(origin.y)));
    if (!Find(h)) return nullptr;
    NotifyParent(*obj, WM_CREATE);
    if (!Find(h)) return nullptr;
    if (style & WS_VISIBLE) ShowWindow(h, SW_SHOW);
    return Find(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND window)
{
    auto hold = Hold(window);
    if (!hold) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    WindowObject& w = *hold;
    if (w.destroying) return TRUE;
    w.destroying = true;
    // Owned top-level windows go first.
    if (!w.IsChild()) {
        std::vector<HWND> owned;
        for (HWND o : Handles().topLevel) {
            WindowObject* ow = Find(o);
            if (ow && ow->owner == window) owned.push_back(o);
        }
        for (HWND o : owned) DestroyWindow(o);
    }
    if (w.style & WS_VISIBLE) {
        SetWindowPos(window, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (!Find(window)) return TRUE;
    NotifyParent(w, WM_DESTROY);
    if (!Find(window)) return TRUE;
    ReleaseFocusFromTree(window);
    DestroyTree(window);
    return TRUE;
}

BOOL IsWindow(HWND window) { return Find(window) != nullptr; }

LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!proc) return 0;
    return proc(window, message, wParam, lParam);
}

// ---- Long values, properties, text ---------------------------------------------------

LONG_PTR GetWindowLongPtrW(HWND window, int index)
{
    WindowObject* w = Lookup(window);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(w->exStyle));
    case GWLP_ID: return w->id;
    case GWLP_USERDATA: return w->userData;
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->IsChild() ? w->parent : w->owner);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    default: {
        LONG_PTR v = 0;
        if (ReadExtra(w->extra, index, &v)) return v;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    }
}

LONG_PTR SetWindowLongPtrW(HWND window, int index, LONG_PTR value)
{
    WindowObject* w = Lookup(window);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtrW(window, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (!value) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
        struct {
            DWORD styleOld;
            DWORD styleNew;
        } ss{static_cast<DWORD>(old), static_cast<DWORD>(value)};
        SendMessageW(window, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
        if (!(w = Find(window))) return 0;
        DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
        // Visibility only changes through ShowWindow; the bit stays as it was.
        DWORD keep = index == GWL_STYLE ? (w->style & WS_VISIBLE) : 0;
        field = index == GWL_STYLE ? ((ss.styleNew & ~WS_VISIBLE) | keep) : ss.styleNew;
        SendMessageW(window, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
        if ((w = Find(window))) SyncWidgetFlags(*w);
        break;
    }
    case GWLP_ID: w->id = value; break;
    case GWLP_USERDATA: w->userData = value; break;
    case GWLP_HWNDPARENT:
        if (!w->IsChild()) w->owner = reinterpret_cast<HWND>(value);
        break;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
    default:
        if (!WriteExtra(w->extra, index, value)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    return old;
}

BOOL SetPropW(HWND window, LPCWSTR name, HANDLE value)
{
    WindowObject* w = Lookup(window);
    if (!w || !name || !*name) return FALSE;
    for (auto& p : w->props) {
        if (CompareNoCase(p.name, name) == 0) {
            p.value = value;
            return TRUE;
        }
    }
    w->props.push_back(WindowProperty{name, value});
    return TRUE;
}

HANDLE GetPropW(HWND window, LPCWSTR name)
{
    WindowObject* w = Find(window);
    if (!w || !name) return nullptr;
    for (auto& p : w->props)
        if (CompareNoCase(p.name, name) == 0) return p.value;
    return nullptr;
}

HANDLE RemovePropW(HWND window, LPCWSTR name)
{
    WindowObject* w = Find(window);
    if (!w || !name) return nullptr;
    for (auto it = w->props.begin(); it != w->props.end(); ++it) {
        if (CompareNoCase(it->name, name) == 0) {
            HANDLE v = it->value;
            w->props.erase(it);
            return v;
        }
    }
    return nullptr;
}

BOOL SetWindowTextW(HWND window, LPCWSTR text)
{
    if (!Lookup(window)) return FALSE;
    return SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : L"")) != 0;
}

int GetWindowTextW(HWND window, LPWSTR buffer, int bufferChars)
{
    if (!Lookup(window) || !buffer || bufferChars <= 0) return 0;
    buffer[0] = L'\0';
    return static_cast<int>(
        SendMessageW(window, WM_GETTEXT, static_cast<WPARAM>(bufferChars), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND window)
{
    if (!Lookup(window)) return 0;
    return static_cast<int>(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0));
}

// ---- The tree ---------------------------------------------------------------------------

HWND GetParent(HWND window)
{
    WindowObject* w = Lookup(window);
    if (!w) return nullptr;
    return w->IsChild() ? w->parent : w->owner;
}

HWND SetParent(HWND window, HWND newParent)
{
    WindowObject* w = Lookup(window);
    if (!w) return nullptr;
    if (newParent && (!Find(newParent) || newParent == window || IsChild(window, newParent))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    HWND old = w->IsChild() ? w->parent : nullptr;
    RECT screen = ScreenRectOf(*w);
    Unlink(*w);
    if (newParent) {
        w->style |= WS_CHILD;
        w->style &= ~WS_POPUP;
        w->parent = newParent;
        // The window keeps its coordinates, now read in the new parent's client area.
        Find(newParent)->children.insert(Find(newParent)->children.begin(), window);
    } else {
        w->style &= ~WS_CHILD;
        w->parent = nullptr;
        w->rect = screen;
        Handles().topLevel.insert(Handles().topLevel.begin(), window);
    }
    ReparentWidget(*w);
    return old;
}

HWND GetAncestor(HWND window, UINT flags)
{
    WindowObject* w = Lookup(window);
    if (!w) return nullptr;
    switch (flags) {
    case GA_PARENT: return w->IsChild() ? w->parent : nullptr;
    case GA_ROOT:
    case GA_ROOTOWNER: {
        while (w->IsChild()) {
            WindowObject* p = Find(w->parent);
            if (!p) break;
            w = p;
        }
        if (flags == GA_ROOTOWNER) {
            while (WindowObject* o = Find(w->owner)) w = o;
        }
        return w->handle;
    }
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND GetWindow(HWND window, UINT relation)
{
    WindowObject* w = Lookup(window);
    if (!w) return nullptr;
    if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front();
    if (relation == GW_OWNER) return w->IsChild() ? nullptr : w->owner;
    auto& list = SiblingsOf(*w);
    auto it = std::find(list.begin(), list.end(), window);
    switch (relation) {
    case GW_HWNDFIRST: return list.empty() ? nullptr : list.front();
    case GW_HWNDLAST: return list.empty() ? nullptr : list.back();
    case GW_HWNDNEXT: return (it == list.end() || it + 1 == list.end()) ? nullptr : *(it + 1);
    case GW_HWNDPREV: return (it == list.end() || it == list.begin()) ? nullptr : *(it - 1);
    default: SetLastError(ERROR_INVALID_PARAMETER); return nullptr;
    }
}

HWND GetTopWindow(HWND window)
{
    if (!window) return Handles().topLevel.empty() ? nullptr : Handles().topLevel.front();
    return GetWindow(window, GW_CHILD);
}

BOOL IsChild(HWND parent, HWND window)
{
    WindowObject* w = Find(window);
    while (w && w->IsChild()) {
        if (w->parent == parent) return TRUE;
        w = Find(w->parent);
    }
    return FALSE;
}

HWND GetDlgItem(HWND dialog, int id)
{
    WindowObject* w = Lookup(dialog);
    if (!w) return nullptr;
    for (HWND c : w->children) {
        WindowObject* co = Find(c);
        if (co && co->id == id) return c;
    }
    return nullptr;
}

int GetDlgCtrlID(HWND window)
{
    WindowObject* w = Lookup(window);
    return (w && w->IsChild()) ? static_cast<int>(w->id) : 0;
}

HWND GetDesktopWindow() { return nullptr; }

BOOL EnumWindows(WNDENUMPROC proc, LPARAM param)
{
    if (!proc) return FALSE;
    std::vector<HWND> list = Handles().topLevel;  // the callback may create or destroy windows
    for (HWND h : list) {
        if (!Find(h)) continue;
        if (!proc(h, param)) return FALSE;
    }
    return TRUE;
}

namespace {
bool EnumChildren(HWND parent, WNDENUMPROC proc, LPARAM param)
{
    WindowObject* w = Find(parent);
    if (!w) return true;
    std::vector<HWND> list = w->children;
    for (HWND h : list) {
        if (!Find(h)) continue;
        if (!proc(h, param)) return false;
        if (!EnumChildren(h, proc, param)) return false;
    }
    return true;
}
}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param)
{
    if (!proc || !Lookup(parent)) return FALSE;
    return EnumChildren(parent, proc, param) ? TRUE : FALSE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName)
{
    auto cls = className ? FindClass(className) : nullptr;
    if (className && !cls) return nullptr;
    for (HWND h : Handles().topLevel) {
        WindowObject* w = Find(h);
        if (!w) continue;
        if (cls && w->cls != cls) continue;
        if (windowName && w->text != windowName) continue;
        return h;
    }
    return nullptr;
}

// ---- Visibility and state ---------------------------------------------------------

BOOL ShowWindow(HWND window, int command)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    bool wasVisible = (w->style & WS_VISIBLE) != 0;
    if (ChangeShowState(window, command)) return wasVisible ? TRUE : FALSE;
    UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER;
    switch (command) {
    case SW_HIDE: flags |= SWP_HIDEWINDOW | SWP_NOACTIVATE; break;
    case SW_SHOWNOACTIVATE:
    case SW_SHOWNA:
    case SW_SHOWMINNOACTIVE: flags |= SWP_SHOWWINDOW | SWP_NOACTIVATE; break;
    default:
        flags |= SWP_SHOWWINDOW;
        if (w->IsChild())
            flags |= SWP_NOACTIVATE;
        else
            flags &= ~SWP_NOZORDER;
    }
    bool show = (flags & SWP_SHOWWINDOW) != 0;
    if (show != wasVisible) SendMessageW(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!Find(window)) return wasVisible;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, flags);
    return wasVisible ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND window)
{
    WindowObject* w = Find(window);
    return (w && IsReallyVisible(*w)) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable)
{
    WindowObject* w = Lookup(window);
    if (!w) return FALSE;
    bool wasDisabled = (w->style & WS_DISABLED) != 0;
    if (enable && wasDisabled) {
        w->style &= ~WS_DISABLED;
        SendMessageW(window, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        w->style |= WS_DISABLED;
        ReleaseFocusFromTree(window);
        SendMessageW(window, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND window)
{
    WindowObject* w = Find(window);
    return (w && !(w->style & WS_DISABLED)) ? TRUE : FALSE;
}

BOOL IsIconic(HWND window)
{
    WindowObject* w = Find(window);
    return (w && (w->style & WS_MINIMIZE)) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND window)
{
    WindowObject* w = Find(window);
    return (w && (w->style & WS_MAXIMIZE)) ? TRUE : FALSE;
}
