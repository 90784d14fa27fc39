#include "DrawText.h"

#include <QFontMetrics>
#include <algorithm>
#include <cwchar>
#include <string>
#include <vector>

#include "DeviceContext.h"
#include "GdiInternals.h"
#include "GdiText.h"
#include "QtAccess.h"

using namespace win32_gui;

namespace {

struct Line {
    std::wstring text;
    int mnemonic = -1;  // index of the underlined character in text, -1 for none
};

const std::wstring kEllipsis = L"...";

// Removes the '&' marks; returns the index of the marked character.
std::wstring StripPrefixes(const std::wstring& in, int* mnemonic)
{
    std::wstring out;
    *mnemonic = -1;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == L'&') {
            if (i + 1 < in.size() && in[i + 1] == L'&') {
                out += L'&';
                ++i;
                continue;
            }
            if (i + 1 < in.size()) *mnemonic = static_cast<int>(out.size());
            continue;
        }
        out += in[i];
    }
    return out;
}

class Measure {
public:
    explicit Measure(const QFont& f) : fm_(f) {}
    int Width(const std::wstring& s) const { return s.empty() ? 0 : fm_.horizontalAdvance(QString::fromStdWString(s)); }
    const QFontMetrics& fm() const { return fm_; }

private:
    QFontMetrics fm_;
};

std::wstring ExpandTabs(const std::wstring& s, const Measure& m, int tabWidth)
{
    if (s.find(L'\t') == std::wstring::npos) return s;
    std::wstring out;
    for (wchar_t c : s) {
        if (c != L'\t') {
            out += c;
            continue;
        }
        // Blanks up to the next stop.
        int w = m.Width(out);
        int next = tabWidth > 0 ? (w / tabWidth + 1) * tabWidth : w;
        for (int guard = 0; m.Width(out) < next && guard < 1000; ++guard) out += L' ';
    }
    return out;
}

// Cuts the end of the line so that it and "..." fit.
std::wstring EndEllipsis(const std::wstring& s, int width, const Measure& m, bool atWord)
{
    if (m.Width(s) <= width) return s;
    std::wstring base = s;
    while (!base.empty() && m.Width(base + kEllipsis) > width) {
        if (atWord) {
            size_t blank = base.find_last_of(L' ');
            base.erase(blank == std::wstring::npos ? 0 : blank);
            while (!base.empty() && base.back() == L' ') base.pop_back();
        } else {
            base.pop_back();
        }
    }
    return base + kEllipsis;
}

// Keeps the last path component and shortens what stands before it.
std::wstring PathEllipsis(const std::wstring& s, int width, const Measure& m)
{
    if (m.Width(s) <= width) return s;
    size_t sep = s.find_last_of(L"\\/");
    if (sep == std::wstring::npos) return EndEllipsis(s, width, m, false);
    std::wstring tail = s.substr(sep);
    std::wstring head = s.substr(0, sep);
    while (!head.empty() && m.Width(head + kEllipsis + tail) > width) head.pop_back();
    return head + kEllipsis + tail;
}

// Splits one paragraph into lines no wider than width, at blanks when it can.
void WrapParagraph(const Line& para, int width, const Measure& m, std::vector<Line>* out)
{
    const std::wstring& s = para.text;
    size_t start = 0;
    if (s.empty()) {
        out->push_back(para);
        return;
    }
    while (start < s.size()) {
        // Widths add up character by character, so a long text is measured once.
        size_t end = start;
        size_t lastBreak = std::wstring::npos;
        int used = 0;
        while (end < s.size()) {
            if (s[end] == L' ') lastBreak = end;
            int w = m.Width(std::wstring(1, s[end]));
            if (used + w > width && end > start) break;
            used += w;
            ++end;
        }
        size_t cut = end;
        size_t next = end;
        if (end < s.size()) {
            if (s[end] == L' ') {
                cut = end;
                next = end;
            } else if (lastBreak != std::wstring::npos && lastBreak > start) {
                cut = lastBreak;
                next = lastBreak;
            }
        }
        Line l;
        l.text = s.substr(start, cut - start);
        while (!l.text.empty() && l.text.back() == L' ' && cut < s.size()) l.text.pop_back();
        if (para.mnemonic >= static_cast<int>(start) && para.mnemonic < static_cast<int>(cut))
            l.mnemonic = para.mnemonic - static_cast<int>(start);
        out->push_back(l);
        // The blanks at a break belong to no line.
        while (next < s.size() && s[next] == L' ') ++next;
        start = next;
    }
}

}  // namespace

