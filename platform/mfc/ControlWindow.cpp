#include "ControlWindow.h"

#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/gui/Paint.h"

namespace mfc_controls {

LRESULT ControlWindow::Dispatch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    std::shared_ptr<WindowClassState> held = HoldWindowClassState(window);
    auto* control = dynamic_cast<ControlWindow*>(held.get());
    if (!control) return DefWindowProcW(window, message, wParam, lParam);
    return control->OnMessage(message, wParam, lParam);
}

LRESULT ControlWindow::Default(UINT message, WPARAM wParam, LPARAM lParam)
{
    QWidget* widget = Widget();
    const bool focusable = widget && widget->focusPolicy() != Qt::NoFocus;
    switch (message) {
    case WM_SIZE:
        if (!widget) break;
        PlaceInClientArea(window_, widget);
        return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(window_, &ps);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_SETFONT:
        font_ = reinterpret_cast<HGDIOBJ>(wParam);
        if (widget) widget->setFont(FontOfHandle(font_));
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(font_);
    case WM_ENABLE:
        if (!widget) break;
        widget->setEnabled(wParam != 0);
        return 0;
    case WM_SETFOCUS:
        if (focusable) widget->setFocus(Qt::OtherFocusReason);
        OnFocusChanged(true);
        return 0;
    case WM_KILLFOCUS:
        if (focusable && widget->hasFocus()) widget->clearFocus();
        OnFocusChanged(false);
        return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace mfc_controls
