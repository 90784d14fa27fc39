// The "SysTabControl32" class: a QTabBar across the top and a frame around
// the display area, which the control leaves to the windows below it (its
// window region is the tab row and the frame), since the pages of a tab
// control are sibling windows placed in that area. A click or an arrow key
// on another tab asks the parent with TCN_SELCHANGING (a non-zero answer
// keeps the tab) and then sends TCN_SELCHANGE; TCM_SETCURSEL changes the tab
// silently. The first tab inserted becomes the selected one.
#include <QMouseEvent>
#include <QTabBar>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/mfc/ControlClasses.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/ImageList.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Regions.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

constexpr int kFrame = 2;
constexpr int kTabHeightWithoutWidget = 20;

struct TabItem {
    std::wstring text;
    int image = -1;
    LPARAM param = 0;
};

struct TabState {
    std::vector<TabItem> items;
    int cur = -1;
    int focus = -1;
    HIMAGELIST images = nullptr;
    HGDIOBJ font = nullptr;
    QPointer<QTabBar> bar;
};

std::map<HWND, std::unique_ptr<TabState>>& States()
{
    static std::map<HWND, std::unique_ptr<TabState>> s;
    return s;
}

TabState* StateOf(HWND h)
{
    auto it = States().find(h);
    return it == States().end() ? nullptr : it->second.get();
}

int Count(const TabState& s) { return static_cast<int>(s.items.size()); }
bool Valid(const TabState& s, INT_PTR i) { return i >= 0 && i < Count(s); }

int TabHeight(const TabState& s)
{
    if (!s.bar) return kTabHeightWithoutWidget;
    return std::max(kTabHeightWithoutWidget, s.bar->sizeHint().height());
}

// The tab row and the display area's frame, in window coordinates.
void ShapeWindow(HWND h, const TabState& s)
{
    RECT window, client;
    GetWindowRect(h, &window);
    GetClientRect(h, &client);
    POINT origin{0, 0};
    ClientToScreen(h, &origin);
    int dx = origin.x - window.left, dy = origin.y - window.top;
    int w = client.right, height = client.bottom, top = TabHeight(s);
    HRGN shape = CreateRectRgn(0, 0, window.right - window.left, dy + std::min(top, height));
    if (height > top) {
        HRGN frame = CreateRectRgn(dx, dy + top, dx + w, dy + height);
        if (w > 2 * kFrame && height - top > 2 * kFrame) {
            HRGN inside = CreateRectRgn(dx + kFrame, dy + top + kFrame, dx + w - kFrame, dy + height - kFrame);
            CombineRgn(frame, frame, inside, RGN_DIFF);
            DeleteObject(inside);
        }
        CombineRgn(shape, shape, frame, RGN_OR);
        DeleteObject(frame);
    }
    SetWindowRgn(h, shape, TRUE);
}

void Place(HWND h, TabState& s)
{
    if (s.bar) {
        RECT client;
        GetClientRect(h, &client);
        RECT window;
        GetWindowRect(h, &window);
        POINT origin{0, 0};
        ClientToScreen(h, &origin);
        s.bar->setGeometry(origin.x - window.left, origin.y - window.top, client.right, TabHeight(s));
    }
    ShapeWindow(h, s);
    InvalidateRect(h, nullptr, TRUE);
}

void Show(HWND h, TabState& s)
{
    if (s.bar) {
        ProgrammaticChange change;
        while (s.bar->count() > 0) s.bar->removeTab(0);
        for (const TabItem& item : s.items) {
            QImage icon = (s.images && item.image >= 0) ? ImageListPicture(s.images, item.image) : QImage();
            if (icon.isNull()) s.bar->addTab(QString::fromStdWString(item.text));
            else s.bar->addTab(QIcon(QPixmap::fromImage(icon)), QString::fromStdWString(item.text));
        }
        s.bar->setCurrentIndex(s.cur);
    }
    Place(h, s);
}

