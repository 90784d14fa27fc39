// The rich-edit classes "RichEdit20W" and "RichEdit20A" (the same control:
// text is wide either way) over a QTextDocument shown by a QTextEdit. A
// paragraph break counts as one character in every position, as in the
// system's control; WM_GETTEXT and copying give "\r\n" for it. Character
// formats (CHARFORMAT2: colour, bold, italic, underline, size in twips, face,
// background) apply to the selection; set on an empty selection they apply
// to the text inserted there next (EM_REPLACESEL). The user's edits send
// EN_CHANGE when the event mask asks for it.
#include <QPalette>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>
#include <memory>

#include "platform/mfc/Clipboard.h"
#include "platform/mfc/ControlWindow.h"
#include "platform/mfc/EmbeddedWidget.h"
#include "platform/mfc/RichEdit.h"
#include "platform/win32/SystemModules.h"
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

struct RichEditControl : ControlWindow {
    explicit RichEditControl(HWND window);
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* Widget() const override { return edit; }
    void OnFocusChanged(bool gained) override;

    std::unique_ptr<QTextDocument> document;
    QTextCursor cursor;  // the selection
    bool hasInsertFormat = false;
    QTextCharFormat insertFormat;  // set on an empty selection
    DWORD eventMask = ENM_NONE;
    COLORREF background = 0xFFFFFF;
    bool systemBackground = true;
    bool hideSelection = false;
    int limit = 32767;
    QPointer<QTextEdit> edit;
};

RichEditControl* StateOf(HWND h) { return ControlWindow::Of<RichEditControl>(h); }

DWORD Style(HWND h) { return static_cast<DWORD>(GetWindowLongW(h, GWL_STYLE)); }
int Length(const RichEditControl& s) { return std::max(0, s.document->characterCount() - 1); }

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

bool SelectionHidden(HWND h, const RichEditControl& s)
{
    return s.hideSelection || (!(Style(h) & ES_NOHIDESEL) && GetFocus() != h);
}

// The widget shows the selection only while it is not hidden; a hidden one
// is not drawn at all, so that the text keeps its own colours (drawing it
// in the background's colours would paint every selected character in the
// plain text colour).
void ShowSelection(RichEditControl& s)
{
    if (!s.edit) return;
    ProgrammaticChange change;
    if (!SelectionHidden(s.Handle(), s)) {
        s.edit->setTextCursor(s.cursor);
        return;
    }
    QTextCursor caret = s.cursor;
    caret.clearSelection();
    s.edit->setTextCursor(caret);
}

void ShowBackground(RichEditControl& s)
{
    if (!s.edit) return;
    QPalette p = s.edit->palette();
    COLORREF bk = s.systemBackground ? GetSysColor(COLOR_WINDOW) : s.background;
    p.setColor(QPalette::Base, QColor(GetRValue(bk), GetGValue(bk), GetBValue(bk)));
    s.edit->setPalette(p);
}

void SetSelection(RichEditControl& s, long from, long to)
{
    int n = Length(s);
    if (from < 0) {
        s.cursor.clearSelection();
    } else {
        int a = static_cast<int>(std::min<long>(from, n));
        int b = to < 0 ? n : static_cast<int>(std::min<long>(to, n));
        // An insertion point set where it already is keeps the format given
        // to it, so that text put there next takes that format.
        if (a == b && !s.cursor.hasSelection() && s.cursor.position() == a) {
            ShowSelection(s);
            return;
        }
        s.cursor.setPosition(a);
        s.cursor.setPosition(b, QTextCursor::KeepAnchor);
    }
    s.hasInsertFormat = false;
    ShowSelection(s);
}

QColor ColourOf(COLORREF c) { return QColor(GetRValue(c), GetGValue(c), GetBValue(c)); }
COLORREF RefOf(const QColor& c)
{
    return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()), static_cast<BYTE>(c.blue()));
}

// CHARFORMAT(2) to the document's format; cbSize says which record it is.
bool ToTextFormat(const CHARFORMAT2W* cf, QTextCharFormat* out)
{
    if (!cf || (cf->cbSize != sizeof(CHARFORMATW) && cf->cbSize != sizeof(CHARFORMAT2W))) return false;
    bool two = cf->cbSize == sizeof(CHARFORMAT2W);
    DWORD m = cf->dwMask, e = cf->dwEffects;
    if (m & CFM_COLOR) {
        if (e & CFE_AUTOCOLOR)
            out->clearForeground();
        else
            out->setForeground(ColourOf(cf->crTextColor));
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
        if (e & CFE_AUTOBACKCOLOR)
            out->clearBackground();
        else
            out->setBackground(ColourOf(cf->crBackColor));
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
    if (f.foreground().style() == Qt::NoBrush)
        cf->dwEffects |= CFE_AUTOCOLOR;
    else
        cf->crTextColor = RefOf(f.foreground().color());
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
        if (f.background().style() == Qt::NoBrush)
            cf->dwEffects |= CFE_AUTOBACKCOLOR;
        else
            cf->crBackColor = RefOf(f.background().color());
    }
}

