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

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/ImageList.h"
#include "platform/mfc/ImageListPicture.h"
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

struct TabControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override { return bar; }

    std::vector<TabItem> items;
    int cur = -1;
    int focus = -1;
    HIMAGELIST images = nullptr;
    QPointer<QTabBar> bar;
};

TabControl* StateOf(HWND h) { return ControlWindow::Of<TabControl>(h); }

int Count(const TabControl& s) { return static_cast<int>(s.items.size()); }
bool Valid(const TabControl& s, INT_PTR i) { return i >= 0 && i < Count(s); }

int TabHeight(const TabControl& s)
{
    if (!s.bar) return kTabHeightWithoutWidget;
    return std::max(kTabHeightWithoutWidget, s.bar->sizeHint().height());
}

// The tab row and the display area's frame, in window coordinates.
void ShapeWindow(HWND h, const TabControl& s)
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

void Place(HWND h, TabControl& s)
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

void Show(HWND h, TabControl& s)
{
    if (s.bar) {
        ProgrammaticChange change;
        while (s.bar->count() > 0) s.bar->removeTab(0);
        for (const TabItem& item : s.items) {
            QImage icon = (s.images && item.image >= 0) ? ImageListPicture(s.images, item.image) : QImage();
            if (icon.isNull())
                s.bar->addTab(QString::fromStdWString(item.text));
            else
                s.bar->addTab(QIcon(QPixmap::fromImage(icon)), QString::fromStdWString(item.text));
        }
        s.bar->setCurrentIndex(s.cur);
    }
    Place(h, s);
}

// The user's move to another tab, which the parent may refuse.
void SelectByUser(HWND h, int index)
{
    TabControl* s = StateOf(h);
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
            TabControl* s = StateOf(window_);
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

void Paint(HWND h, const TabControl& s)
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

LRESULT TabControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    auto index = static_cast<INT_PTR>(wParam);
    switch (message) {
    case WM_CREATE: {
        auto* widget = new QTabBar;
        widget->setDrawBase(false);
        widget->setExpanding(false);
        widget->setUsesScrollButtons(true);
        bar = static_cast<QTabBar*>(EmbedWidget(h, widget));
        if (bar) bar->installEventFilter(new TabInput(h, bar));
        Show(h, *this);
        return 0;
    }
    case WM_SIZE: Place(h, *this); return 0;
    case WM_PAINT: Paint(h, *this); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_SETFONT:
        Default(message, wParam, lParam);
        Place(h, *this);
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_LEFT || wParam == VK_RIGHT) {
            int next = cur + (wParam == VK_RIGHT ? 1 : -1);
            SelectByUser(h, std::clamp(next, 0, std::max(0, Count(*this) - 1)));
        }
        return 0;
    case TCM_INSERTITEMW: {
        auto* item = reinterpret_cast<const TCITEMW*>(lParam);
        if (!item || index < 0) return -1;
        int at = static_cast<int>(std::min<INT_PTR>(index, Count(*this)));
        TabItem t;
        if ((item->mask & TCIF_TEXT) && item->pszText) t.text = item->pszText;
        if (item->mask & TCIF_IMAGE) t.image = item->iImage;
        if (item->mask & TCIF_PARAM) t.param = item->lParam;
        items.insert(items.begin() + at, t);
        if (cur >= at) ++cur;
        if (focus >= at) ++focus;
        if (cur < 0) cur = focus = 0;  // the first tab is the selected one
        Show(h, *this);
        return at;
    }
    case TCM_SETITEMW:
    case TCM_GETITEMW: {
        auto* item = reinterpret_cast<TCITEMW*>(lParam);
        if (!item || !Valid(*this, index)) return FALSE;
        TabItem& t = items[static_cast<size_t>(index)];
        if (message == TCM_GETITEMW) {
            if (item->mask & TCIF_TEXT)
                CopyTextOut(t.text, item->pszText, static_cast<size_t>(std::max(0, item->cchTextMax)));
            if (item->mask & TCIF_IMAGE) item->iImage = t.image;
            if (item->mask & TCIF_PARAM) item->lParam = t.param;
            return TRUE;
        }
        if ((item->mask & TCIF_TEXT) && item->pszText) t.text = item->pszText;
        if (item->mask & TCIF_IMAGE) t.image = item->iImage;
        if (item->mask & TCIF_PARAM) t.param = item->lParam;
        Show(h, *this);
        return TRUE;
    }
    case TCM_DELETEITEM:
        if (!Valid(*this, index)) return FALSE;
        items.erase(items.begin() + index);
        if (cur == index)
            cur = -1;
        else if (cur > index)
            --cur;
        if (focus >= Count(*this)) focus = Count(*this) - 1;
        Show(h, *this);
        return TRUE;
    case TCM_DELETEALLITEMS:
        items.clear();
        cur = focus = -1;
        Show(h, *this);
        return TRUE;
    case TCM_GETITEMCOUNT: return Count(*this);
    case TCM_GETCURSEL: return cur;
    case TCM_SETCURSEL: {
        if (!Valid(*this, index)) return -1;
        int old = cur;
        cur = focus = static_cast<int>(index);
        if (bar) {
            ProgrammaticChange change;
            bar->setCurrentIndex(cur);
        }
        return old;
    }
    case TCM_GETCURFOCUS: return focus;
    case TCM_SETCURFOCUS:
        if (Valid(*this, index)) SelectByUser(h, static_cast<int>(index));
        return 0;
    case TCM_GETITEMRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || !Valid(*this, index)) return FALSE;
        if (bar && index < bar->count()) {
            QRect q = bar->tabRect(static_cast<int>(index));
            *r = RECT{q.left(), q.top(), q.right() + 1, q.bottom() + 1};
        } else {
            *r = RECT{static_cast<LONG>(index * 60), 0, static_cast<LONG>(index * 60 + 60), kTabHeightWithoutWidget};
        }
        return TRUE;
    }
    case TCM_ADJUSTRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r) return 0;
        int top = TabHeight(*this);
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
        HIMAGELIST old = images;
        images = reinterpret_cast<HIMAGELIST>(lParam);
        Show(h, *this);
        return reinterpret_cast<LRESULT>(old);
    }
    case TCM_GETIMAGELIST: return reinterpret_cast<LRESULT>(images);
    case TCM_HITTEST: {
        auto* hit = reinterpret_cast<TCHITTESTINFO*>(lParam);
        if (!hit || !bar) return -1;
        int i = bar->tabAt(QPoint(hit->pt.x, hit->pt.y));
        hit->flags = i >= 0 ? 6 : 1;  // TCHT_ONITEM : TCHT_NOWHERE
        return i;
    }
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterTabClass() { ControlWindow::Register<TabControl>(WC_TABCONTROLW); }

}  // namespace mfc_controls
