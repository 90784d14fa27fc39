#include "Menus.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <cwchar>
#include <map>
#include <unordered_map>

#include "MessageQueue.h"
#include "Window.h"

namespace {

struct MenuItem {
    UINT flags = 0;
    UINT_PTR id = 0;
    std::wstring text;
    HMENU popup = nullptr;
};

struct MenuObject {
    bool popup = false;
    std::vector<MenuItem> items;
};

struct MenuTable {
    std::unordered_map<uintptr_t, MenuObject> menus;
    std::map<WORD, std::vector<MenuResourceItem>> resources;
    uintptr_t next = 0x70000;
};

MenuTable& T()
{
    static MenuTable t;
    return t;
}

std::atomic<MenuPresenter*> g_presenter{nullptr};

MenuObject* Get(HMENU m)
{
    auto& t = T();
    auto it = t.menus.find(reinterpret_cast<uintptr_t>(m));
    if (it == t.menus.end()) {
        SetLastError(1401);  // ERROR_INVALID_MENU_HANDLE
        return nullptr;
    }
    return &it->second;
}

HMENU NewMenu(bool popup)
{
    auto& t = T();
    HMENU h = reinterpret_cast<HMENU>(t.next);
    t.next += 4;
    t.menus.emplace(reinterpret_cast<uintptr_t>(h), MenuObject{popup, {}});
    return h;
}

// The item by command (searching pop-ups too) or by position.
MenuItem* FindItem(HMENU menu, UINT item, UINT flags, HMENU* owner = nullptr, size_t* index = nullptr)
{
    MenuObject* m = Get(menu);
    if (!m) return nullptr;
    if (flags & MF_BYPOSITION) {
        if (item >= m->items.size()) return nullptr;
        if (owner) *owner = menu;
        if (index) *index = item;
        return &m->items[item];
    }
    for (size_t i = 0; i < m->items.size(); ++i) {
        MenuItem& it = m->items[i];
        if (it.popup) {
            if (MenuItem* inner = FindItem(it.popup, item, flags, owner, index)) return inner;
        } else if (!(it.flags & MF_SEPARATOR) && it.id == item) {
            if (owner) *owner = menu;
            if (index) *index = i;
            return &it;
        }
    }
    return nullptr;
}

bool MakeItem(UINT flags, UINT_PTR idOrPopup, LPCWSTR text, MenuItem* out)
{
    out->flags = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_SEPARATOR);
    if (flags & MF_POPUP) {
        out->popup = reinterpret_cast<HMENU>(idOrPopup);
        if (!Get(out->popup)) return false;
    } else {
        out->id = idOrPopup;
    }
    if (!(flags & MF_SEPARATOR) && text) out->text = text;
    return true;
}

HMENU Build(const std::vector<MenuResourceItem>& items, bool popup)
{
    HMENU m = NewMenu(popup);
    for (const MenuResourceItem& i : items) {
        if (i.flags & MF_POPUP)
            AppendMenuW(m, i.flags, reinterpret_cast<UINT_PTR>(Build(i.children, true)), i.text.c_str());
        else
            AppendMenuW(m, i.flags, i.id, i.text.c_str());
    }
    return m;
}

// The Qt menu of an HMENU; '&' marks keep their meaning, tabs start the shortcut text.
void Fill(QMenu* q, HMENU menu, std::map<QAction*, UINT>* ids)
{
    MenuObject* m = Get(menu);
    if (!m) return;
    for (const MenuItem& it : m->items) {
        if (it.flags & MF_SEPARATOR) {
            q->addSeparator();
            continue;
        }
        QString text = QString::fromStdWString(it.text);
        if (it.popup) {
            QMenu* sub = q->addMenu(text);
            sub->setEnabled(!(it.flags & (MF_GRAYED | MF_DISABLED)));
            Fill(sub, it.popup, ids);
            continue;
        }
        QAction* a = q->addAction(text);
        a->setEnabled(!(it.flags & (MF_GRAYED | MF_DISABLED)));
        if (it.flags & MF_CHECKED) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        (*ids)[a] = static_cast<UINT>(it.id);
    }
}

class QtMenuPresenter : public MenuPresenter {
public:
    UINT Present(HMENU menu, UINT flags, POINT screen, HWND) override
    {
        auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
        if (!app || app->thread() != QThread::currentThread()) return 0;
        QMenu q;
        std::map<QAction*, UINT> ids;
        Fill(&q, menu, &ids);
        QSize size = q.sizeHint();
        QPoint at(screen.x, screen.y);
        if (flags & TPM_RIGHTALIGN)
            at.rx() -= size.width();
        else if (flags & TPM_CENTERALIGN)
            at.rx() -= size.width() / 2;
        if (flags & TPM_BOTTOMALIGN)
            at.ry() -= size.height();
        else if (flags & TPM_VCENTERALIGN)
            at.ry() -= size.height() / 2;
        QAction* chosen = q.exec(at);
        auto it = ids.find(chosen);
        return it == ids.end() ? 0 : it->second;
    }
};

}  // namespace

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu)
{
    MenuObject* m = Get(menu);
    if (!m) return FALSE;
    std::vector<HMENU> subs;
    for (const MenuItem& it : m->items)
        if (it.popup) subs.push_back(it.popup);
    T().menus.erase(reinterpret_cast<uintptr_t>(menu));
    for (HMENU s : subs) DestroyMenu(s);
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return T().menus.count(reinterpret_cast<uintptr_t>(menu)) ? TRUE : FALSE; }

