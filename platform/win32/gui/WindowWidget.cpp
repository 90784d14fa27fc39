#include "WindowWidget.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <QWheelEvent>
#include <QWidget>
#include <QWindow>

#include "Input.h"
#include "MessageQueue.h"
#include "WindowGeometry.h"
#include "WindowObject.h"

namespace win32_gui {
namespace {

POINT ToPoint(const QPointF& p) { return POINT{static_cast<LONG>(p.x()), static_cast<LONG>(p.y())}; }

bool ButtonOf(Qt::MouseButton b, MouseButton* out)
{
    switch (b) {
    case Qt::LeftButton: *out = MouseButton::Left; return true;
    case Qt::RightButton: *out = MouseButton::Right; return true;
    case Qt::MiddleButton: *out = MouseButton::Middle; return true;
    default: return false;
    }
}

WORD VirtualKeyOf(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WORD>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WORD>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
    switch (key) {
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_End: return VK_END;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    default: return 0;
    }
}

// Everything a widget receives goes through the input queue, so a window
// sees the same messages from Qt as from a test; the widget only paints.
class WindowWidget : public QWidget {
public:
    WindowWidget(HWND window, QWidget* parent) : QWidget(parent), window_(window)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setAttribute(Qt::WA_NoSystemBackground);
        setMouseTracking(true);
        setFocusPolicy(parent ? Qt::NoFocus : Qt::StrongFocus);
    }

protected:
    void paintEvent(QPaintEvent* e) override
    {
        WindowObject* w = Find(window_);
        if (!w) return;
        QPainter p(this);
        // Nothing has drawn into the window yet: it is white.
        if (w->backing.isNull())
            p.fillRect(e->rect(), Qt::white);
        else
            p.drawImage(e->rect(), w->backing, e->rect());
    }
    void mouseMoveEvent(QMouseEvent* e) override { InjectMouseMove(ToPoint(e->globalPosition())); }
    void mousePressEvent(QMouseEvent* e) override
    {
        MouseButton b;
        if (ButtonOf(e->button(), &b)) InjectMouseButton(b, true, ToPoint(e->globalPosition()));
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override
    {
        // Double clicks are found by the input queue from two presses.
        mousePressEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        MouseButton b;
        if (ButtonOf(e->button(), &b)) InjectMouseButton(b, false, ToPoint(e->globalPosition()));
    }
    void wheelEvent(QWheelEvent* e) override
    {
        int delta = e->angleDelta().y();
        if (delta) InjectMouseWheel(delta, ToPoint(e->globalPosition()));
    }
    void leaveEvent(QEvent*) override
    {
        // The cursor left every window of ours: a move there reports the leave.
        if (!parentWidget()) InjectMouseMove(ToPoint(QCursor::pos()));
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        WORD vk = VirtualKeyOf(e->key());
        if (!vk) return;
        QString text = e->text();
        wchar_t ch = (!text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F)
                         ? static_cast<wchar_t>(text[0].unicode())
                         : (vk == VK_RETURN   ? L'\r'
                            : vk == VK_TAB    ? L'\t'
                            : vk == VK_BACK   ? L'\b'
                            : vk == VK_ESCAPE ? L'\x1b'
                                              : 0);
        InjectKey(vk, true, ch);
    }
    void keyReleaseEvent(QKeyEvent* e) override
    {
        if (e->isAutoRepeat()) return;
        if (WORD vk = VirtualKeyOf(e->key())) InjectKey(vk, false);
    }
    bool focusNextPrevChild(bool) override { return false; }  // Tab is a key like the others
    void changeEvent(QEvent* e) override
    {
        // Iconified or brought back by the desktop (its task bar, a key of
        // the window manager): the window hears it as from its system menu.
        if (e->type() == QEvent::WindowStateChange && !parentWidget()) {
            WindowObject* w = Find(window_);
            bool iconic = (windowState() & Qt::WindowMinimized) != 0;
            if (w && iconic != ((w->style & WS_MINIMIZE) != 0))
                PostMessageW(window_, WM_SYSCOMMAND, iconic ? SC_MINIMIZE : SC_RESTORE, 0);
        }
        QWidget::changeEvent(e);
    }
    void moveEvent(QMoveEvent*) override { FollowDesktop(); }
    void resizeEvent(QResizeEvent*) override { FollowDesktop(); }
    void closeEvent(QCloseEvent* e) override
    {
        // The window manager's close button asks the window, as its system menu would.
        e->ignore();
        PostMessageW(window_, WM_SYSCOMMAND, SC_CLOSE, 0);
    }

private:
    // The desktop placed the window somewhere the window does not know of
    // (its window manager moved or sized it: an Alt+drag, a request of
    // another program, a key of the desktop): the window hears it as from
    // SetWindowPos, so that hit tests, menus and tooltips use the real
    // place. Its own changes reach Qt before this is called and match.
    void FollowDesktop()
    {
        if (parentWidget() || !isVisible()) return;
        WindowObject* w = Find(window_);
        if (!w || w->destroying || (w->style & WS_MINIMIZE)) return;
        const QRect g = geometry();
        const bool moved = g.x() != w->rect.left || g.y() != w->rect.top;
        const bool sized = g.width() != w->Width() || g.height() != w->Height();
        if (!moved && !sized) return;
        SetWindowPos(window_, nullptr, g.x(), g.y(), g.width(), g.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE | (moved ? 0 : SWP_NOMOVE) | (sized ? 0 : SWP_NOSIZE));
    }

    HWND window_;
};

// The offscreen platform keeps no stacking of top-level windows and says so
// on every attempt; our own order is what counts there.
bool CanStackTopLevels() { return QGuiApplication::platformName() != QLatin1String("offscreen"); }

bool WidgetsAvailable()
{
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    return app && app->thread() == QThread::currentThread();
}

Qt::WindowFlags FlagsFor(const WindowObject& w)
{
    Qt::WindowFlags f = Qt::FramelessWindowHint;
    f |= (w.exStyle & WS_EX_TOOLWINDOW) ? Qt::Tool : Qt::Window;
    if (w.exStyle & WS_EX_TOPMOST) f |= Qt::WindowStaysOnTopHint;
    return f;
}

QWidget* ParentWidget(const WindowObject& w)
{
    if (!w.IsChild()) return nullptr;
    WindowObject* p = Find(w.parent);
    return p ? p->widget : nullptr;
}

}  // namespace

void CreateWidgetFor(WindowObject& w)
{
    if (!WidgetsAvailable()) return;
    QWidget* parent = ParentWidget(w);
    if (w.IsChild() && !parent) return;
    auto* widget = new WindowWidget(w.handle, parent);
    if (!parent) {
        widget->setWindowFlags(FlagsFor(w));
        // Activation is ours to decide (ShowWindow, SetActiveWindow), not a side effect of showing.
        widget->setAttribute(Qt::WA_ShowWithoutActivating);
        // An owned window stays above its owner on the desktop.
        WindowObject* owner = Find(w.owner);
        if (owner && owner->widget) {
            widget->winId();
            owner->widget->winId();
            if (widget->windowHandle() && owner->widget->windowHandle())
                widget->windowHandle()->setTransientParent(owner->widget->windowHandle());
        }
    }
    // Hidden until the window is shown: Qt would otherwise show a child
    // together with its parent.
    widget->setVisible(false);
    w.widget = widget;
    SyncWidgetGeometry(w);
    SyncWidgetStacking(w);
}

void DestroyWidgetFor(WindowObject& w)
{
    QWidget* widget = w.widget;
    if (!widget) return;
    w.widget = nullptr;
    // Child widgets still alive (windows whose own teardown did not run) are
    // released with it; forget them first.
    for (HWND c : w.children)
        if (WindowObject* co = Find(c)) co->widget = nullptr;
    delete widget;
}

void SyncWidgetGeometry(WindowObject& w)
{
    if (w.widget) {
        QRect r;
        if (w.IsChild()) {
            WindowObject* p = Find(w.parent);
            QPoint offset = p ? QPoint(p->clientInset.left, p->clientInset.top) : QPoint();
            r = QRect(w.rect.left + offset.x(), w.rect.top + offset.y(), w.Width(), w.Height());
        } else {
            r = QRect(w.rect.left, w.rect.top, w.Width(), w.Height());
        }
        w.widget->setGeometry(r);
    }
    for (HWND c : w.children)
        if (WindowObject* co = Find(c)) SyncWidgetGeometry(*co);
}

void SyncWidgetVisibility(WindowObject& w)
{
    if (w.widget) w.widget->setVisible((w.style & WS_VISIBLE) != 0);
}

void SyncWidgetShowState(WindowObject& w)
{
    if (!w.widget || w.IsChild()) return;
    Qt::WindowStates state = w.widget->windowState();
    bool iconic = (w.style & WS_MINIMIZE) != 0;
    if (iconic == ((state & Qt::WindowMinimized) != 0)) return;
    w.widget->setWindowState(iconic ? (state | Qt::WindowMinimized) : (state & ~Qt::WindowMinimized));
}

void SyncWidgetStacking(WindowObject& w)
{
    if (!w.widget) return;
    if (w.IsChild()) {
        WindowObject* p = Find(w.parent);
        if (!p) return;
        // Raise from the bottom up, so the first of the list ends on top.
        for (auto it = p->children.rbegin(); it != p->children.rend(); ++it)
            if (WindowObject* c = Find(*it); c && c->widget) c->widget->raise();
        return;
    }
    if (!CanStackTopLevels()) return;
    auto& top = TopLevelWindows();
    if (!top.empty() && top.front() == w.handle)
        w.widget->raise();
    else if (!top.empty() && top.back() == w.handle)
        w.widget->lower();
}

void SyncWidgetFlags(WindowObject& w)
{
    if (!w.widget || w.IsChild()) return;
    bool visible = w.widget->isVisible();
    w.widget->setWindowFlags(FlagsFor(w));
    SyncWidgetGeometry(w);
    if (visible) w.widget->show();
}

void SyncWidgetMask(WindowObject& w)
{
    if (!w.widget) return;
    if (w.hasRegion)
        w.widget->setMask(w.region);
    else
        w.widget->clearMask();
}

void ReparentWidget(WindowObject& w)
{
    if (!w.widget) return;
    QWidget* parent = ParentWidget(w);
    w.widget->setParent(parent, parent ? Qt::Widget : FlagsFor(w));
    w.widget->setFocusPolicy(parent ? Qt::NoFocus : Qt::StrongFocus);
    SyncWidgetGeometry(w);
    SyncWidgetVisibility(w);
    SyncWidgetStacking(w);
}

void ActivateWidget(WindowObject& w)
{
    if (!w.widget || w.IsChild()) return;
    if (CanStackTopLevels()) w.widget->raise();
    if (w.widget->isVisible()) {
        w.widget->activateWindow();
        w.widget->setFocus(Qt::OtherFocusReason);
    }
}

void UpdateWidget(WindowObject& w, const QRect& r)
{
    if (w.widget) w.widget->update(r);
}

void RepaintWidgetNow(WindowObject& w)
{
    if (w.widget && w.widget->isVisible()) w.widget->repaint();
}

namespace {

// Waits for the end of a drag the window manager runs: it holds the mouse
// and the keyboard while it drags, so the first input the program gets
// again comes after the drag.
class DesktopDragWatch : public QObject {
public:
    explicit DesktopDragWatch(HWND window) : window_(window) {}

