// The "Edit" class: single-line edits over a QLineEdit, multi-line edits over
// a QPlainTextEdit. The control keeps the text (line breaks "\r\n" in
// multi-line edits, as the edit messages count them) and the selection; the
// widget shows them and takes the user's typing, which comes back as
// EN_UPDATE and EN_CHANGE. WM_SETTEXT and EM_REPLACESEL notify too; moving
// the selection does not.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <algorithm>

#include "platform/mfc/Clipboard.h"
#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

constexpr int kDefaultLimit = 32767;

struct EditControl : ControlWindow {
    using ControlWindow::ControlWindow;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override;
    void OnFocusChanged(bool gained) override;

    std::wstring text;
    int anchor = 0;  // the selection's fixed end
    int caret = 0;   // the end that moves
    bool modified = false;
    int limit = kDefaultLimit;
    int firstLine = 0;  // without a widget
    QPointer<QLineEdit> line;
    QPointer<QPlainTextEdit> multi;
};

EditControl* StateOf(HWND h) { return ControlWindow::Of<EditControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
bool IsMulti(HWND h) { return (Style(h) & ES_MULTILINE) != 0; }
int Length(const EditControl& s) { return static_cast<int>(s.text.size()); }
int SelMin(const EditControl& s) { return std::min(s.anchor, s.caret); }
int SelMax(const EditControl& s) { return std::max(s.anchor, s.caret); }

// ---- Lines of a multi-line text ("\r\n" ends a line) ------------------------------

std::vector<int> LineStarts(const std::wstring& text)
{
    std::vector<int> starts{0};
    for (size_t i = 0; i + 1 < text.size(); ++i)
        if (text[i] == L'\r' && text[i + 1] == L'\n') starts.push_back(static_cast<int>(i + 2));
    return starts;
}

int LineOf(const std::vector<int>& starts, int pos)
{
    auto it = std::upper_bound(starts.begin(), starts.end(), pos);
    return static_cast<int>(it - starts.begin()) - 1;
}

int LineLength(const std::wstring& text, const std::vector<int>& starts, int line)
{
    int start = starts[static_cast<size_t>(line)];
    int end = static_cast<size_t>(line + 1) < starts.size() ? starts[static_cast<size_t>(line + 1)] - 2
                                                            : static_cast<int>(text.size());
    return end - start;
}

// The widget shows "\n" where the control holds "\r\n".
std::wstring ToWidgetText(const std::wstring& text, bool multi)
{
    if (!multi) return text;
    std::wstring out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') continue;
        out += text[i];
    }
    return out;
}

std::wstring FromWidgetText(const std::wstring& text, bool multi)
{
    if (!multi) return text;
    std::wstring out;
    out.reserve(text.size() + text.size() / 16);
    for (wchar_t c : text) {
        if (c == L'\n' || c == 0x2029)
            out += L"\r\n";
        else
            out += c;
    }
    return out;
}

int ToWidgetPos(const std::wstring& text, int pos, bool multi)
{
    if (!multi) return pos;
    int removed = 0;
    for (int i = 0; i < pos && i < static_cast<int>(text.size()); ++i)
        if (text[static_cast<size_t>(i)] == L'\r' && static_cast<size_t>(i) + 1 < text.size() &&
            text[static_cast<size_t>(i) + 1] == L'\n')
            ++removed;
    return pos - removed;
}

int FromWidgetPos(const std::wstring& text, int pos, bool multi)
{
    if (!multi) return pos;
    int shown = 0;
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n && shown < pos) {
        if (text[static_cast<size_t>(i)] == L'\r' && i + 1 < n && text[static_cast<size_t>(i) + 1] == L'\n')
            i += 2;
        else
            ++i;
        ++shown;
    }
    return i;
}

// ---- Showing the state in the widget ------------------------------------------------