// The user's move to another tab, which the parent may refuse.
void SelectByUser(HWND h, int index)
{
    TabState* s = StateOf(h);
    if (!s || !Valid(*s, index) || index == s->cur) return;
    NMHDR changing;
    if (NotifyParent(h, TCN_SELCHANGING, &changing)) return;
    if (!(s = StateOf(h)) || !Valid(*s, index)) return;
    s->cur = s->focus = index;
    if (s->bar) {
        ProgrammaticChange change;
        s->bar->setCurrentIndex(index);
    }
    NMHDR changed;
    NotifyParent(h, TCN_SELCHANGE, &changed);
}

class TabInput : public QObject {
public:
    TabInput(HWND window, QObject* parent) : QObject(parent), window_(window) {}
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick) {
            auto* m = static_cast<QMouseEvent*>(e);
            TabState* s = StateOf(window_);
            if (!PrepareMousePress(window_) || !s || !s->bar) return true;
            if (m->button() == Qt::LeftButton) SelectByUser(window_, s->bar->tabAt(m->position().toPoint()));
            return true;
        }
        if (e->type() == QEvent::MouseButtonRelease || e->type() == QEvent::Wheel) return true;
        return false;
    }

private:
    HWND window_;
};

void Paint(HWND h, const TabState& s)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT client;
    GetClientRect(h, &client);
    int top = std::min(TabHeight(s), static_cast<int>(client.bottom));
    RECT strip{0, 0, client.right, top};
    FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
    RECT frame{0, top, client.right, client.bottom};
    if (frame.bottom > frame.top) {
        FillRect(dc, &frame, GetSysColorBrush(COLOR_BTNFACE));
        DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
    }
    EndPaint(h, &ps);
}

LRESULT CopyText(const std::wstring& text, LPWSTR buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    size_t n = std::min(text.size(), static_cast<size_t>(size) - 1);
    std::copy(text.begin(), text.begin() + static_cast<long>(n), buffer);
    buffer[n] = L'\0';
    return static_cast<LRESULT>(n);
}

