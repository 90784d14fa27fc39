// The rich-edit classes "RichEdit20W" and "RichEdit20A" (the same control:
// text is wide either way) over a QTextDocument shown by a QTextEdit. A
// paragraph break counts as one character in every position, as in the
// system's control; WM_GETTEXT and copying give "\r\n" for it. Character
// formats (CHARFORMAT2: colour, bold, italic, underline, size in twips, face,
// background) apply to the selection; set on an empty selection they apply
// to the text inserted there next (EM_REPLACESEL). The user's edits send
// EN_CHANGE when the event mask asks for it.
#include <QPalette>
#include <QStyle>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <map>
#include <memory>

#include "platform/mfc/Clipboard.h"
#include "platform/mfc/ControlClasses.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/RichEdit.h"
#include "platform/win32/gui/DeviceContext.h"
#include "platform/win32/gui/Focus.h"
#include "platform/win32/gui/GdiDraw.h"
#include "platform/win32/gui/Input.h"
#include "platform/win32/gui/MessageQueue.h"
#include "platform/win32/gui/Paint.h"
#include "platform/win32/gui/SystemMetrics.h"
#include "platform/win32/gui/Window.h"
#include "platform/win32/gui/WindowGeometry.h"

namespace mfc_controls {
namespace {

struct RichState {
    std::unique_ptr<QTextDocument> document;
    QTextCursor cursor;  // the selection
    bool hasInsertFormat = false;
    QTextCharFormat insertFormat;  // set on an empty selection
    DWORD eventMask = ENM_NONE;
    COLORREF background = 0xFFFFFF;
    bool systemBackground = true;
    bool hideSelection = false;
    int limit = 32767;
    HGDIOBJ font = nullptr;
    QPointer<QTextEdit> edit;
};

std::map<HWND, std::unique_ptr<RichState>>& States()
{
    static std::map<HWND, std::unique_ptr<RichState>> s;
    return s;
}

RichState* StateOf(HWND h)
{
    auto it = States().find(h);
    return it == States().end() ? nullptr : it->second.get();
}

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
int Length(const RichState& s) { return std::max(0, s.document->characterCount() - 1); }

// The control's text with paragraph breaks as "\r\n" (or "\r").
std::wstring PlainText(const QTextDocument& doc, int from, int to, bool crlf)
{
    std::wstring out;
    QString all = doc.toRawText();
    from = std::clamp(from, 0, static_cast<int>(all.size()));
    to = std::clamp(to, from, static_cast<int>(all.size()));
    for (int i = from; i < to; ++i) {
        QChar c = all[i];
        if (c == QChar::ParagraphSeparator || c == QChar::LineSeparator || c == u'\n') {
            out += crlf ? L"\r\n" : L"\r";
        } else if (c.isHighSurrogate() && i + 1 < to && all[i + 1].isLowSurrogate()) {
            out += static_cast<wchar_t>(QChar::surrogateToUcs4(c, all[i + 1]));
            ++i;
        } else {
            out += static_cast<wchar_t>(c.unicode());
        }
    }
    return out;
}

// Text handed to the control, with its line breaks as the document's.
QString FromControlText(const std::wstring& text)
{
    std::wstring t;
    t.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            t += L'\n';
            if (i + 1 < text.size() && text[i + 1] == L'\n') ++i;
        } else {
            t += text[i];
        }
    }
    return QString::fromStdWString(t);
}

void ShowSelection(RichState& s)
{
    if (!s.edit) return;
    ProgrammaticChange change;
    s.edit->setTextCursor(s.cursor);
}