void ShowSelection(HWND h, EditControl& s)
{
    ProgrammaticChange change;
    bool multi = IsMulti(h);
    int anchor = ToWidgetPos(s.text, s.anchor, multi);
    int caret = ToWidgetPos(s.text, s.caret, multi);
    if (s.line) {
        s.line->setSelection(anchor, caret - anchor);
        if (anchor == caret) s.line->setCursorPosition(caret);
    } else if (s.multi) {
        QTextCursor c = s.multi->textCursor();
        int count = s.multi->document()->characterCount() - 1;
        c.setPosition(std::clamp(anchor, 0, count));
        c.setPosition(std::clamp(caret, 0, count), QTextCursor::KeepAnchor);
        s.multi->setTextCursor(c);
    }
}

void ShowText(HWND h, EditControl& s)
{
    ProgrammaticChange change;
    bool multi = IsMulti(h);
    QString text = QString::fromStdWString(ToWidgetText(s.text, multi));
    if (s.line) {
        if (s.line->text() != text) s.line->setText(text);
    } else if (s.multi) {
        if (s.multi->toPlainText() != text) s.multi->setPlainText(text);
    }
    ShowSelection(h, s);
}

void ShowStyle(HWND h, EditControl& s)
{
    DWORD style = Style(h);
    Qt::Alignment align = (style & ES_RIGHT) ? Qt::AlignRight : (style & ES_CENTER) ? Qt::AlignHCenter : Qt::AlignLeft;
    if (s.line) {
        s.line->setReadOnly((style & ES_READONLY) != 0);
        s.line->setEchoMode((style & ES_PASSWORD) ? QLineEdit::Password : QLineEdit::Normal);
        s.line->setAlignment(align | Qt::AlignVCenter);
    } else if (s.multi) {
        s.multi->setReadOnly((style & ES_READONLY) != 0);
        s.multi->setLineWrapMode((style & (ES_AUTOHSCROLL | WS_HSCROLL)) ? QPlainTextEdit::NoWrap
                                                                         : QPlainTextEdit::WidgetWidth);
        s.multi->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
        s.multi->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    }
}

void NotifyChange(HWND h)
{
    NotifyCommand(h, EN_UPDATE);
    if (IsWindow(h)) NotifyCommand(h, EN_CHANGE);
}

// ---- The user's changes ------------------------------------------------------------

void TakeWidgetSelection(HWND h, EditControl& s)
{
    bool multi = IsMulti(h);
    if (s.line) {
        int caret = s.line->cursorPosition();
        int anchor = caret;
        if (s.line->hasSelectedText()) {
            int start = s.line->selectionStart();
            int end = start + static_cast<int>(s.line->selectedText().size());
            anchor = caret == start ? end : start;
        }
        s.anchor = FromWidgetPos(s.text, anchor, multi);
        s.caret = FromWidgetPos(s.text, caret, multi);
    } else if (s.multi) {
        QTextCursor c = s.multi->textCursor();
        s.anchor = FromWidgetPos(s.text, c.anchor(), multi);
        s.caret = FromWidgetPos(s.text, c.position(), multi);
    }
}

void OnWidgetTextChanged(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    EditControl* s = StateOf(h);
    if (!s) return;
    bool multi = IsMulti(h);
    QString text = s->line ? s->line->text() : s->multi ? s->multi->toPlainText() : QString();
    s->text = FromWidgetText(text.toStdWString(), multi);
    TakeWidgetSelection(h, *s);
    s->modified = true;
    NotifyChange(h);
}

void OnWidgetSelectionChanged(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    if (EditControl* s = StateOf(h)) TakeWidgetSelection(h, *s);
}

void MakeWidget(HWND h, EditControl& s)
{
    if (IsMulti(h)) {
        auto* w = new QPlainTextEdit;
        w->setFrameShape(QFrame::NoFrame);
        w->setTabChangesFocus(true);
        if (!EmbedWidget(h, w)) return;
        s.multi = w;
        QObject::connect(w, &QPlainTextEdit::textChanged, w, [h] { OnWidgetTextChanged(h); });
        QObject::connect(w, &QPlainTextEdit::cursorPositionChanged, w, [h] { OnWidgetSelectionChanged(h); });
        QObject::connect(w, &QPlainTextEdit::selectionChanged, w, [h] { OnWidgetSelectionChanged(h); });
    } else {
        auto* w = new QLineEdit;
        w->setFrame(false);
        w->setMaxLength(kDefaultLimit);
        if (!EmbedWidget(h, w)) return;
        s.line = w;
        QObject::connect(w, &QLineEdit::textChanged, w, [h](const QString&) { OnWidgetTextChanged(h); });
        QObject::connect(w, &QLineEdit::cursorPositionChanged, w, [h](int, int) { OnWidgetSelectionChanged(h); });
        QObject::connect(w, &QLineEdit::selectionChanged, w, [h] { OnWidgetSelectionChanged(h); });
    }
    ShowStyle(h, s);
}