BOOL AppendMenuW(HMENU menu, UINT flags, UINT_PTR idOrPopup, LPCWSTR text)
{
    MenuObject* m = Get(menu);
    MenuItem item;
    if (!m || !MakeItem(flags, idOrPopup, text, &item)) return FALSE;
    Get(menu)->items.push_back(item);
    return TRUE;
}

BOOL InsertMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text)
{
    MenuItem item;
    if (!Get(menu) || !MakeItem(flags, idOrPopup, text, &item)) return FALSE;
    HMENU owner = menu;
    size_t index = 0;
    if (flags & MF_BYPOSITION) {
        MenuObject* m = Get(menu);
        index = std::min<size_t>(position, m->items.size());  // past the end appends
    } else if (!FindItem(menu, position, flags, &owner, &index)) {
        return FALSE;
    }
    auto& items = Get(owner)->items;
    items.insert(items.begin() + static_cast<long>(index), item);
    return TRUE;
}

BOOL ModifyMenuW(HMENU menu, UINT position, UINT flags, UINT_PTR idOrPopup, LPCWSTR text)
{
    MenuItem* it = FindItem(menu, position, flags);
    MenuItem item;
    if (!it || !MakeItem(flags, idOrPopup, text, &item)) return FALSE;
    *it = item;
    return TRUE;
}

namespace {
BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroy)
{
    HMENU owner = nullptr;
    size_t index = 0;
    if (!FindItem(menu, position, flags, &owner, &index)) return FALSE;
    auto& items = Get(owner)->items;
    HMENU popup = items[index].popup;
    items.erase(items.begin() + static_cast<long>(index));
    if (destroy && popup) DestroyMenu(popup);
    return TRUE;
}
}  // namespace

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, true); }
BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, false); }

int GetMenuItemCount(HMENU menu)
{
    MenuObject* m = Get(menu);
    return m ? static_cast<int>(m->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position)
{
    MenuObject* m = Get(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return static_cast<UINT>(-1);
    const MenuItem& it = m->items[static_cast<size_t>(position)];
    return it.popup ? static_cast<UINT>(-1) : static_cast<UINT>(it.id);
}

HMENU GetSubMenu(HMENU menu, int position)
{
    MenuObject* m = Get(menu);
    if (!m || position < 0 || static_cast<size_t>(position) >= m->items.size()) return nullptr;
    return m->items[static_cast<size_t>(position)].popup;
}

int GetMenuStringW(HMENU menu, UINT item, LPWSTR buffer, int bufferChars, UINT flags)
{
    MenuItem* it = FindItem(menu, item, flags);
    if (!it) return 0;
    if (!buffer || bufferChars <= 0) return static_cast<int>(it->text.size());
    int n = std::min<int>(static_cast<int>(it->text.size()), bufferChars - 1);
    std::wmemcpy(buffer, it->text.data(), static_cast<size_t>(n));
    buffer[n] = L'\0';
    return n;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags)
{
    MenuItem* it = FindItem(menu, item, flags);
    if (!it) return static_cast<UINT>(-1);
    if (it->popup) return (static_cast<UINT>(GetMenuItemCount(it->popup)) << 8) | (it->flags & 0xFF);
    return it->flags;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check)
{
    MenuItem* it = FindItem(menu, item, check & MF_BYPOSITION);
    if (!it) return static_cast<DWORD>(-1);
    DWORD old = it->flags & MF_CHECKED;
    it->flags = (it->flags & ~MF_CHECKED) | (check & MF_CHECKED);
    return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable)
{
    MenuItem* it = FindItem(menu, item, enable & MF_BYPOSITION);
    if (!it) return -1;
    BOOL old = static_cast<BOOL>(it->flags & (MF_GRAYED | MF_DISABLED));
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return old;
}

void RegisterMenuResource(WORD id, std::vector<MenuResourceItem> items) { T().resources[id] = std::move(items); }

HMENU LoadMenuW(HINSTANCE, LPCWSTR name)
{
    auto v = reinterpret_cast<uintptr_t>(name);
    auto& t = T();
    auto it = (v >> 16) ? t.resources.end() : t.resources.find(static_cast<WORD>(v));
    if (it == t.resources.end()) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    return Build(it->second, false);
}

void SetMenuPresenter(MenuPresenter* presenter) { g_presenter = presenter; }

namespace win32_gui {

UINT RunMenu(HMENU menu, UINT flags, POINT screen, HWND owner, bool systemMenu)
{
    if (owner) {
        // The menu of a window's own (its system menu) is no pop-up the
        // program asked for: WM_ENTERMENULOOP says so, and WM_INITMENUPOPUP
        // marks it in its high word.
        SendMessageW(owner, WM_ENTERMENULOOP, systemMenu ? FALSE : TRUE, 0);
        if (!(flags & TPM_NONOTIFY))
            SendMessageW(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELONG(0, systemMenu ? 1 : 0));
    }
    UINT command = 0;
    if (Get(menu)) {
        static QtMenuPresenter qtPresenter;
        MenuPresenter* p = g_presenter.load();
        command = (p ? p : &qtPresenter)->Present(menu, flags, screen, owner);
    }
    if (owner && IsWindow(owner)) SendMessageW(owner, WM_EXITMENULOOP, systemMenu ? FALSE : TRUE, 0);
    return command;
}

}  // namespace win32_gui

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*)
{
    if (!Get(menu) || (owner && !IsWindow(owner))) return FALSE;
    UINT command = win32_gui::RunMenu(menu, flags, POINT{x, y}, owner, false);
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(command);
    if (command && owner && IsWindow(owner)) PostMessageW(owner, WM_COMMAND, command, 0);
    return command ? TRUE : FALSE;
}
