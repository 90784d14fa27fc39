// The "SysDateTimePick32" class over a QDateTimeEdit: a date and time shown
// in the format the program sets (DTM_SETFORMATW, in the system's letters:
// "HH:mm:ss", "hh:mm tt", "yyyy-MM-dd"), DTS_TIMEFORMAT for the time alone.
// The user's changes send DTN_DATETIMECHANGE; DTM_SETSYSTEMTIME does not.
#include <QDateTimeEdit>
#include <ctime>

#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/Window.h"

namespace mfc_controls {
namespace {

struct DateTimeControl : ControlWindow {
    explicit DateTimeControl(HWND window);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override { return edit; }

    QDateTime value = QDateTime(QDate(2000, 1, 1), QTime(0, 0, 0));
    std::wstring format;  // empty: the style's
    QPointer<QDateTimeEdit> edit;
};

DateTimeControl* StateOf(HWND h) { return ControlWindow::Of<DateTimeControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }

// The system's format letters in Qt's: the same except "t" and "tt" for the
// AM/PM marker and quoted literal text.
QString QtFormat(const std::wstring& format)
{
    QString out;
    for (size_t i = 0; i < format.size(); ++i) {
        wchar_t c = format[i];
        if (c == L't') {
            bool two = i + 1 < format.size() && format[i + 1] == L't';
            out += two ? QStringLiteral("AP") : QStringLiteral("A");
            if (two) ++i;
        } else {
            out += QChar(static_cast<char16_t>(c));
        }
    }
    return out;
}

QString StyleFormat(HWND h)
{
    DWORD style = Style(h);
    if ((style & DTS_TIMEFORMAT) == DTS_TIMEFORMAT) return QStringLiteral("HH:mm:ss");
    if (style & DTS_LONGDATEFORMAT) return QStringLiteral("dddd, MMMM d, yyyy");
    return QStringLiteral("yyyy-MM-dd");
}

void ToSystemTime(const QDateTime& value, SYSTEMTIME* st)
{
    QDate d = value.date();
    QTime t = value.time();
    st->wYear = static_cast<WORD>(d.year());
    st->wMonth = static_cast<WORD>(d.month());
    st->wDay = static_cast<WORD>(d.day());
    st->wDayOfWeek = static_cast<WORD>(d.dayOfWeek() % 7);  // Sunday is 0
    st->wHour = static_cast<WORD>(t.hour());
    st->wMinute = static_cast<WORD>(t.minute());
    st->wSecond = static_cast<WORD>(t.second());
    st->wMilliseconds = static_cast<WORD>(t.msec());
}

bool FromSystemTime(const SYSTEMTIME& st, QDateTime* out)
{
    QDate d(st.wYear, st.wMonth, st.wDay);
    QTime t(st.wHour, st.wMinute, st.wSecond, st.wMilliseconds);
    if (!d.isValid() || !t.isValid()) return false;
    *out = QDateTime(d, t);
    return true;
}

void Show(HWND h, DateTimeControl& s)
{
    if (!s.edit) return;
    ProgrammaticChange change;
    s.edit->setDisplayFormat(s.format.empty() ? StyleFormat(h) : QtFormat(s.format));
    s.edit->setDateTime(s.value);
}

void OnUserChange(HWND h, const QDateTime& value)
{
    if (ProgrammaticChange::Active()) return;
    DateTimeControl* s = StateOf(h);
    if (!s) return;
    s->value = value;
    NMDATETIMECHANGE nm;
    nm.dwFlags = GDT_VALID;
    ToSystemTime(value, &nm.st);
    NotifyParent(h, DTN_DATETIMECHANGE, &nm.nmhdr);
}

// A new picker shows the time it was made.
DateTimeControl::DateTimeControl(HWND window) : ControlWindow(window)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    FromSystemTime(now, &value);
}

LRESULT DateTimeControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    switch (message) {
    case WM_CREATE: {
        auto* widget = new QDateTimeEdit;
        widget->setFrame(false);
        widget->setCalendarPopup(!(Style() & DTS_UPDOWN));
        edit = static_cast<QDateTimeEdit*>(EmbedWidget(h, widget));
        if (edit)
            QObject::connect(edit, &QDateTimeEdit::dateTimeChanged, edit,
                             [h](const QDateTime& v) { OnUserChange(h, v); });
        Show(h, *this);
        return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR: ForwardKey(edit, message, wParam, lParam); return 0;
    case DTM_GETSYSTEMTIME: {
        auto* st = reinterpret_cast<SYSTEMTIME*>(lParam);
        if (!st) return GDT_ERROR;
        ToSystemTime(value, st);
        return static_cast<LRESULT>(GDT_VALID);
    }
    case DTM_SETSYSTEMTIME: {
        if (wParam == GDT_NONE) return (Style() & DTS_SHOWNONE) ? TRUE : FALSE;
        auto* st = reinterpret_cast<const SYSTEMTIME*>(lParam);
        QDateTime chosen;
        if (!st || !FromSystemTime(*st, &chosen)) return FALSE;
        value = chosen;
        Show(h, *this);
        return TRUE;
    }
    case DTM_SETFORMATW:
        format = lParam ? reinterpret_cast<LPCWSTR>(lParam) : L"";
        Show(h, *this);
        return TRUE;
    case DTM_GETRANGE: return 0;
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterDateTimeClass() { ControlWindow::Register<DateTimeControl>(DATETIMEPICK_CLASSW); }

}  // namespace mfc_controls

void GetLocalTime(SYSTEMTIME* st)
{
    if (!st) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    tm local{};
    time_t seconds = ts.tv_sec;
    localtime_r(&seconds, &local);
    st->wYear = static_cast<WORD>(local.tm_year + 1900);
    st->wMonth = static_cast<WORD>(local.tm_mon + 1);
    st->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    st->wDay = static_cast<WORD>(local.tm_mday);
    st->wHour = static_cast<WORD>(local.tm_hour);
    st->wMinute = static_cast<WORD>(local.tm_min);
    st->wSecond = static_cast<WORD>(std::min(local.tm_sec, 59));
    st->wMilliseconds = static_cast<WORD>(ts.tv_nsec / 1000000);
}
