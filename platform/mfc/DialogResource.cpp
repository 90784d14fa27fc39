#include "DialogResource.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "platform/mfc/ControlClasses.h"
#include "platform/win32/gui/Dialog.h"
#include "platform/win32/gui/GlobalMemory.h"
#include "platform/win32/gui/Monitors.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

constexpr const wchar_t* kResourceIdProperty = L"RivoDialogResourceId";
constexpr const wchar_t* kResourceProperty = L"RivoDialogResource";
constexpr const wchar_t* kProcProperty = L"RivoDialogProcedure";

std::map<int, const DialogResource*>& Registry()
{
    static std::map<int, const DialogResource*> r;
    return r;
}

// Builds the in-memory template the window layer reads.
class TemplateWriter {
public:
    void Raw(const void* p, size_t n)
    {
        const auto* b = static_cast<const uint8_t*>(p);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    void Word(WORD w) { Raw(&w, sizeof w); }
    // A NUL-terminated UTF-16 text; characters beyond the basic plane do not
    // fit the template's units and are written as U+FFFD (the loader sets
    // such texts afterwards).
    void Text(const wchar_t* s)
    {
        for (; s && *s; ++s) Word(static_cast<uint32_t>(*s) > 0xFFFF ? 0xFFFD : static_cast<WORD>(*s));
        Word(0);
    }
    void Align()
    {
        while (bytes_.size() % 4) bytes_.push_back(0);
    }
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

bool NeedsWideFixUp(const wchar_t* s)
{
    for (; s && *s; ++s)
        if (static_cast<uint32_t>(*s) > 0xFFFF) return true;
    return false;
}

std::vector<uint8_t> BuildTemplate(const DialogResource& r)
{
    TemplateWriter w;
    DLGTEMPLATE head;
    head.style = (r.style & ~WS_VISIBLE) | (r.pointSize ? DS_SETFONT : 0);
    if (!r.pointSize) head.style &= ~DS_SETFONT;
    head.dwExtendedStyle = r.exStyle;
    head.cdit = static_cast<WORD>(r.controlCount);
    head.x = r.x;
    head.y = r.y;
    head.cx = r.cx;
    head.cy = r.cy;
    w.Raw(&head, sizeof head);
    w.Word(0);  // no menu
    if (r.className && *r.className)
        w.Text(r.className);
    else
        w.Word(0);
    w.Text(r.caption);
    if (r.pointSize) {
        w.Word(r.pointSize);
        w.Text(r.fontFace);
    }
    for (size_t i = 0; i < r.controlCount; ++i) {
        const DialogControlResource& c = r.controls[i];
        w.Align();
        DLGITEMTEMPLATE item;
        item.style = c.style | WS_CHILD;
        item.dwExtendedStyle = c.exStyle;
        item.x = c.x;
        item.y = c.y;
        item.cx = c.cx;
        item.cy = c.cy;
        item.id = static_cast<WORD>(c.id);
        w.Raw(&item, sizeof item);
        w.Text(c.className);
        w.Text(c.text);
        w.Word(0);  // no creation data
    }
    return w.bytes();
}

// The procedure and resource of the dialog being made; taken by its first
// message.
struct Pending {
    const DialogResource* resource = nullptr;
    DLGPROC proc = nullptr;
};
thread_local std::vector<Pending> t_pending;

void CenterInWorkArea(HWND dialog, HWND owner)
{
    RECT r;
    GetWindowRect(dialog, &r);
    HMONITOR monitor =
        owner ? MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST) : MonitorFromRect(&r, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info;
    if (!GetMonitorInfoW(monitor, &info)) return;
    int width = r.right - r.left, height = r.bottom - r.top;
    int x = info.rcWork.left + ((info.rcWork.right - info.rcWork.left) - width) / 2;
    int y = info.rcWork.top + ((info.rcWork.bottom - info.rcWork.top) - height) / 2;
    SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The resource and the program's procedure of a loaded dialog, kept as the
// dialog's window properties so that they go with it.
const DialogResource* ResourceOf(HWND dialog)
{
    return static_cast<const DialogResource*>(GetPropW(dialog, kResourceProperty));
}

INT_PTR LoaderDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    const DialogResource* resource = ResourceOf(dialog);
    if (!resource) {
        if (t_pending.empty()) return FALSE;
        Pending p = t_pending.back();
        t_pending.pop_back();
        resource = p.resource;
        SetPropW(dialog, kResourceProperty, const_cast<DialogResource*>(resource));
        SetPropW(dialog, kProcProperty, reinterpret_cast<HANDLE>(p.proc));
        SetPropW(dialog, kResourceIdProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(resource->id)));
    }
    auto proc = reinterpret_cast<DLGPROC>(GetPropW(dialog, kProcProperty));
    if (message == WM_INITDIALOG) {
        // Texts the template's 16-bit units could not hold.
        if (NeedsWideFixUp(resource->caption)) SetWindowTextW(dialog, resource->caption);
        for (size_t i = 0; i < resource->controlCount; ++i) {
            const DialogControlResource& c = resource->controls[i];
            if (NeedsWideFixUp(c.text))
                if (HWND h = GetDlgItem(dialog, c.id)) SetWindowTextW(h, c.text);
        }
        if ((resource->style & DS_CENTER) && !(resource->style & WS_CHILD))
            CenterInWorkArea(dialog, GetWindow(dialog, GW_OWNER));
    }
    return proc ? proc(dialog, message, wParam, lParam) : FALSE;
}

struct FindState {
    int id;
    HWND found = nullptr;
};

BOOL CheckWindow(HWND h, LPARAM param)
{
    auto* s = reinterpret_cast<FindState*>(param);
    if (DialogResourceIdOf(h) == s->id && IsWindowVisible(h)) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

void RegisterDialogResource(const DialogResource* resource)
{
    if (resource) Registry()[resource->id] = resource;
}

const DialogResource* FindDialogResource(int id)
{
    auto it = Registry().find(id);
    return it == Registry().end() ? nullptr : it->second;
}

const DialogResource* FindDialogResourceByName(LPCWSTR name)
{
    if (!name) return nullptr;
    if (IS_INTRESOURCE(name)) return FindDialogResource(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
    for (const auto& [id, r] : Registry())
        if (r->name && std::wcscmp(r->name, name) == 0) return r;
    return nullptr;
}

HWND CreateDialogFromResource(const DialogResource& resource, HWND owner, DLGPROC proc, LPARAM param)
{
    RegisterControlClasses();
    std::vector<uint8_t> bytes = BuildTemplate(resource);
    // A block of its own, so that the layer reads the template within it.
    HGLOBAL block = GlobalAlloc(GPTR, bytes.size());
    if (!block) return nullptr;
    std::memcpy(block, bytes.data(), bytes.size());
    t_pending.push_back(Pending{&resource, proc});
    size_t depth = t_pending.size();
    HWND dialog =
        CreateDialogIndirectParamW(nullptr, static_cast<const DLGTEMPLATE*>(block), owner, LoaderDialogProc, param);
    // A dialog that failed before its first message leaves its entry behind.
    if (t_pending.size() == depth) t_pending.pop_back();
    GlobalFree(block);
    return dialog;
}

int DialogResourceIdOf(HWND window)
{
    return static_cast<int>(reinterpret_cast<INT_PTR>(GetPropW(window, kResourceIdProperty)));
}

HWND FindDialogByResourceId(int id)
{
    FindState state{id};
    std::vector<HWND> tops;
    EnumWindows(
        [](HWND h, LPARAM list) -> BOOL {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&tops));
    for (HWND top : tops) {
        if (!CheckWindow(top, reinterpret_cast<LPARAM>(&state))) return state.found;
        EnumChildWindows(top, CheckWindow, reinterpret_cast<LPARAM>(&state));
        if (state.found) return state.found;
    }
    return nullptr;
}