void ReplaceSelection(HWND h, RichEditControl& s, const std::wstring& text)
{
    {
        ProgrammaticChange change;
        QString t = FromControlText(text);
        if (s.hasInsertFormat)
            s.cursor.insertText(t, s.insertFormat);
        else
            s.cursor.insertText(t);
    }
    // The inserted text keeps the format; what comes next is typed after it.
    if (s.hasInsertFormat) s.cursor.setCharFormat(s.insertFormat);
    ShowSelection(s);
    (void)h;
}

void OnUserEdit(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    RichEditControl* s = StateOf(h);
    if (!s) return;
    if (s->edit) s->cursor = s->edit->textCursor();
    s->hasInsertFormat = false;
    if (s->eventMask & ENM_UPDATE) NotifyCommand(h, EN_UPDATE);
    if ((s = StateOf(h)) && (s->eventMask & ENM_CHANGE)) NotifyCommand(h, EN_CHANGE);
}

void OnUserSelection(HWND h)
{
    if (ProgrammaticChange::Active()) return;
    RichEditControl* s = StateOf(h);
    if (s && s->edit) {
        s->cursor = s->edit->textCursor();
        s->hasInsertFormat = false;
    }
}

void MakeWidget(HWND h, RichEditControl& s)
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
    ShowBackground(s);
    ShowSelection(s);
}

int LineOf(const RichEditControl& s, long pos)
{
    QTextBlock b = s.document->findBlock(static_cast<int>(std::clamp<long>(pos, 0, Length(s))));
    return b.isValid() ? b.blockNumber() : 0;
}

RichEditControl::RichEditControl(HWND window) : ControlWindow(window), document(std::make_unique<QTextDocument>())
{
    document->setUndoRedoEnabled(true);
    cursor = QTextCursor(document.get());
}

// The selection shows while the control has the focus (or ES_NOHIDESEL).
void RichEditControl::OnFocusChanged(bool gained)
{
    ShowSelection(*this);
    NotifyCommand(Handle(), gained ? EN_SETFOCUS : EN_KILLFOCUS);
}