LRESULT TabProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        NotifyCreating(h);
        States()[h] = std::make_unique<TabState>();
        return DefWindowProcW(h, message, wParam, lParam);
    }
    TabState* s = StateOf(h);
    if (!s) return DefWindowProcW(h, message, wParam, lParam);
    auto index = static_cast<INT_PTR>(wParam);
    switch (message) {
    case WM_CREATE: {
        auto* bar = new QTabBar;
        bar->setDrawBase(false);
        bar->setExpanding(false);
        bar->setUsesScrollButtons(true);
        s->bar = static_cast<QTabBar*>(EmbedWidget(h, bar));
        if (s->bar) s->bar->installEventFilter(new TabInput(h, s->bar));
        Show(h, *s);
        return 0;
    }
    case WM_NCDESTROY:
        States().erase(h);
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_SIZE: Place(h, *s); return 0;
    case WM_PAINT: Paint(h, *s); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFONT:
        s->font = reinterpret_cast<HGDIOBJ>(wParam);
        if (s->bar) s->bar->setFont(FontOfHandle(s->font));
        Place(h, *s);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
        if (s->bar) s->bar->setEnabled(wParam != 0);
        return 0;
    case WM_SETFOCUS:
        if (s->bar) s->bar->setFocus(Qt::OtherFocusReason);
        return 0;
    case WM_KILLFOCUS:
        if (s->bar && s->bar->hasFocus()) s->bar->clearFocus();
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT) {
            int next = s->cur + (wParam == VK_RIGHT ? 1 : -1);
            SelectByUser(h, std::clamp(next, 0, std::max(0, Count(*s) - 1)));
        }
        return 0;
    case TCM_INSERTITEMW: {
        auto* item = reinterpret_cast<const TCITEMW*>(lParam);
        if (!item || index < 0) return -1;
        int at = static_cast<int>(std::min<INT_PTR>(index, Count(*s)));
        TabItem t;
        if ((item->mask & TCIF_TEXT) && item->pszText) t.text = item->pszText;
        if (item->mask & TCIF_IMAGE) t.image = item->iImage;
        if (item->mask & TCIF_PARAM) t.param = item->lParam;
        s->items.insert(s->items.begin() + at, t);
        if (s->cur >= at) ++s->cur;
        if (s->focus >= at) ++s->focus;
        if (s->cur < 0) s->cur = s->focus = 0;  // the first tab is the selected one
        Show(h, *s);
        return at;
    }
    case TCM_SETITEMW:
    case TCM_GETITEMW: {
        auto* item = reinterpret_cast<TCITEMW*>(lParam);
        if (!item || !Valid(*s, index)) return FALSE;
        TabItem& t = s->items[static_cast<size_t>(index)];
        if (message == TCM_GETITEMW) {
            if (item->mask & TCIF_TEXT) CopyText(t.text, item->pszText, item->cchTextMax);
            if (item->mask & TCIF_IMAGE) item->iImage = t.image;
            if (item->mask & TCIF_PARAM) item->lParam = t.param;
            return TRUE;
        }
        if ((item->mask & TCIF_TEXT) && item->pszText) t.text = item->pszText;
        if (item->mask & TCIF_IMAGE) t.image = item->iImage;
        if (item->mask & TCIF_PARAM) t.param = item->lParam;
        Show(h, *s);
        return TRUE;
    }
    case TCM_DELETEITEM:
        if (!Valid(*s, index)) return FALSE;
        s->items.erase(s->items.begin() + index);
        if (s->cur == index) s->cur = -1;
        else if (s->cur > index) --s->cur;
        if (s->focus >= Count(*s)) s->focus = Count(*s) - 1;
        Show(h, *s);
        return TRUE;
    case TCM_DELETEALLITEMS:
        s->items.clear();
        s->cur = s->focus = -1;
        Show(h, *s);
        return TRUE;
    case TCM_GETITEMCOUNT: return Count(*s);
    case TCM_GETCURSEL: return s->cur;
    case TCM_SETCURSEL: {
        if (!Valid(*s, index)) return -1;
        int old = s->cur;
        s->cur = s->focus = static_cast<int>(index);
        if (s->bar) {
            ProgrammaticChange change;
            s->bar->setCurrentIndex(s->cur);
        }
        return old;
    }
    case TCM_GETCURFOCUS: return s->focus;
    case TCM_SETCURFOCUS:
        if (Valid(*s, index)) SelectByUser(h, static_cast<int>(index));
        return 0;
    case TCM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || !Valid(*s, index)) return FALSE;
        if (s->bar && index < s->bar->count()) {
            QRect q = s->bar->tabRect(static_cast<int>(index));
            *r = RECT{q.left(), q.top(), q.right() + 1, q.bottom() + 1};
        } else {
            *r = RECT{static_cast<LONG>(index * 60), 0, static_cast<LONG>(index * 60 + 60), kTabHeightWithoutWidget};
        }
        return TRUE;
    }
    case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return 0;
        int top = TabHeight(*s);
        if (wParam) {  // display area to window rectangle
            r->left -= kFrame;
            r->right += kFrame;
            r->top -= top + kFrame;
            r->bottom += kFrame;
        } else {
            r->left += kFrame;
            r->right -= kFrame;
            r->top += top + kFrame;
            r->bottom -= kFrame;
        }
        return 0;
    }
    case TCM_SETIMAGELIST: {
        HIMAGELIST old = s->images;
        s->images = reinterpret_cast<HIMAGELIST>(lParam);
        Show(h, *s);
        return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(s->images);
    case TCM_HITTEST: {
        auto* hit = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!hit || !s->bar) return -1;
        int i = s->bar->tabAt(QPoint(hit->pt.x, hit->pt.y));
        hit->flags = i >= 0 ? 6 : 1;  // TCHT_ONITEM : TCHT_NOWHERE
        return i;
    }
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

void RegisterTabClass() { RegisterControlClass(WC_TABCONTROLW, TabProc); }

}  // namespace mfc_controls
