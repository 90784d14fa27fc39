// The "msctls_trackbar32" class over a QSlider: range, position, line and
// page sizes, tick frequency and the selection band (TBS_ENABLESELRANGE),
// which the widget draws over the groove. Every move by the user reaches the
// parent as WM_HSCROLL (WM_VSCROLL for TBS_VERT) with the system's codes:
// arrows TB_LINEUP / TB_LINEDOWN, page keys and clicks on the channel
// TB_PAGEUP / TB_PAGEDOWN, Home and End TB_TOP / TB_BOTTOM, dragging the
// thumb TB_THUMBTRACK and, when it is let go, TB_THUMBPOSITION; each move
// ends with TB_ENDTRACK when the key or the button is released. The
// position has changed when the message arrives. TBM_SETPOS moves silently.
#include <QBasicTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyleOptionSlider>
#include <QTimerEvent>
#include <algorithm>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/gui/ButtonControl.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

class TrackbarSlider;

struct TrackbarControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override;

    int minimum = 0;
    int maximum = 100;
    int pos = 0;
    int line = 1;
    int page = -1;  // -1: a fifth of the range
    int ticFreq = 1;
    int selStart = -1;
    int selEnd = -1;
    bool dragging = false;
    bool paging = false;
    bool keyTracking = false;
    QPointer<TrackbarSlider> slider;
};

TrackbarControl* StateOf(HWND h) { return ControlWindow::Of<TrackbarControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
int PageSize(const TrackbarControl& s) { return s.page >= 0 ? s.page : std::max(1, (s.maximum - s.minimum) / 5); }

void SendScroll(HWND h, UINT code, int pos)
{
    HWND parent = GetParent(h);
    if (!parent) return;
    WORD shown = (code == TB_THUMBPOSITION || code == TB_THUMBTRACK) ? static_cast<WORD>(pos) : 0;
    SendMessageW(parent, (Style(h) & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(code), shown),
                 reinterpret_cast<LPARAM>(h));
}

void OnAction(HWND h, int action);
void OnReleased(HWND h);
void PageToward(HWND h, int value);

class TrackbarSlider : public QSlider {
public:
    TrackbarSlider(HWND window, Qt::Orientation orientation) : QSlider(orientation), window_(window) {}

protected:
    void paintEvent(QPaintEvent* e) override
    {
        QSlider::paintEvent(e);
        TrackbarControl* s = StateOf(window_);
        if (!s || !(Style(window_) & TBS_ENABLESELRANGE) || s->selStart < 0 || s->selEnd < s->selStart) return;
        QStyleOptionSlider option;
        initStyleOption(&option);
        QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        bool horizontal = orientation() == Qt::Horizontal;
        int length = horizontal ? groove.width() - handle.width() : groove.height() - handle.height();
        int from = QStyle::sliderPositionFromValue(minimum(), maximum(), std::clamp(s->selStart, minimum(), maximum()),
                                                   length, option.upsideDown);
        int to = QStyle::sliderPositionFromValue(minimum(), maximum(), std::clamp(s->selEnd, minimum(), maximum()),
                                                 length, option.upsideDown);
        if (from > to) std::swap(from, to);
        QPainter p(this);
        QRect band;
        if (horizontal) {
            int offset = groove.left() + handle.width() / 2;
            band = QRect(offset + from, groove.center().y() - 2, std::max(1, to - from), 5);
        } else {
            int offset = groove.top() + handle.height() / 2;
            band = QRect(groove.center().x() - 2, offset + from, 5, std::max(1, to - from));
        }
        p.fillRect(band, palette().color(QPalette::Highlight));
    }
    // A press on the channel pages toward the point, again and again while
    // the button is held, until the thumb reaches it; the thumb itself is
    // dragged as the widget does it.
    void mousePressEvent(QMouseEvent* e) override
    {
        QStyleOptionSlider option;
        initStyleOption(&option);
        QStyle::SubControl hit =
            style()->hitTestComplexControl(QStyle::CC_Slider, &option, e->position().toPoint(), this);
        if (e->button() != Qt::LeftButton || hit == QStyle::SC_SliderHandle) {
            QSlider::mousePressEvent(e);
            return;
        }
        e->accept();
        QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
        bool horizontal = orientation() == Qt::Horizontal;
        int span = horizontal ? groove.width() - handle.width() : groove.height() - handle.height();
        int at = horizontal ? e->position().toPoint().x() - groove.left() - handle.width() / 2
                            : e->position().toPoint().y() - groove.top() - handle.height() / 2;
        target_ = QStyle::sliderValueFromPosition(minimum(), maximum(), at, std::max(1, span), option.upsideDown);
        paging_ = true;
        PageToward(window_, target_);
        repeat_.start(kFirstRepeatMs, this);
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (paging_) {
            paging_ = false;
            repeat_.stop();
            e->accept();
        } else {
            QSlider::mouseReleaseEvent(e);
        }
        OnReleased(window_);
    }
    void timerEvent(QTimerEvent* e) override
    {
        if (e->timerId() != repeat_.timerId()) {
            QSlider::timerEvent(e);
            return;
        }
        repeat_.start(kRepeatMs, this);
        if (paging_) PageToward(window_, target_);
    }

private:
    static constexpr int kFirstRepeatMs = 500;
    static constexpr int kRepeatMs = 100;
    HWND window_;
    bool paging_ = false;
    int target_ = 0;
    QBasicTimer repeat_;
};

void Show(HWND h, TrackbarControl& s)
{
    if (!s.slider) return;
    ProgrammaticChange change;
    s.slider->setRange(s.minimum, s.maximum);
    s.slider->setSingleStep(s.line);
    s.slider->setPageStep(PageSize(s));
    s.slider->setValue(s.pos);
    DWORD style = Style(h);
    if ((style & TBS_AUTOTICKS) && !(style & TBS_NOTICKS)) {
        s.slider->setTickPosition((style & TBS_BOTH)  ? QSlider::TicksBothSides
                                  : (style & TBS_TOP) ? QSlider::TicksAbove
                                                      : QSlider::TicksBelow);
        s.slider->setTickInterval(std::max(1, s.ticFreq));
    } else {
        s.slider->setTickPosition(QSlider::NoTicks);
    }
    s.slider->update();
}

int Clamp(const TrackbarControl& s, long long v)
{
    return static_cast<int>(std::clamp<long long>(v, std::min(s.minimum, s.maximum), std::max(s.minimum, s.maximum)));
}

void OnAction(HWND h, int action)
{
    if (ProgrammaticChange::Active()) return;
    TrackbarControl* s = StateOf(h);
    if (!s || !s->slider) return;
    UINT code = 0;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = TB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = TB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = TB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = TB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = TB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = TB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = TB_THUMBTRACK; break;
    default: return;
    }
    if (code == TB_THUMBTRACK) s->dragging = true;
    if (code == TB_PAGEUP || code == TB_PAGEDOWN) s->paging = true;
    s->pos = Clamp(*s, s->slider->sliderPosition());
    SendScroll(h, code, s->pos);
}

