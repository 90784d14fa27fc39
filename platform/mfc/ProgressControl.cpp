// The "msctls_progress32" class over a QProgressBar: a 16-bit range
// (PBM_SETRANGE, both ends unsigned as the message packs them) or a 32-bit
// one (PBM_SETRANGE32), the position clamped into it, and stepping that
// starts again at the bottom when it passes the top.
#include <QProgressBar>
#include <algorithm>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {
namespace {

struct ProgressControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override { return bar; }

    int low = 0;
    int high = 100;
    int pos = 0;
    int step = 10;
    QPointer<QProgressBar> bar;
};

void Show(ProgressControl& s)
{
    if (!s.bar) return;
    ProgrammaticChange change;
    s.bar->setRange(std::min(s.low, s.high), std::max(s.low, s.high));
    s.bar->setValue(s.pos);
}

int Clamp(const ProgressControl& s, long long v)
{
    return static_cast<int>(std::clamp<long long>(v, std::min(s.low, s.high), std::max(s.low, s.high)));
}

LRESULT ProgressControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        auto* widget = new QProgressBar;
        widget->setTextVisible(false);
        widget->setOrientation((Style() & PBS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
        widget->setFocusPolicy(Qt::NoFocus);
        bar = static_cast<QProgressBar*>(EmbedWidget(Handle(), widget));
        Show(*this);
        return 0;
    }
    case PBM_SETRANGE: {
        LRESULT old = MAKELONG(static_cast<WORD>(low), static_cast<WORD>(high));
        low = LOWORD(static_cast<DWORD_PTR>(lParam));
        high = HIWORD(static_cast<DWORD_PTR>(lParam));
        pos = Clamp(*this, pos);
        Show(*this);
        return old;
    }
    case PBM_SETRANGE32: {
        LRESULT old = MAKELONG(static_cast<WORD>(low), static_cast<WORD>(high));
        low = static_cast<int>(static_cast<INT_PTR>(wParam));
        high = static_cast<int>(lParam);
        pos = Clamp(*this, pos);
        Show(*this);
        return old;
    }
    case PBM_GETRANGE: {
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = low;
            range->iHigh = high;
        }
        return wParam ? low : high;
    }
    case PBM_SETPOS: {
        int old = pos;
        pos = Clamp(*this, static_cast<int>(static_cast<INT_PTR>(wParam)));
        Show(*this);
        return old;
    }
    case PBM_DELTAPOS: {
        int old = pos;
        pos = Clamp(*this, static_cast<long long>(pos) + static_cast<int>(static_cast<INT_PTR>(wParam)));
        Show(*this);
        return old;
    }
    case PBM_GETPOS: return pos;
    case PBM_SETSTEP: {
        int old = step;
        step = static_cast<int>(static_cast<INT_PTR>(wParam));
        return old;
    }
    case PBM_STEPIT: {
        int old = pos;
        long long next = static_cast<long long>(pos) + step;
        int top = std::max(low, high), bottom = std::min(low, high);
        // Past the top it starts again from the bottom.
        if (next > top) next = bottom + (next - top) % std::max(1, top - bottom);
        pos = Clamp(*this, next);
        Show(*this);
        return old;
    }
    case PBM_SETBARCOLOR:
    case PBM_SETBKCOLOR: return static_cast<LRESULT>(CLR_DEFAULT);
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterProgressClass() { ControlWindow::Register<ProgressControl>(PROGRESS_CLASSW); }

}  // namespace mfc_controls