int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* callerRect, UINT format)
{
    DeviceContext* d = DcFind(dc);
    if (!d || !text || !callerRect) return 0;
    // Edges far outside any surface are held where sums of them cannot overflow.
    RECT clamped{ClampCoordinate(callerRect->left), ClampCoordinate(callerRect->top),
                 ClampCoordinate(callerRect->right), ClampCoordinate(callerRect->bottom)};
    RECT* rect = &clamped;
    size_t length = count < 0 ? std::wcslen(text) : static_cast<size_t>(count);
    std::wstring raw(text, length);

    int tabChars = 8;
    if (format & DT_TABSTOP) {
        tabChars = static_cast<int>((format >> 8) & 0xFF);
        format &= ~0xFF00u;
    }
    QFont font = DcFont(dc);
    Measure m(font);
    int lineHeight = m.fm().height() + ((format & DT_EXTERNALLEADING) ? std::max(0, m.fm().leading()) : 0);
    int width = rect->right - rect->left;

    // Paragraphs, with the prefix marks resolved in each.
    std::vector<Line> paragraphs;
    if (format & DT_SINGLELINE) {
        std::wstring one;
        for (wchar_t c : raw)
            if (c != L'\r' && c != L'\n') one += c;
        paragraphs.push_back(Line{one, -1});
    } else {
        std::wstring cur;
        for (size_t i = 0; i < raw.size(); ++i) {
            wchar_t c = raw[i];
            if (c == L'\r' || c == L'\n') {
                paragraphs.push_back(Line{cur, -1});
                cur.clear();
                if (c == L'\r' && i + 1 < raw.size() && raw[i + 1] == L'\n') ++i;
                continue;
            }
            cur += c;
        }
        paragraphs.push_back(Line{cur, -1});
    }
    for (Line& p : paragraphs) {
        if (!(format & DT_NOPREFIX)) p.text = StripPrefixes(p.text, &p.mnemonic);
        if (format & DT_EXPANDTABS) {
            std::wstring before = p.text.substr(0, p.mnemonic < 0 ? 0 : static_cast<size_t>(p.mnemonic));
            p.text = ExpandTabs(p.text, m, tabChars * m.fm().averageCharWidth());
            if (p.mnemonic >= 0)
                p.mnemonic = static_cast<int>(ExpandTabs(before, m, tabChars * m.fm().averageCharWidth()).size());
        } else {
            // Without expansion a tab takes no room.
            for (size_t i = 0; i < p.text.size();) {
                if (p.text[i] == L'\t') {
                    p.text.erase(i, 1);
                    if (p.mnemonic > static_cast<int>(i)) --p.mnemonic;
                } else {
                    ++i;
                }
            }
        }
    }

    std::vector<Line> lines;
    if ((format & DT_WORDBREAK) && !(format & DT_SINGLELINE)) {
        for (const Line& p : paragraphs) WrapParagraph(p, std::max(1, width), m, &lines);
    } else {
        lines = paragraphs;
    }
    UINT ellipsis = format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS);
    if (ellipsis && !(format & DT_CALCRECT)) {
        for (Line& l : lines) {
            std::wstring shortened = (format & DT_PATH_ELLIPSIS)   ? PathEllipsis(l.text, width, m)
                                     : (format & DT_WORD_ELLIPSIS) ? EndEllipsis(l.text, width, m, true)
                                                                   : EndEllipsis(l.text, width, m, false);
            if (shortened != l.text) {
                l.text = shortened;
                l.mnemonic = -1;
            }
        }
        if ((format & DT_MODIFYSTRING) && count < 0 && lines.size() == 1 && lines[0].text.size() <= length + 4) {
            // The caller's buffer has room for the text plus four characters.
            std::wcsncpy(const_cast<wchar_t*>(text), lines[0].text.c_str(), lines[0].text.size() + 1);
        }
    }

    int maxWidth = 0;
    for (const Line& l : lines) maxWidth = std::max(maxWidth, m.Width(l.text));
    int total = lineHeight * static_cast<int>(lines.size());

    int top = rect->top;
    bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER))
        top = (rect->top + rect->bottom - total) / 2;
    else if (single && (format & DT_BOTTOM))
        top = rect->bottom - total;
    int result = (single && (format & (DT_VCENTER | DT_BOTTOM))) ? top - rect->top + total : total;

    if (format & DT_CALCRECT) {
        rect->right = rect->left + maxWidth;
        rect->bottom = rect->top + total;
        *callerRect = *rect;
        return total;
    }

    DcPainter dp(dc);
    if (!dp.ok()) return result;
    QPainter& p = dp.p();
    QRect box(rect->left, rect->top, std::max(0, width), std::max(0, rect->bottom - rect->top));
    if (!(format & DT_NOCLIP)) p.setClipRect(box, Qt::IntersectClip);
    p.setFont(font);
    QColor textColor = ToQColor(d->state.textColor);
    QRect drawn;
    int y = top;
    for (const Line& l : lines) {
        int w = m.Width(l.text);
        int x = rect->left;
        if (format & DT_CENTER)
            x = rect->left + (width - w) / 2;
        else if (format & DT_RIGHT)
            x = rect->right - w;
        QRect cell(x, y, w, lineHeight);
        if (!(format & DT_PREFIXONLY)) {
            if (d->state.bkMode == OPAQUE && w > 0) p.fillRect(cell, ToQColor(d->state.bkColor));
            p.setPen(textColor);
            if (!l.text.empty()) p.drawText(QPoint(x, y + m.fm().ascent()), QString::fromStdWString(l.text));
        }
        if (l.mnemonic >= 0 && l.mnemonic < static_cast<int>(l.text.size()) && !(format & DT_HIDEPREFIX)) {
            int ux = x + m.Width(l.text.substr(0, static_cast<size_t>(l.mnemonic)));
            int uw = m.Width(l.text.substr(static_cast<size_t>(l.mnemonic), 1));
            int uy = y + m.fm().ascent() + std::max(1, m.fm().underlinePos());
            p.fillRect(QRect(ux, uy, uw, std::max(1, m.fm().lineWidth())), textColor);
        }
        drawn = drawn.united(cell.adjusted(0, 0, 1, 2));
        y += lineHeight;
    }
    dp.Touched((format & DT_NOCLIP) ? drawn : drawn.intersected(box));
    return result;
}