LRESULT RichEditControl::OnMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    const HWND h = Handle();
    switch (message) {
    case WM_NCCREATE: {
        // The window's text at creation is the control's first text.
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName) && *cs->lpszName)
            document->setPlainText(FromControlText(cs->lpszName));
        return Default(message, wParam, lParam);
    }
    case WM_CREATE: MakeWidget(h, *this); return 0;
    case WM_NCDESTROY:
        if (edit) {
            QObject::disconnect(document.get(), nullptr, edit, nullptr);
            // The widget goes with the window; the document must not be its then.
            edit->setDocument(new QTextDocument(edit));
        }
        return Default(message, wParam, lParam);
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
        if (!(Style() & ES_MULTILINE)) return code;
        code |= DLGC_WANTALLKEYS;
        if (const auto* msg = reinterpret_cast<const MSG*>(lParam)) {
            if (msg->message == WM_KEYDOWN && ((msg->wParam == VK_RETURN && !(Style() & ES_WANTRETURN)) ||
                                               msg->wParam == VK_ESCAPE || msg->wParam == VK_TAB))
                code &= ~DLGC_WANTALLKEYS;
        }
        return code;
    }
    case WM_SETFONT:
        // The document's own font too, for a control without a widget.
        document->setDefaultFont(FontOfHandle(reinterpret_cast<HGDIOBJ>(wParam)));
        return Default(message, wParam, lParam);
    case WM_STYLECHANGED:
        if (edit) edit->setReadOnly((Style() & ES_READONLY) != 0);
        return 0;
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
        if (message == WM_KEYDOWN && (GetKeyState(VK_CONTROL) & 0x8000) && (wParam == 'C' || wParam == VK_INSERT)) {
            SendMessageW(h, WM_COPY, 0, 0);
            return 0;
        }
        ForwardKey(edit, message, wParam, lParam);
        return 0;
    case WM_SETTEXT: {
        ProgrammaticChange change;
        document->setPlainText(lParam ? FromControlText(reinterpret_cast<LPCWSTR>(lParam)) : QString());
    }
        cursor = QTextCursor(document.get());
        hasInsertFormat = false;
        ShowSelection(*this);
        return TRUE;
    case WM_GETTEXT:
        return CopyTextOut(PlainText(*document, 0, Length(*this), true), reinterpret_cast<LPWSTR>(lParam), wParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(PlainText(*document, 0, Length(*this), true).size());
    case EM_GETTEXTLENGTHEX: {
        const auto* how = reinterpret_cast<const GETTEXTLENGTHEX*>(wParam);
        bool crlf = how && (how->flags & GTL_USECRLF);
        return static_cast<LRESULT>(PlainText(*document, 0, Length(*this), crlf).size());
    }
    case EM_SETSEL:
        SetSelection(*this, static_cast<long>(static_cast<INT_PTR>(wParam)), static_cast<long>(lParam));
        return 0;
    case EM_EXSETSEL: {
        const auto* range = reinterpret_cast<const CHARRANGE*>(lParam);
        if (range) SetSelection(*this, range->cpMin, range->cpMax);
        return cursor.selectionStart();
    }
    case EM_GETSEL: {
        auto start = static_cast<DWORD>(cursor.selectionStart()), end = static_cast<DWORD>(cursor.selectionEnd());
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return MAKELONG(static_cast<WORD>(std::min<DWORD>(start, 0xFFFF)),
                        static_cast<WORD>(std::min<DWORD>(end, 0xFFFF)));
    }
    case EM_EXGETSEL:
        if (auto* range = reinterpret_cast<CHARRANGE*>(lParam)) {
            range->cpMin = cursor.selectionStart();
            range->cpMax = cursor.selectionEnd();
        }
        return 0;
    case EM_GETSELTEXT: {
        std::wstring text = PlainText(*document, cursor.selectionStart(), cursor.selectionEnd(), false);
        if (auto* out = reinterpret_cast<LPWSTR>(lParam)) {
            std::copy(text.begin(), text.end(), out);
            out[text.size()] = L'\0';
        }
        return static_cast<LRESULT>(text.size());
    }
    case EM_GETTEXTRANGE: {
        auto* range = reinterpret_cast<TEXTRANGEW*>(lParam);
        if (!range || !range->lpstrText) return 0;
        long to = range->chrg.cpMax < 0 ? Length(*this) : range->chrg.cpMax;
        std::wstring text = PlainText(*document, range->chrg.cpMin, static_cast<int>(to), false);
        std::copy(text.begin(), text.end(), range->lpstrText);
        range->lpstrText[text.size()] = L'\0';
        return static_cast<LRESULT>(text.size());
    }
    case EM_REPLACESEL:
        ReplaceSelection(h, *this, lParam ? std::wstring(reinterpret_cast<LPCWSTR>(lParam)) : std::wstring());
        return 0;
    case EM_SETCHARFORMAT: {
        QTextCharFormat format;
        if (!ToTextFormat(reinterpret_cast<const CHARFORMAT2W*>(lParam), &format)) return FALSE;
        ProgrammaticChange change;
        if (wParam & SCF_ALL) {
            QTextCursor all(document.get());
            all.select(QTextCursor::Document);
            all.mergeCharFormat(format);
        } else if (wParam & SCF_SELECTION) {
            if (cursor.hasSelection()) {
                cursor.mergeCharFormat(format);
            } else {
                if (!hasInsertFormat) insertFormat = cursor.charFormat();
                insertFormat.merge(format);
                hasInsertFormat = true;
            }
        } else {
            // The default format: the whole text and what is typed into an
            // empty control.
            QTextCursor all(document.get());
            all.select(QTextCursor::Document);
            all.mergeCharFormat(format);
            QFont f = document->defaultFont();
            QTextCharFormat merged;
            merged.setFont(f);
            merged.merge(format);
            document->setDefaultFont(merged.font());
        }
        return TRUE;
    }
    case EM_GETCHARFORMAT: {
        auto* cf = reinterpret_cast<CHARFORMAT2W*>(lParam);
        if (!cf || (cf->cbSize != sizeof(CHARFORMATW) && cf->cbSize != sizeof(CHARFORMAT2W))) return 0;
        QTextCharFormat f;
        if (wParam & SCF_SELECTION) {
            if (hasInsertFormat) {
                f = insertFormat;
            } else {
                QTextCursor at(document.get());
                at.setPosition(std::min(cursor.selectionStart() + 1, Length(*this)));
                f = at.charFormat();
            }
        }
        FromTextFormat(f, document->defaultFont(), cf);
        return cf->dwMask;
    }
    case EM_SETBKGNDCOLOR: {
        COLORREF old = systemBackground ? GetSysColor(COLOR_WINDOW) : background;
        systemBackground = wParam != 0;
        background = static_cast<COLORREF>(lParam);
        ShowBackground(*this);
        return static_cast<LRESULT>(old);
    }
    case EM_HIDESELECTION:
        hideSelection = wParam != 0;
        ShowSelection(*this);
        return 0;
    case EM_SETEVENTMASK: {
        DWORD old = eventMask;
        eventMask = static_cast<DWORD>(lParam);
        return old;
    }
    case EM_GETEVENTMASK: return eventMask;
    case EM_SETREADONLY:
        SetWindowLongW(h, GWL_STYLE, static_cast<LONG>(wParam ? (Style() | ES_READONLY) : (Style() & ~ES_READONLY)));
        return TRUE;
    case EM_EXLIMITTEXT:
    case EM_LIMITTEXT: {
        auto n = message == EM_EXLIMITTEXT ? static_cast<long long>(lParam) : static_cast<long long>(wParam);
        limit = n <= 0 ? 65536 : static_cast<int>(std::min<long long>(n, 0x7FFFFFFE));
        return 0;
    }
    case EM_GETLIMITTEXT: return limit;
    case EM_GETLINECOUNT: return document->blockCount();
    case EM_LINEINDEX: {
        auto line = static_cast<INT_PTR>(wParam);
        if (line < 0) line = LineOf(*this, cursor.position());
        QTextBlock b = document->findBlockByNumber(static_cast<int>(line));
        return b.isValid() ? b.position() : -1;
    }
    case EM_LINELENGTH: {
        auto pos = static_cast<INT_PTR>(wParam);
        if (pos < 0) pos = cursor.selectionStart();
        if (pos > Length(*this)) return 0;
        return document->findBlock(static_cast<int>(pos)).length() - 1;
    }
    case EM_LINEFROMCHAR:
    case EM_EXLINEFROMCHAR: {
        auto pos = static_cast<INT_PTR>(message == EM_EXLINEFROMCHAR ? lParam : static_cast<LPARAM>(wParam));
        if (pos < 0) pos = cursor.selectionStart();
        return LineOf(*this, static_cast<long>(pos));
    }
    case EM_GETFIRSTVISIBLELINE:
        if (!edit) return 0;
        return edit->cursorForPosition(QPoint(1, 1)).blockNumber();
    case EM_LINESCROLL:
        if (edit) {
            QScrollBar* bar = edit->verticalScrollBar();
            int line = QFontMetrics(document->defaultFont()).lineSpacing();
            bar->setValue(bar->value() + static_cast<int>(lParam) * std::max(1, line));
        }
        return TRUE;
    case EM_SCROLLCARET:
        if (edit) edit->ensureCursorVisible();
        return 0;
    case EM_SETTARGETDEVICE:
        if (edit) edit->setLineWrapMode(lParam == 1 ? QTextEdit::NoWrap : QTextEdit::WidgetWidth);
        return TRUE;
    case EM_CANPASTE: {
        auto text = ClipboardService().GetText();
        return text.has_value() && !(Style() & ES_READONLY);
    }
    case WM_COPY:
        if (cursor.hasSelection())
            ClipboardService().SetText(PlainText(*document, cursor.selectionStart(), cursor.selectionEnd(), true));
        return 0;
    case WM_CUT:
        if (!(Style() & ES_READONLY) && cursor.hasSelection()) {
            ClipboardService().SetText(PlainText(*document, cursor.selectionStart(), cursor.selectionEnd(), true));
            ReplaceSelection(h, *this, std::wstring());
        }
        return 0;
    case WM_CLEAR:
        if (!(Style() & ES_READONLY) && cursor.hasSelection()) ReplaceSelection(h, *this, std::wstring());
        return 0;
    case WM_PASTE:
        if (!(Style() & ES_READONLY))
            if (auto text = ClipboardService().GetText()) ReplaceSelection(h, *this, *text);
        return 0;
    default: return Default(message, wParam, lParam);
    }
}

// Programs load the rich-edit library by name before they make its windows;
// its classes are this file's, so the module it answers with has no exports
// of its own. Registered when the program is linked with the controls.
const SystemModule kRichEditModule{L"RICHED20.DLL", nullptr, 0};
const bool g_richEditModuleAdded = [] {
    AddSystemModule(&kRichEditModule);
    return true;
}();

}  // namespace

void RegisterRichEditClasses()
{
    ControlWindow::Register<RichEditControl>(RICHEDIT_CLASSW);
    ControlWindow::Register<RichEditControl>(L"RichEdit20A");
}

}  // namespace mfc_controls
