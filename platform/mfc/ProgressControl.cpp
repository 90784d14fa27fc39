// The "msctls_progress32" class over a QProgressBar: a 16-bit range
// (PBM_SETRANGE, both ends unsigned as the message packs them) or a 32-bit
// one (PBM_SETRANGE32), the position clamped into it, and stepping that
// starts again at the bottom when it passes the top.
#include <QProgressBar>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/mfc/ControlClasses.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {
namespace {

struct ProgressState {
    int low = 0;
    int high = 100;
    int pos = 0;
    int step = 10;
    QPointer<QProgressBar> bar;
};

std::map<HWND, std::unique_ptr<ProgressState>>& States()
{
    static std::map<HWND, std::unique_ptr<ProgressState>> s;
    return s;
}

ProgressState* StateOf(HWND h)
{
    auto it = States().find(h);
    return it == States().end() ? nullptr : it->second.get();
}

void Show(ProgressState& s)
{
    if (!s.bar) return;
    ProgrammaticChange change;
    s.bar->setRange(std::min(s.low, s.high), std::max(s.low, s.high));
    s.bar->setValue(s.pos);
}

int Clamp(const ProgressState& s, long long v)
{
    return static_cast<int>(std::clamp<long long>(v, std::min(s.low, s.high), std::max(s.low, s.high)));
}

LRESULT ProgressProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        NotifyCreating(h);
        States()[h] = std::make_unique<ProgressState>();
        return DefWindowProcW(h, message, wParam, lParam);
    }
    ProgressState* s = StateOf(h);
    if (!s) return DefWindowProcW(h, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        auto* bar = new QProgressBar;
        bar->setTextVisible(false);
        bar->setOrientation((GetWindowLongW(h, GWL_STYLE) & PBS_VERTICAL) ? Qt::Vertical : Qt::Horizontal);
        bar->setFocusPolicy(Qt::NoFocus);
        s->bar = static_cast<QProgressBar*>(EmbedWidget(h, bar));
        Show(*s);
        return 0;
    }
    case WM_NCDESTROY:
        States().erase(h);
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_SIZE: PlaceInClientArea(h, s->bar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case PBM_SETRANGE: {
        LRESULT old = MAKELONG(static_cast<WORD>(s->low), static_cast<WORD>(s->high));
        s->low = LOWORD(static_cast<DWORD_PTR>(lParam));
        s->high = HIWORD(static_cast<DWORD_PTR>(lParam));
        s->pos = Clamp(*s, s->pos);
        Show(*s);
        return old;
    }
    case PBM_SETRANGE32: {
        LRESULT old = MAKELONG(static_cast<WORD>(s->low), static_cast<WORD>(s->high));
        s->low = static_cast<int>(static_cast<INT_PTR>(wParam));
        s->high = static_cast<int>(lParam);
        s->pos = Clamp(*s, s->pos);
        Show(*s);
        return old;
    }
    case PBM_GETRANGE: {
        if (auto* range = reinterpret_cast<PBRANGE*>(lParam)) {
            range->iLow = s->low;
            range->iHigh = s->high;
        }
        return wParam ? s->low : s->high;
    }
    case PBM_SETPOS: {
        int old = s->pos;
        s->pos = Clamp(*s, static_cast<int>(static_cast<INT_PTR>(wParam)));
        Show(*s);
        return old;
    }
    case PBM_DELTAPOS: {
        int old = s->pos;
        s->pos = Clamp(*s, static_cast<long long>(s->pos) + static_cast<int>(static_cast<INT_PTR>(wParam)));
        Show(*s);
        return old;
    }
    case PBM_GETPOS: return s->pos;
    case PBM_SETSTEP: {
        int old = s->step;
        s->step = static_cast<int>(static_cast<INT_PTR>(wParam));
        return old;
    }
    case PBM_STEPIT: {
        int old = s->pos;
        long long next = static_cast<long long>(s->pos) + s->step;
        int top = std::max(s->low, s->high), bottom = std::min(s->low, s->high);
        // Past the top it starts again from the bottom.
        if (next > top) next = bottom + (next - top) % std::max(1, top - bottom);
        s->pos = Clamp(*s, next);
        Show(*s);
        return old;
    }
    case PBM_SETBARCOLOR:
    case PBM_SETBKCOLOR: return static_cast<LRESULT>(CLR_DEFAULT);
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

void RegisterProgressClass() { RegisterControlClass(PROGRESS_CLASSW, ProgressProc); }

}  // namespace mfc_controls
