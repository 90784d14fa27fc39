#include "EmbeddedWidget.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/GdiText.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/QtAccess.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

// Set while a key the layer hands back is being delivered to a widget.
int g_forwarding = 0;
// Set when such a key, refused by the widget, reached the window's own
// widget and was stopped there.
bool g_stoppedAtHost = false;

struct KeyPair {
    int qt;
    WORD vk;
};

const KeyPair kKeys[] = {
    {Qt::Key_Escape, VK_ESCAPE},   {Qt::Key_Return, VK_RETURN},
    {Qt::Key_Enter, VK_RETURN},    {Qt::Key_Tab, VK_TAB},
    {Qt::Key_Backtab, VK_TAB},     {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Space, VK_SPACE},     {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Right, VK_RIGHT},     {Qt::Key_Up, VK_UP},
    {Qt::Key_Down, VK_DOWN},       {Qt::Key_Home, VK_HOME},
    {Qt::Key_End, VK_END},         {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},   {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},   {Qt::Key_Shift, VK_SHIFT},
    {Qt::Key_Control, VK_CONTROL}, {Qt::Key_Alt, VK_MENU},
    {Qt::Key_Pause, VK_PAUSE},     {Qt::Key_CapsLock, VK_CAPITAL},
};

WORD VirtualKeyOf(int key)
{
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<WORD>('A' + (key - Qt::Key_A));
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return static_cast<WORD>('0' + (key - Qt::Key_0));
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<WORD>(VK_F1 + (key - Qt::Key_F1));
    for (const KeyPair& k : kKeys)
        if (k.qt == key) return k.vk;
    return 0;
}

int QtKeyOf(WORD vk)
{
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk < VK_F1 + 24) return Qt::Key_F1 + (vk - VK_F1);
    for (const KeyPair& k : kKeys)
        if (k.vk == vk) return k.qt;
    return 0;
}

Qt::KeyboardModifiers CurrentModifiers()
{
    Qt::KeyboardModifiers m;
    if (GetKeyState(VK_SHIFT) & 0x8000) m |= Qt::ShiftModifier;
    if (GetKeyState(VK_CONTROL) & 0x8000) m |= Qt::ControlModifier;
    if (GetKeyState(VK_MENU) & 0x8000) m |= Qt::AltModifier;
    return m;
}

// Routes the widget's input through the window layer.
class InputFilter : public QObject {
public:
    InputFilter(HWND window, QObject* parent) : QObject(parent), window_(window) {}

    bool eventFilter(QObject* watched, QEvent* e) override
    {
        const bool key = e->type() == QEvent::KeyPress || e->type() == QEvent::KeyRelease;
        if (watched == parent()) {
            // The window's own widget. A key handed back to a widget inside
            // it and refused there (a modifier, a release) would climb to it
            // and enter the input queue once more, reach the control again
            // and be handed back again, without end: the window already had
            // that key, so it stops here. The widget's own input goes its
            // usual way.
            if (!key || !g_forwarding) return false;
            g_stoppedAtHost = true;
            e->accept();
            return true;
        }
        switch (e->type()) {
        case QEvent::ShortcutOverride: {
            // Enter and Escape are the dialog's keys (and an open list's,
            // through its control): no widget may act on them in Qt's
            // shortcut check, before they reach the window.
            if (g_forwarding) return false;
            const int k = static_cast<QKeyEvent*>(e)->key();
            return k == Qt::Key_Escape || k == Qt::Key_Return || k == Qt::Key_Enter;
        }
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            if (g_forwarding) return false;
            auto* k = static_cast<QKeyEvent*>(e);
            if (!TakesInput(window_)) return true;
            WORD vk = VirtualKeyOf(k->key());
            if (!vk) return false;  // keys the layer does not know stay with Qt
            if (e->type() == QEvent::KeyRelease) {
                if (!k->isAutoRepeat()) InjectKey(vk, false);
                return true;
            }
            QString text = k->text();
            wchar_t ch = 0;
            if (!text.isEmpty() && text[0].unicode() >= 0x20 && text[0].unicode() != 0x7F)
                ch = static_cast<wchar_t>(text[0].unicode());
            else if (vk == VK_RETURN)
                ch = L'\r';
            else if (vk == VK_TAB)
                ch = L'\t';
            else if (vk == VK_BACK)
                ch = L'\b';
            else if (vk == VK_ESCAPE)
                ch = L'\x1b';
            InjectKey(vk, true, ch);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: return !PrepareMousePress(window_);
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::ContextMenu: return !TakesInput(window_);
        default: return false;
        }
    }

private:
    HWND window_;
};