void PageToward(HWND h, int value)
{
    TrackbarControl* s = StateOf(h);
    if (!s || value == s->pos) return;
    bool down = value > s->pos;
    long long next = static_cast<long long>(s->pos) + (down ? PageSize(*s) : -PageSize(*s));
    // The thumb stops where the button is.
    next = down ? std::min<long long>(next, value) : std::max<long long>(next, value);
    s->pos = Clamp(*s, next);
    s->paging = true;
    if (s->slider) {
        ProgrammaticChange change;
        s->slider->setValue(s->pos);
    }
    SendScroll(h, down ? TB_PAGEDOWN : TB_PAGEUP, s->pos);
}

void OnReleased(HWND h)
{
    TrackbarControl* s = StateOf(h);
    if (!s) return;
    if (s->dragging) {
        s->dragging = false;
        if (s->slider) s->pos = Clamp(*s, s->slider->sliderPosition());
        SendScroll(h, TB_THUMBPOSITION, s->pos);
        if (!(s = StateOf(h))) return;
        s->paging = false;
        SendScroll(h, TB_ENDTRACK, 0);
    } else if (s->paging) {
        s->paging = false;
        SendScroll(h, TB_ENDTRACK, 0);
    }
}

void MakeWidget(HWND h, TrackbarControl& s)
{
    bool vertical = (Style(h) & TBS_VERT) != 0;
    auto* slider = new TrackbarSlider(h, vertical ? Qt::Vertical : Qt::Horizontal);
    // The minimum is at the top of a vertical trackbar.
    if (vertical) {
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
    }
    slider->setTracking(true);
    if (!EmbedWidget(h, slider)) return;
    s.slider = slider;
    QObject::connect(slider, &QAbstractSlider::actionTriggered, slider, [h](int action) { OnAction(h, action); });
    Show(h, s);
}

// A key's move: the new position and the code, or false for other keys.
bool KeyMove(const TrackbarControl& s, WPARAM key, int* pos, UINT* code)
{
    switch (key) {
    case VK_LEFT:
    case VK_UP:
        *code = TB_LINEUP;
        *pos = Clamp(s, static_cast<long long>(s.pos) - s.line);
        return true;
    case VK_RIGHT:
    case VK_DOWN:
        *code = TB_LINEDOWN;
        *pos = Clamp(s, static_cast<long long>(s.pos) + s.line);
        return true;
    case VK_PRIOR:
        *code = TB_PAGEUP;
        *pos = Clamp(s, static_cast<long long>(s.pos) - PageSize(s));
        return true;
    case VK_NEXT:
        *code = TB_PAGEDOWN;
        *pos = Clamp(s, static_cast<long long>(s.pos) + PageSize(s));
        return true;
    case VK_HOME:
        *code = TB_TOP;
        *pos = s.minimum;
        return true;
    case VK_END:
        *code = TB_BOTTOM;
        *pos = s.maximum;
        return true;
    default: return false;
    }
}