    bool eventFilter(QObject* target, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::KeyPress:
        case QEvent::Enter: End(); break;
        default: break;
        }
        return QObject::eventFilter(target, e);
    }
    // Posted, as the watch sits inside Qt's delivery of an event.
    void End()
    {
        if (done_) return;
        done_ = true;
        if (IsLiveHandle(window_)) PostMessageW(window_, WM_EXITSIZEMOVE, 0, 0);
        deleteLater();
    }

private:
    HWND window_;
    bool done_ = false;
};

QPointer<DesktopDragWatch> g_dragWatch;

Qt::Edges EdgesOf(unsigned edge)
{
    switch (edge) {
    case WMSZ_LEFT: return Qt::LeftEdge;
    case WMSZ_RIGHT: return Qt::RightEdge;
    case WMSZ_TOP: return Qt::TopEdge;
    case WMSZ_TOPLEFT: return Qt::TopEdge | Qt::LeftEdge;
    case WMSZ_TOPRIGHT: return Qt::TopEdge | Qt::RightEdge;
    case WMSZ_BOTTOM: return Qt::BottomEdge;
    case WMSZ_BOTTOMLEFT: return Qt::BottomEdge | Qt::LeftEdge;
    case WMSZ_BOTTOMRIGHT: return Qt::BottomEdge | Qt::RightEdge;
    default: return {};
    }
}

}  // namespace