void Watch(HWND window, QWidget* widget)
{
    // One filter per window, a child of the window's own widget, so that it
    // goes with the window.
    QWidget* root = GetWindowQWidget(window);
    if (!root) return;
    InputFilter* filter = nullptr;
    for (QObject* child : root->children())
        if ((filter = dynamic_cast<InputFilter*>(child))) break;
    if (!filter) {
        filter = new InputFilter(window, root);
        root->installEventFilter(filter);
    }
    widget->installEventFilter(filter);
    for (QWidget* child : widget->findChildren<QWidget*>()) child->installEventFilter(filter);
}

}  // namespace

bool TakesInput(HWND window)
{
    for (HWND h = window; h; h = GetAncestor(h, GA_PARENT)) {
        if (!IsWindowEnabled(h)) return false;
        if (!(GetWindowLongW(h, GWL_STYLE) & WS_VISIBLE)) return false;
    }
    return IsWindow(window) != FALSE;
}

bool PrepareMousePress(HWND window)
{
    if (!TakesInput(window)) return false;
    if (GetFocus() != window) {
        HWND root = GetAncestor(window, GA_ROOT);
        if (root && GetActiveWindow() != root) SetActiveWindow(root);
        if (IsWindow(window)) SetFocus(window);
    }
    return IsWindow(window) != FALSE;
}

QWidget* EmbedWidget(HWND window, QWidget* widget)
{
    QWidget* host = GetWindowQWidget(window);
    if (!host) {
        delete widget;
        return nullptr;
    }
    widget->setParent(host);
    Watch(window, widget);
    PlaceInClientArea(window, widget);
    widget->setEnabled(IsWindowEnabled(window) != FALSE);
    widget->show();
    return widget;
}

void WatchInput(HWND window, QWidget* widget)
{
    if (widget) Watch(window, widget);
}

void PlaceInClientArea(HWND window, QWidget* widget)
{
    if (!widget) return;
    RECT windowRect, client;
    GetWindowRect(window, &windowRect);
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    widget->setGeometry(origin.x - windowRect.left, origin.y - windowRect.top, client.right, client.bottom);
}

QFont FontOfHandle(HGDIOBJ font)
{
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    QFont f = win32_gui::DcFont(dc);
    DeleteDC(dc);
    return f;
}

bool ForwardKey(QWidget* target, UINT message, WPARAM wParam, LPARAM)
{
    if (!target) return false;
    QEvent::Type type = (message == WM_KEYUP || message == WM_SYSKEYUP) ? QEvent::KeyRelease : QEvent::KeyPress;
    int key = 0;
    QString text;
    if (message == WM_CHAR || message == WM_SYSCHAR) {
        auto ch = static_cast<char32_t>(wParam);
        if (ch < 0x20 || ch == 0x7F) return false;  // control characters come as their keys
        text = QString::fromUcs4(&ch, 1);
        key =
            text.size() == 1 ? static_cast<int>(QChar(text[0]).toUpper().unicode()) : static_cast<int>(Qt::Key_unknown);
    } else {
        key = QtKeyOf(static_cast<WORD>(wParam));
        if (!key) return false;
        // A plain character key does its work through WM_CHAR; its key
        // events would only make the widget look for shortcuts.
        bool character =
            (key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9) || key == Qt::Key_Space;
        if (character && !(CurrentModifiers() & (Qt::ControlModifier | Qt::AltModifier))) return false;
    }
    QKeyEvent event(type, key, CurrentModifiers(), text);
    ++g_forwarding;
    const bool stoppedBefore = g_stoppedAtHost;
    g_stoppedAtHost = false;
    QApplication::sendEvent(target, &event);
    const bool refused = g_stoppedAtHost;
    g_stoppedAtHost = stoppedBefore;
    --g_forwarding;
    return event.isAccepted() && !refused;
}

}  // namespace mfc_controls