// Defined here, where TrackbarSlider is complete.
QWidget* TrackbarControl::Widget() const { return slider; }

LRESULT TrackbarControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    const bool redraw = wParam != 0;
    switch (message) {
    case WM_CREATE: MakeWidget(h, *this); return 0;
    case WM_PAINT: {
        // The widget draws over the window's own background, which the
        // parent colours as it colours statics.
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(h, &ps);
        RECT r;
        GetClientRect(h, &r);
        HWND parent = GetParent(h);
        auto brush = parent ? reinterpret_cast<HBRUSH>(SendMessageW(
                                  parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)))
                            : nullptr;
        FillRect(dc, &r, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        EndPaint(h, &ps);
        return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
        int moved = 0;
        UINT code = 0;
        if (!KeyMove(*this, wParam, &moved, &code)) return 0;
        pos = moved;
        keyTracking = true;
        Show(h, *this);
        SendScroll(h, code, pos);
        return 0;
    }
    case WM_KEYUP:
        if (keyTracking) {
            int moved = 0;
            UINT code = 0;
            if (KeyMove(*this, wParam, &moved, &code)) {
                keyTracking = false;
                SendScroll(h, TB_ENDTRACK, 0);
            }
        }
        return 0;
    case TBM_GETPOS: return pos;
    case TBM_SETPOS:
        pos = Clamp(*this, static_cast<LONG>(lParam));
        if (redraw) Show(h, *this);
        return 0;
    case TBM_GETRANGEMIN: return minimum;
    case TBM_GETRANGEMAX: return maximum;
    case TBM_SETRANGE:
        minimum = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        maximum = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
        pos = Clamp(*this, pos);
        if (redraw) Show(h, *this);
        return 0;
    case TBM_SETRANGEMIN:
        minimum = static_cast<int>(lParam);
        pos = Clamp(*this, pos);
        if (redraw) Show(h, *this);
        return 0;
    case TBM_SETRANGEMAX:
        maximum = static_cast<int>(lParam);
        pos = Clamp(*this, pos);
        if (redraw) Show(h, *this);
        return 0;
    case TBM_SETPAGESIZE: {
        int old = PageSize(*this);
        page = std::max(0, static_cast<int>(lParam));
        Show(h, *this);
        return old;
    }
    case TBM_GETPAGESIZE: return PageSize(*this);
    case TBM_SETLINESIZE: {
        int old = line;
        line = std::max(0, static_cast<int>(lParam));
        Show(h, *this);
        return old;
    }
    case TBM_GETLINESIZE: return line;
    case TBM_SETTICFREQ:
        ticFreq = std::max(1, static_cast<int>(wParam));
        Show(h, *this);
        return 0;
    case TBM_CLEARTICS: return 0;
    case TBM_GETNUMTICS: {
        if (!(Style() & TBS_AUTOTICKS) || (Style() & TBS_NOTICKS)) return 2;
        return (maximum - minimum) / std::max(1, ticFreq) + 1;
    }
    case TBM_SETSEL:
        selStart = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        selEnd = static_cast<SHORT>(HIWORD(static_cast<DWORD_PTR>(lParam)));
        if (redraw && slider) slider->update();
        return 0;
    case TBM_SETSELSTART:
        selStart = static_cast<int>(lParam);
        if (redraw && slider) slider->update();
        return 0;
    case TBM_SETSELEND:
        selEnd = static_cast<int>(lParam);
        if (redraw && slider) slider->update();
        return 0;
    case TBM_GETSELSTART: return selStart;
    case TBM_GETSELEND: return selEnd;
    case TBM_CLEARSEL:
        selStart = selEnd = -1;
        if (redraw && slider) slider->update();
        return 0;
    case TBM_GETTHUMBRECT:
    case TBM_GETCHANNELRECT: {
        auto* r = reinterpret_cast<RECT*>(lParam);
        if (!r || !slider) return 0;
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.sliderValue = slider->value();
        QRect q = slider->style()->subControlRect(
            QStyle::CC_Slider, &option, message == TBM_GETTHUMBRECT ? QStyle::SC_SliderHandle : QStyle::SC_SliderGroove,
            slider);
        *r = RECT{q.left(), q.top(), q.right() + 1, q.bottom() + 1};
        return 0;
    }
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterTrackbarClass() { ControlWindow::Register<TrackbarControl>(TRACKBAR_CLASSW); }

}  // namespace mfc_controls