void ShowColours(HWND h, RichState& s)
{
    if (!s.edit) return;
    QPalette p = s.edit->palette();
    COLORREF bk = s.systemBackground ? GetSysColor(COLOR_WINDOW) : s.background;
    p.setColor(QPalette::Base, QColor(GetRValue(bk), GetGValue(bk), GetBValue(bk)));
    bool hidden = s.hideSelection || (!(Style(h) & ES_NOHIDESEL) && GetFocus() != h);
    QPalette standard = s.edit->style()->standardPalette();
    p.setColor(QPalette::Highlight, hidden ? p.color(QPalette::Base) : standard.color(QPalette::Highlight));
    p.setColor(QPalette::HighlightedText, hidden ? p.color(QPalette::Text) : standard.color(QPalette::HighlightedText));
    s.edit->setPalette(p);
}

void SetSelection(RichState& s, long from, long to)
{
    int n = Length(s);
    if (from < 0) {
        s.cursor.clearSelection();
    } else {
        int a = static_cast<int>(std::min<long>(from, n));
        int b = to < 0 ? n : static_cast<int>(std::min<long>(to, n));
        s.cursor.setPosition(a);
        s.cursor.setPosition(b, QTextCursor::KeepAnchor);
    }
    s.hasInsertFormat = false;
    ShowSelection(s);
}

QColor ColourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF RefOf(const QColor& c) { return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue())); }

// CHARFORMAT(2) to the document's format; cbSize says which record it is.
bool ToTextFormat(const CHARFORMAT2W* cf, QTextCharFormat* out)
{
    if (!cf || (cf->cbSize != sizeof(CHARFORMATW) && cf->cbSize != sizeof(CHARFORMAT2W))) return false;
    bool two = cf->cbSize == sizeof(CHARFORMAT2W);
    DWORD m = cf->dwMask, e = cf->dwEffects;
    if (m & CFM_COLOR) {
        if (e & CFE_AUTOCOLOR) out->clearForeground();
        else out->setForeground(ColourOf(cf->crTextColor));
    }
    if (m & CFM_BOLD) out->setFontWeight((e & CFE_BOLD) ? QFont::Bold : QFont::Normal);
    if (m & CFM_ITALIC) out->setFontItalic((e & CFE_ITALIC) != 0);
    if (m & CFM_UNDERLINE) out->setFontUnderline((e & CFE_UNDERLINE) != 0);
    if (m & CFM_STRIKEOUT) out->setFontStrikeOut((e & CFE_STRIKEOUT) != 0);
    if ((m & CFM_SIZE) && cf->yHeight > 0) out->setFontPointSize(std::clamp(cf->yHeight / 20.0, 1.0, 1638.0));
    if (m & CFM_FACE) {
        std::wstring face(cf->szFaceName, wcsnlen(cf->szFaceName, LF_FACESIZE));
        if (!face.empty()) out->setFontFamilies({QString::fromStdWString(face)});
    }
    if (two && (m & CFM_BACKCOLOR)) {
        if (e & CFE_AUTOBACKCOLOR) out->clearBackground();
        else out->setBackground(ColourOf(cf->crBackColor));
    }
    return true;
}

void FromTextFormat(const QTextCharFormat& f, const QFont& fallback, CHARFORMAT2W* cf)
{
    bool two = cf->cbSize == sizeof(CHARFORMAT2W);
    cf->dwMask = CFM_COLOR | CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_STRIKEOUT | CFM_SIZE | CFM_FACE;
    cf->dwEffects = 0;
    QFont font = f.font();
    if (!f.hasProperty(QTextFormat::FontPointSize) && !f.hasProperty(QTextFormat::FontPixelSize)) font = fallback;
    if (f.foreground().style() == Qt::NoBrush) cf->dwEffects |= CFE_AUTOCOLOR;
    else cf->crTextColor = RefOf(f.foreground().color());
    if (f.fontWeight() >= QFont::Bold) cf->dwEffects |= CFE_BOLD;
    if (f.fontItalic()) cf->dwEffects |= CFE_ITALIC;
    if (f.fontUnderline()) cf->dwEffects |= CFE_UNDERLINE;
    if (f.fontStrikeOut()) cf->dwEffects |= CFE_STRIKEOUT;
    double points = f.hasProperty(QTextFormat::FontPointSize) ? f.fontPointSize() : font.pointSizeF();
    cf->yHeight = static_cast<LONG>(points > 0 ? points * 20 + 0.5 : 0);
    std::wstring face = font.family().toStdWString().substr(0, LF_FACESIZE - 1);
    std::fill(std::begin(cf->szFaceName), std::end(cf->szFaceName), L'\0');
    std::copy(face.begin(), face.end(), cf->szFaceName);
    if (two) {
        cf->dwMask |= CFM_BACKCOLOR;
        if (f.background().style() == Qt::NoBrush) cf->dwEffects |= CFE_AUTOBACKCOLOR;
        else cf->crBackColor = RefOf(f.background().color());
    }
}

