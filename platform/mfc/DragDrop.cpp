#include "DragDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace {

struct Drop {
    std::vector<std::wstring> paths;
    HWND window = nullptr;
    POINT client;
    bool inClient = true;
};

struct DropTable {
    std::map<uintptr_t, std::unique_ptr<Drop>> drops;
    uintptr_t next = 0x40000;
};

DropTable& Drops()
{
    static DropTable t;
    return t;
}

Drop* FindDrop(HDROP drop)
{
    auto it = Drops().drops.find(reinterpret_cast<uintptr_t>(drop));
    return it == Drops().drops.end() ? nullptr : it->second.get();
}

bool Accepts(HWND h) { return (GetWindowLongW(h, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0; }

// The accepting window for a screen point inside the top-level window.
HWND AcceptingWindowAt(HWND top, POINT screen)
{
    HWND h = WindowFromPoint(screen);
    if (!h || GetAncestor(h, GA_ROOT) != top) h = top;
    for (; h; h = GetAncestor(h, GA_PARENT)) {
        if (Accepts(h)) return h;
        if (!(GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
    }
    return nullptr;
}

// Takes the desktop's drops on a top-level window.
class DropFilter : public QObject {
public:
    DropFilter(HWND top, QObject* parent) : QObject(parent), top_(top) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() != QEvent::DragEnter && e->type() != QEvent::DragMove && e->type() != QEvent::Drop) return false;
        auto* d = static_cast<QDropEvent*>(e);
        std::vector<std::wstring> paths;
        if (d->mimeData())
            for (const QUrl& url : d->mimeData()->urls())
                if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdWString());
        QPoint global = d->position().toPoint();
        if (auto* w = qobject_cast<QWidget*>(parent())) global = w->mapToGlobal(global);
        POINT screen{global.x(), global.y()};
        HWND target = paths.empty() ? nullptr : AcceptingWindowAt(top_, screen);
        if (!target) {
            d->ignore();
            return true;
        }
        d->acceptProposedAction();
        if (e->type() == QEvent::Drop) {
            POINT client = screen;
            ScreenToClient(target, &client);
            DropFilesOnWindow(target, client, paths);
        }
        return true;
    }

private:
    HWND top_;
};

void WatchDesktopDrops(HWND window)
{
    HWND top = GetAncestor(window, GA_ROOT);
    QWidget* w = top ? GetWindowQWidget(top) : nullptr;
    if (!w) return;
    // One filter per top-level window, a child of its widget.
    for (QObject* child : w->children())
        if (dynamic_cast<DropFilter*>(child)) return;
    w->setAcceptDrops(true);
    w->installEventFilter(new DropFilter(top, w));
}

}  // namespace

void DragAcceptFiles(HWND window, BOOL accept)
{
    if (!IsWindow(window)) return;
    DWORD ex = static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
    SetWindowLongW(window, GWL_EXSTYLE,
                   static_cast<LONG>(accept ? (ex | WS_EX_ACCEPTFILES) : (ex & ~WS_EX_ACCEPTFILES)));
    if (accept) WatchDesktopDrops(window);
}

UINT DragQueryFileW(HDROP drop, UINT index, LPWSTR buffer, UINT chars)
{
    Drop* d = FindDrop(drop);
    if (!d) return 0;
    if (index == 0xFFFFFFFFu) return static_cast<UINT>(d->paths.size());
    if (index >= d->paths.size()) return 0;
    const std::wstring& path = d->paths[index];
    if (!buffer) return static_cast<UINT>(path.size());
    if (chars == 0) return 0;
    size_t n = std::min<size_t>(path.size(), chars - 1);
    std::copy(path.begin(), path.begin() + static_cast<long>(n), buffer);
    buffer[n] = L'\0';
    return static_cast<UINT>(n);
}

BOOL DragQueryPoint(HDROP drop, POINT* point)
{
    Drop* d = FindDrop(drop);
    if (!d || !point) return FALSE;
    *point = d->client;
    return d->inClient ? TRUE : FALSE;
}

void DragFinish(HDROP drop) { Drops().drops.erase(reinterpret_cast<uintptr_t>(drop)); }

bool DropFilesOnWindow(HWND window, POINT client, const std::vector<std::wstring>& paths)
{
    if (!IsWindow(window) || paths.empty()) return false;
    POINT screen = client;
    ClientToScreen(window, &screen);
    HWND target = nullptr;
    HWND top = GetAncestor(window, GA_ROOT);
    HWND under = WindowFromPoint(screen);
    // A child under the point that accepts files takes them first.
    if (under && (under == window || IsChild(window, under))) {
        for (HWND h = under; h; h = GetAncestor(h, GA_PARENT)) {
            if (Accepts(h)) {
                target = h;
                break;
            }
            if (h == top) break;
        }
    }
    if (!target) {
        for (HWND h = window; h; h = GetAncestor(h, GA_PARENT)) {
            if (Accepts(h)) {
                target = h;
                break;
            }
            if (!(GetWindowLongW(h, GWL_STYLE) & WS_CHILD)) break;
        }
    }
    if (!target) return false;
    auto drop = std::make_unique<Drop>();
    drop->paths = paths;
    drop->window = target;
    drop->client = screen;
    ScreenToClient(target, &drop->client);
    RECT r;
    GetClientRect(target, &r);
    drop->inClient = PtInRect(&r, drop->client) != FALSE;
    auto& table = Drops();
    uintptr_t key = table.next;
    table.next += 4;
    table.drops.emplace(key, std::move(drop));
    if (!PostMessageW(target, WM_DROPFILES, static_cast<WPARAM>(key), 0)) {
        table.drops.erase(key);
        return false;
    }
    return true;
}