// ---- Changing the text ------------------------------------------------------------

void SetText(HWND h, EditControl& s, const std::wstring& text)
{
    s.text = text;
    s.anchor = s.caret = 0;
    s.modified = false;
    s.firstLine = 0;
    ShowText(h, s);
    // As in the system's edits, a multi-line edit does not report text set
    // with WM_SETTEXT.
    if (!IsMulti(h)) NotifyChange(h);
}

// Replaces the selection; with userLimit the text limit applies (what the
// user types or pastes), as in the system's edits.
void ReplaceSelection(HWND h, EditControl& s, std::wstring text, bool userLimit)
{
    int from = SelMin(s), to = SelMax(s);
    if (!IsMulti(h)) {
        // A single line keeps only what comes before the first line break.
        size_t cut = text.find_first_of(L"\r\n");
        if (cut != std::wstring::npos) text.resize(cut);
    }
    if (userLimit) {
        int room = s.limit - (Length(s) - (to - from));
        if (room < static_cast<int>(text.size())) {
            text.resize(static_cast<size_t>(std::max(0, room)));
            NotifyCommand(h, EN_MAXTEXT);
            if (!IsWindow(h)) return;
        }
    }
    s.text.replace(static_cast<size_t>(from), static_cast<size_t>(to - from), text);
    s.anchor = s.caret = from + static_cast<int>(text.size());
    s.modified = true;
    ShowText(h, s);
    NotifyChange(h);
}

std::wstring SelectedText(const EditControl& s)
{
    return s.text.substr(static_cast<size_t>(SelMin(s)), static_cast<size_t>(SelMax(s) - SelMin(s)));
}

void SetSelection(HWND h, EditControl& s, int start, int end)
{
    int n = Length(s);
    if (start < 0) {
        // Deselects, leaving the caret where the selection ended.
        s.anchor = s.caret = std::clamp(s.caret, 0, n);
    } else {
        s.anchor = std::min(start, n);
        s.caret = end < 0 ? n : std::min(end, n);
    }
    ShowSelection(h, s);
}

LRESULT GetDlgCode(HWND h, LPARAM lParam)
{
    LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    if (!IsMulti(h)) return code;
    code |= DLGC_WANTALLKEYS;
    if (const auto* msg = reinterpret_cast<const MSG*>(lParam)) {
        if (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) {
            WPARAM key = msg->wParam;
            bool enter = msg->message == WM_KEYDOWN ? key == VK_RETURN : key == L'\r';
            bool escape = msg->message == WM_KEYDOWN ? key == VK_ESCAPE : key == 0x1B;
            bool tab = msg->message == WM_KEYDOWN ? key == VK_TAB : key == L'\t';
            if ((enter && !(Style(h) & ES_WANTRETURN)) || escape || tab) code &= ~DLGC_WANTALLKEYS;
        }
    }
    return code;
}

void Paint(HWND h)
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    bool readOnly = (Style(h) & ES_READONLY) || !IsWindowEnabled(h);
    FillRect(dc, &r, GetSysColorBrush(readOnly ? COLOR_BTNFACE : COLOR_WINDOW));
    EndPaint(h, &ps);
}

// A character the user typed, as the edit's styles take it.
bool AcceptChar(HWND h, wchar_t* ch)
{
    DWORD style = Style(h);
    if ((style & ES_NUMBER) && *ch >= 0x20 && !(*ch >= L'0' && *ch <= L'9')) return false;
    if (style & ES_UPPERCASE) *ch = static_cast<wchar_t>(QChar::toUpper(static_cast<char32_t>(*ch)));
    if (style & ES_LOWERCASE) *ch = static_cast<wchar_t>(QChar::toLower(static_cast<char32_t>(*ch)));
    return true;
}