void ReplaceSelection(HWND h, RichState& s, const std::wstring& text)
{
    {
        ProgrammaticChange change;
        QString t = FromControlText(text);
        if (s.hasInsertFormat) s.cursor.insertText(t, s.insertFormat);
        else s.cursor.insertText(t);
    }
    // The inserted text keeps the format; what comes next is typed after it.
    if (s.hasInsertFormat) s.cursor.setCharFormat(s.insertFormat);
    ShowSelection(s);
    (void)h;
}

void OnUserEdit(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    RichState* s = StateOf(h);
    if (!s) return;
    if (s->edit) s->cursor = s->edit->textCursor();
    s->hasInsertFormat = false;
    if (s->eventMask & ENM_UPDATE) NotifyCommand(h, EN_UPDATE);
    if ((s = StateOf(h)) && (s->eventMask & ENM_CHANGE)) NotifyCommand(h, EN_CHANGE);
}

void OnUserSelection(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    RichState* s = StateOf(h);
    if (s && s->edit) {
        s->cursor = s->edit->textCursor();
        s->hasInsertFormat = false;
    }
}

void MakeWidget(HWND h, RichState& s)
{
    auto* edit = new QTextEdit;
    edit->setFrameShape(QFrame::NoFrame);
    edit->setTabChangesFocus(true);
    edit->setAcceptRichText(false);
    edit->setDocument(s.document.get());
    if (!EmbedWidget(h, edit)) return;
    s.edit = edit;
    DWORD style = Style(h);
    edit->setReadOnly((style & ES_READONLY) != 0);
    edit->setVerticalScrollBarPolicy((style & WS_VSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    edit->setHorizontalScrollBarPolicy((style & WS_HSCROLL) ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    if (!(style & ES_MULTILINE) || (style & (ES_AUTOHSCROLL | WS_HSCROLL))) edit->setLineWrapMode(QTextEdit::NoWrap);
    QObject::connect(s.document.get(), &QTextDocument::contentsChanged, edit, [h] { OnUserEdit(h); });
    QObject::connect(edit, &QTextEdit::cursorPositionChanged, edit, [h] { OnUserSelection(h); });
    QObject::connect(edit, &QTextEdit::selectionChanged, edit, [h] { OnUserSelection(h); });
    ShowColours(h, s);
}

LRESULT CopyOut(const std::wstring& text, LPWSTR buffer, size_t size)
{
    if (!buffer || size == 0) return 0;
    size_t n = std::min(text.size(), size - 1);
    std::copy(text.begin(), text.begin() + static_cast<long>(n), buffer);
    buffer[n] = L'\0';
    return static_cast<LRESULT>(n);
}

int LineOf(const RichState& s, long pos)
{
    QTextBlock b = s.document->findBlock(static_cast<int>(std::clamp<long>(pos, 0, Length(s))));
    return b.isValid() ? b.blockNumber() : 0;
}

LRESULT RichEditProc(HWND h, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        NotifyCreating(h);
        auto state = std::make_unique<RichState>();
        state->document = std::make_unique<QTextDocument>();
        state->document->setUndoRedoEnabled(true);
        state->cursor = QTextCursor(state->document.get());
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && *cs->lpszName)
            state->document->setPlainText(FromControlText(cs->lpszName));
        States()[h] = std::move(state);
        return DefWindowProcW(h, message, wParam, lParam);
    }
    RichState* s = StateOf(h);
    if (!s) return DefWindowProcW(h, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: MakeWidget(h, *s); return 0;
    case WM_NCDESTROY:
        if (s->edit) {
            QObject::disconnect(s->document.get(), nullptr, s->edit, nullptr);
            // The widget goes with the window; the document must not be its then.
            s->edit->setDocument(new QTextDocument(s->edit));
        }
        States().erase(h);
        return DefWindowProcW(h, message, wParam, lParam);
    case WM_SIZE: PlaceInClientArea(h, s->edit); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        EndPaint(h, &ps);
        return 0;
    }
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (!(Style(h) & ES_MULTILINE)) return code;
        code |= DLGC_WANTALLKEYS;
        if (const auto* msg = reinterpret_cast<const MSG*>(lParam)) {
            if (msg->message == WM_KEYDOWN &&
                ((msg->wParam == VK_RETURN && !(Style(h) & ES_WANTRETURN)) || msg->wParam == VK_ESCAPE ||
                 msg->wParam == VK_TAB))
                code &= ~DLGC_WANTALLKEYS;
        }
        return code;
    }
    case WM_SETFONT: {
        s->font = reinterpret_cast<HGDIOBJ>(wParam);
        QFont f = FontOfHandle(s->font);
        s->document->setDefaultFont(f);
        if (s->edit) s->edit->setFont(f);
        return 0;
    }
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ENABLE:
        if (s->edit) s->edit->setEnabled(wParam != 0);
        return 0;
    case WM_STYLECHANGED:
        if (s->edit) s->edit->setReadOnly((Style(h) & ES_READONLY) != 0);
        return 0;
    case WM_SETFOCUS:
        if (s->edit) s->edit->setFocus(Qt::OtherFocusReason);
        ShowColours(h, *s);
        NotifyCommand(h, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        if (s->edit && s->edit->hasFocus()) s->edit->clearFocus();
        ShowColours(h, *s);
        NotifyCommand(h, EN_KILLFOCUS);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (message == WM_KEYDOWN && (GetKeyState(VK_CONTROL) & 0x8000) && (wParam == 'C' || wParam == VK_INSERT)) {
            SendMessageW(h, WM_COPY, 0, 0);
            return 0;
        }
        ForwardKey(s->edit, message, wParam, lParam);
        return 0;
    case WM_SETTEXT:
        {
            ProgrammaticChange change;
            s->document->setPlainText(lParam ? FromControlText(reinterpret_cast<LPCWSTR>(lParam)) : QString());
        }
        s->cursor = QTextCursor(s->document.get());
        s->hasInsertFormat = false;
        ShowSelection(*s);
        return TRUE;
    case WM_GETTEXT: return CopyOut(PlainText(*s->document, 0, Length(*s), true), reinterpret_cast<LPWSTR>(lParam), wParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(PlainText(*s->document, 0, Length(*s), true).size());
    case EM_GETTEXTLENGTHEX: {
        const auto* how = reinterpret_cast<const GETTEXTLENGTHEX*>(wParam);
        bool crlf = how && (how->flags & GTL_USECRLF);
        return static_cast<LRESULT>(PlainText(*s->document, 0, Length(*s), crlf).size());
    }
    case EM_SETSEL:
        SetSelection(*s, static_cast<long>(static_cast<INT_PTR>(wParam)), static_cast<long>(lParam));
        return 0;
    case EM_EXSETSEL: {
        const auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (range) SetSelection(*s, range->cpMin, range->cpMax);
        return s->cursor.selectionStart();
    }
    case EM_GETSEL: {
        auto start = static_cast<DWORD>(s->cursor.selectionStart()), end = static_cast<DWORD>(s->cursor.selectionEnd());
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return MAKELONG(static_cast<WORD>(std::min<DWORD>(start, 0xFFFF)), static_cast<WORD>(std::min<DWORD>(end, 0xFFFF)));
    }
    case EM_EXGETSEL:
        if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
            range->cpMin = s->cursor.selectionStart();
            range->cpMax = s->cursor.selectionEnd();
        }
        return 0;
    case EM_GETSELTEXT: {
        std::wstring text = PlainText(*s->document, s->cursor.selectionStart(), s->cursor.selectionEnd(), false);
        if (auto* out = reinterpret_cast<LPWSTR>(lParam)) {
            std::copy(text.begin(), text.end(), out);
            out[text.size()] = L'\0';
        }
        return static_cast<LRESULT>(text.size());
    }
    case EM_GETTEXTRANGE: {
        auto* range = reinterpret_cast<TEXTRANGEW*>(lParam);
        if (!range || !range->lpstrText) return 0;
        long to = range->chrg.cpMax < 0 ? Length(*s) : range->chrg.cpMax;
        std::wstring text = PlainText(*s->document, range->chrg.cpMin, static_cast<int>(to), false);
        std::copy(text.begin(), text.end(), range->lpstrText);
        range->lpstrText[text.size()] = L'\0';
        return static_cast<LRESULT>(text.size());
    }
    case EM_REPLACESEL:
        ReplaceSelection(h, *s, lParam ? std::wstring(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring());
        return 0;
    case EM_SETCHARFORMAT: {
        QTextCharFormat format;
        if (!ToTextFormat(reinterpret_cast<const CHARFORMAT2W*>(lParam), &format)) return FALSE;
        ProgrammaticChange change;
        if (wParam & SCF_ALL) {
            QTextCursor all(s->document.get());
            all.select(QTextCursor::Document);
            all.mergeCharFormat(format);
        } else if (wParam & SCF_SELECTION) {
            if (s->cursor.hasSelection()) {
                s->cursor.mergeCharFormat(format);
            } else {
                if (!s->hasInsertFormat) s->insertFormat = s->cursor.charFormat();
                s->insertFormat.merge(format);
                s->hasInsertFormat = true;
            }
        } else {
            // The default format: the whole text and what is typed into an
            // empty control.
            QTextCursor all(s->document.get());
            all.select(QTextCursor::Document);
            all.mergeCharFormat(format);
            QFont f = s->document->defaultFont();
            QTextCharFormat merged;
            merged.setFont(f);
            merged.merge(format);
            s->document->setDefaultFont(merged.font());
        }
        return TRUE;
    }
    case EM_GETCHARFORMAT: {
        auto* cf = reinterpret_cast<CHARFORMAT2W*>(lParam);
        if (!cf || (cf->cbSize != sizeof(CHARFORMATW) && cf->cbSize != sizeof(CHARFORMAT2W))) return 0;
        QTextCharFormat f;
        if (wParam & SCF_SELECTION) {
            if (s->hasInsertFormat) {
                f = s->insertFormat;
            } else {
                QTextCursor at(s->document.get());
                at.setPosition(std::min(s->cursor.selectionStart() + 1, Length(*s)));
                f = at.charFormat();
            }
        }
        FromTextFormat(f, s->document->defaultFont(), cf);
        return cf->dwMask;
    }
    case EM_SETBKGNDCOLOR: {
        COLORREF old = s->systemBackground ? GetSysColor(COLOR_WINDOW) : s->background;
        s->systemBackground = wParam != 0;
        s->background = static_cast<COLORREF>(lParam);
        ShowColours(h, *s);
        return static_cast<LRESULT>(old);
    }
    case EM_HIDESELECTION:
        s->hideSelection = wParam != 0;
        ShowColours(h, *s);
        return 0;
    case EM_SETEVENTMASK: {
        DWORD old = s->eventMask;
        s->eventMask = static_cast<DWORD>(lParam);
        return old;
    }
    case EM_GETEVENTMASK: return s->eventMask;
    case EM_SETREADONLY:
        SetWindowLongW(h, GWL_STYLE, static_cast<LONG>(wParam ? (Style(h) | ES_READONLY) : (Style(h) & ~ES_READONLY)));
        return TRUE;
    case EM_EXLIMITTEXT:
    case EM_LIMITTEXT: {
        auto n = message == EM_EXLIMITTEXT ? static_cast<long long>(lParam) : static_cast<long long>(wParam);
        s->limit = n <= 0 ? 65536 : static_cast<int>(std::min<long long>(n, 0x7FFFFFFE));
        return 0;
    }
    case EM_GETLIMITTEXT: return s->limit;
    case EM_GETLINECOUNT: return s->document->blockCount();
    case EM_LINEINDEX: {
        auto line = static_cast<INT_PTR>(wParam);
        if (line < 0) line = LineOf(*s, s->cursor.position());
        QTextBlock b = s->document->findBlockByNumber(static_cast<int>(line));
        return b.isValid() ? b.position() : -1;
    }
    case EM_LINELENGTH: {
        auto pos = static_cast<INT_PTR>(wParam);
        if (pos < 0) pos = s->cursor.selectionStart();
        if (pos > Length(*s)) return 0;
        return s->document->findBlock(static_cast<int>(pos)).length() - 1;
    }
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
        auto pos = static_cast<INT_PTR>(message == EM_EXLINEFROMCHAR ? lParam : static_cast<LPARAM>(wParam));
        if (pos < 0) pos = s->cursor.selectionStart();
        return LineOf(*s, static_cast<long>(pos));
    }
    case EM_GETFIRSTVISIBLELINE:
        if (!s->edit) return 0;
        return s->edit->cursorForPosition(QPoint(1, 1)).blockNumber();
    case EM_LINESCROLL:
        if (s->edit) {
            QScrollBar* bar = s->edit->verticalScrollBar();
            int line = QFontMetrics(s->document->defaultFont()).lineSpacing();
            bar->setValue(bar->value() + static_cast<int>(lParam) * std::max(1, line));
        }
        return TRUE;
    case EM_SCROLLCARET:
        if (s->edit) s->edit->ensureCursorVisible();
        return 0;
    case EM_SETTARGETDEVICE:
        if (s->edit) s->edit->setLineWrapMode(lParam == 1 ? QTextEdit::NoWrap : QTextEdit::WidgetWidth);
        return TRUE;
    case EM_CANPASTE: {
        auto text = ClipboardService().GetText();
        return text.has_value() && !(Style(h) & ES_READONLY);
    }
    case WM_COPY:
        if (s->cursor.hasSelection())
            ClipboardService().SetText(PlainText(*s->document, s->cursor.selectionStart(), s->cursor.selectionEnd(), true));
        return 0;
    case WM_CUT:
        if (!(Style(h) & ES_READONLY) && s->cursor.hasSelection()) {
            ClipboardService().SetText(PlainText(*s->document, s->cursor.selectionStart(), s->cursor.selectionEnd(), true));
            ReplaceSelection(h, *s, std::wstring());
        }
        return 0;
    case WM_CLEAR:
        if (!(Style(h) & ES_READONLY) && s->cursor.hasSelection()) ReplaceSelection(h, *s, std::wstring());
        return 0;
    case WM_PASTE:
        if (!(Style(h) & ES_READONLY))
            if (auto text = ClipboardService().GetText()) ReplaceSelection(h, *s, *text);
        return 0;
    default: return DefWindowProcW(h, message, wParam, lParam);
    }
}

}  // namespace

void RegisterRichEditClasses()
{
    RegisterControlClass(RICHEDIT_CLASSW, RichEditProc);
    RegisterControlClass(L"RichEdit20A", RichEditProc);
}

}  // namespace mfc_controls