bool StartDesktopDrag(WindowObject& w, unsigned edge, const QSize& minimum, const QSize& maximum)
{
    if (!w.widget || w.IsChild() || !w.widget->isVisible()) return false;
    QWindow* handle = w.widget->windowHandle();
    if (!handle) return false;
    if (edge) {
        const Qt::Edges edges = EdgesOf(edge);
        if (!edges || !handle->startSystemResize(edges)) return false;
        // The manager keeps the size within the window's limits; told once
        // it drags, so that no limit changes a window no manager sizes.
        handle->setMinimumSize(minimum.expandedTo(QSize(1, 1)));
        handle->setMaximumSize(maximum.boundedTo(QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX)).expandedTo(minimum));
    } else if (!handle->startSystemMove()) {
        return false;
    }
    if (g_dragWatch) g_dragWatch->End();
    g_dragWatch = new DesktopDragWatch(w.handle);
    QCoreApplication::instance()->installEventFilter(g_dragWatch);
    return true;
}

void ApplyCursorToWidgets(const QCursor* cursor)
{
    if (!WidgetsAvailable()) return;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (!dynamic_cast<WindowWidget*>(top)) continue;
        top->setCursor(cursor ? *cursor : QCursor(Qt::BlankCursor));
        for (QWidget* c : top->findChildren<QWidget*>()) c->setCursor(cursor ? *cursor : QCursor(Qt::BlankCursor));
    }
}

}  // namespace win32_gui