QWidget* EditControl::Widget() const
{
    if (line) return line;
    return multi;
}

void EditControl::OnFocusChanged(bool gained) { NotifyCommand(Handle(), gained ? EN_SETFOCUS : EN_KILLFOCUS); }

LRESULT EditControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    switch (message) {
    case WM_NCCREATE: {
        // The window's text at creation is the edit's first text.
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) text = cs->lpszName;
        return Default(message, wParam, lParam);
    }
    case WM_CREATE:
        MakeWidget(h, *this);
        ShowText(h, *this);
        return 0;
    case WM_PAINT: Paint(h); return 0;
    case WM_GETDLGCODE: return GetDlgCode(h, lParam);
    case WM_SETTEXT:
        SetText(h, *this, lParam ? std::wstring(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring());
        return TRUE;
    case WM_GETTEXT: return CopyTextOut(text, reinterpret_cast<LPWSTR>(lParam), static_cast<size_t>(wParam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(text.size());
    case WM_ENABLE:
        Default(message, wParam, lParam);
        InvalidateRect(h, nullptr, TRUE);
        return 0;
    case WM_STYLECHANGED: ShowStyle(h, *this); return 0;
    case WM_CHAR: {
        auto ch = static_cast<wchar_t>(wParam);
        if (!AcceptChar(h, &ch)) return 0;
        ForwardKey(Widget(), message, static_cast<WPARAM>(ch), lParam);
        return 0;
    }
    case WM_KEYDOWN: {
        // The clipboard keys go through the clipboard messages.
        bool control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
        bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
        UINT clip = 0;
        if (control && (wParam == 'C' || wParam == VK_INSERT))
            clip = WM_COPY;
        else if ((control && wParam == 'X') || (shift && wParam == VK_DELETE))
            clip = WM_CUT;
        else if ((control && wParam == 'V') || (shift && wParam == VK_INSERT))
            clip = WM_PASTE;
        if (clip) {
            SendMessageW(h, clip, 0, 0);
            return 0;
        }
        ForwardKey(Widget(), message, wParam, lParam);
        return 0;
    }
    case WM_KEYUP: ForwardKey(Widget(), message, wParam, lParam); return 0;
    case EM_GETSEL: {
        auto start = static_cast<DWORD>(SelMin(*this)), end = static_cast<DWORD>(SelMax(*this));
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<DWORD>(start, 0xFFFF)),
                                             static_cast<WORD>(std::min<DWORD>(end, 0xFFFF))));
    }
    case EM_SETSEL:
        SetSelection(h, *this, static_cast<int>(static_cast<INT_PTR>(wParam)), static_cast<int>(lParam));
        return 0;
    case EM_REPLACESEL:
        ReplaceSelection(h, *this, lParam ? std::wstring(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring(), false);
        return 0;
    case EM_LIMITTEXT: {
        int asked = static_cast<int>(std::min<WPARAM>(wParam, 0x7FFFFFFE));
        limit = asked ? asked : 0x7FFFFFFE;
        if (line) line->setMaxLength(std::min(limit, 0x7FFFFFFE));
        return 0;
    }
    case EM_GETLIMITTEXT: return limit;
    case EM_GETMODIFY: return modified ? TRUE : FALSE;
    case EM_SETMODIFY: modified = wParam != 0; return 0;
    case EM_SETREADONLY: {
        DWORD style = Style();
        SetWindowLongW(h, GWL_STYLE, static_cast<LONG>(wParam ? (style | ES_READONLY) : (style & ~ES_READONLY)));
        return TRUE;
    }
    case EM_GETLINECOUNT: return IsMulti(h) ? static_cast<LRESULT>(LineStarts(text).size()) : 1;
    case EM_LINEINDEX: {
        if (!IsMulti(h)) return (static_cast<INT_PTR>(wParam) <= 0) ? 0 : -1;
        auto starts = LineStarts(text);
        auto number = static_cast<INT_PTR>(wParam);
        if (number < 0) number = LineOf(starts, caret);
        if (number >= static_cast<INT_PTR>(starts.size())) return -1;
        return starts[static_cast<size_t>(number)];
    }
    case EM_LINEFROMCHAR: {
        if (!IsMulti(h)) return 0;
        auto starts = LineStarts(text);
        auto pos = static_cast<INT_PTR>(wParam);
        if (pos < 0) pos = SelMin(*this);
        return LineOf(starts, static_cast<int>(std::min<INT_PTR>(pos, Length(*this))));
    }
    case EM_LINELENGTH: {
        if (!IsMulti(h)) return Length(*this);
        auto starts = LineStarts(text);
        auto pos = static_cast<INT_PTR>(wParam);
        if (pos < 0) pos = SelMin(*this);
        if (pos > Length(*this)) return 0;
        return LineLength(text, starts, LineOf(starts, static_cast<int>(pos)));
    }
    case EM_GETLINE: {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer) return 0;
        int room = static_cast<WORD>(buffer[0]);
        auto starts = LineStarts(IsMulti(h) ? text : std::wstring());
        auto number = static_cast<INT_PTR>(wParam);
        if (!IsMulti(h)) number = 0;
        if (number < 0 || number >= static_cast<INT_PTR>(starts.size())) return 0;
        int start = IsMulti(h) ? starts[static_cast<size_t>(number)] : 0;
        int length = IsMulti(h) ? LineLength(text, starts, static_cast<int>(number)) : Length(*this);
        int n = std::min(room, length);
        std::copy(text.begin() + start, text.begin() + start + n, buffer);
        return n;
    }
    case EM_GETFIRSTVISIBLELINE:
        if (multi) return multi->verticalScrollBar()->value();
        return IsMulti(h) ? firstLine : 0;
    case EM_LINESCROLL: {
        if (!IsMulti(h)) return FALSE;
        int lines = static_cast<int>(LineStarts(text).size());
        int target = std::clamp(firstLine + static_cast<int>(lParam), 0, std::max(0, lines - 1));
        if (multi) {
            QScrollBar* bar = multi->verticalScrollBar();
            bar->setValue(bar->value() + static_cast<int>(lParam));
            target = bar->value();
        }
        firstLine = target;
        return TRUE;
    }
    case EM_SCROLLCARET:
        if (multi) multi->ensureCursorVisible();
        return TRUE;
    case EM_CANUNDO:
        if (line) return line->isUndoAvailable();
        if (multi) return multi->document()->isUndoAvailable();
        return FALSE;
    case EM_UNDO:
    case WM_UNDO:
        if (line)
            line->undo();
        else if (multi)
            multi->undo();
        return TRUE;
    case EM_EMPTYUNDOBUFFER:
        if (multi) multi->document()->clearUndoRedoStacks();
        return 0;
    case WM_COPY:
        if (!(Style() & ES_PASSWORD) && SelMax(*this) > SelMin(*this)) ClipboardService().SetText(SelectedText(*this));
        return 0;
    case WM_CUT:
        if (Style() & ES_READONLY) return 0;
        if (SelMax(*this) > SelMin(*this)) {
            if (!(Style() & ES_PASSWORD)) ClipboardService().SetText(SelectedText(*this));
            ReplaceSelection(h, *this, std::wstring(), false);
        }
        return 0;
    case WM_CLEAR:
        if (!(Style() & ES_READONLY) && SelMax(*this) > SelMin(*this))
            ReplaceSelection(h, *this, std::wstring(), false);
        return 0;
    case WM_PASTE:
        if (!(Style() & ES_READONLY))
            if (auto pasted = ClipboardService().GetText()) ReplaceSelection(h, *this, *pasted, true);
        return 0;
    default: return Default(message, wParam, lParam);
    }
}

}  // namespace

void RegisterEditClass() { ControlWindow::Register<EditControl>(L"Edit"); }

}  // namespace mfc_controls
