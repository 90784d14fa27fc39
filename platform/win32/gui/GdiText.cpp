#include "GdiText.h"

#include <QFontMetrics>
#include <algorithm>
#include <cstring>

#include "DeviceContext.h"
#include "GdiInternals.h"
#include "QtAccess.h"

using namespace win32_gui;

namespace win32_gui {

QFont DcFont(HDC dc)
{
    DeviceContext* d = DcFind(dc);
    GdiObject* f = d ? GdiFind(d->state.font, GdiKind::Font) : nullptr;
    if (!f) f = GdiFind(GetStockObject(SYSTEM_FONT), GdiKind::Font);
    return f->font;
}

}  // namespace win32_gui

namespace {

QString ToQString(LPCWSTR text, int count)
{
    if (!text || count <= 0) return QString();
    return QString::fromWCharArray(text, count);
}

}  // namespace

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, SIZE* size)
{
    if (!DcFind(dc) || !size || count < 0 || (count > 0 && !text)) return FALSE;
    QFontMetrics fm(DcFont(dc));
    size->cx = fm.horizontalAdvance(ToQString(text, count));
    size->cy = fm.height();
    return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* tm)
{
    if (!DcFind(dc) || !tm) return FALSE;
    QFont f = DcFont(dc);
    QFontMetrics fm(f);
    *tm = TEXTMETRICW{};
    tm->tmAscent = fm.ascent();
    tm->tmDescent = fm.descent();
    tm->tmHeight = fm.ascent() + fm.descent();
    tm->tmInternalLeading = std::max(0, tm->tmHeight - f.pixelSize());
    tm->tmExternalLeading = std::max(0, fm.leading());
    tm->tmAveCharWidth = fm.averageCharWidth();
    tm->tmMaxCharWidth = fm.maxWidth();
    tm->tmWeight = f.weight();
    tm->tmItalic = f.italic();
    tm->tmUnderlined = f.underline();
    tm->tmStruckOut = f.strikeOut();
    tm->tmCharSet = DEFAULT_CHARSET;
    return TRUE;
}

int GetTextFaceW(HDC dc, int count, LPWSTR face)
{
    if (!DcFind(dc)) return 0;
    std::wstring name = DcFont(dc).family().toStdWString();
    if (!face) return static_cast<int>(name.size()) + 1;
    if (count <= 0) return 0;
    int n = std::min<int>(static_cast<int>(name.size()), count - 1);
    std::copy(name.begin(), name.begin() + n, face);
    face[n] = L'\0';
    return n;
}

BOOL ExtTextOutW(HDC dc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count, const INT* dx)
{
    DeviceContext* d = DcFind(dc);
    if (!d || (count > 0 && !text)) return FALSE;
    if (d->state.textAlign & TA_UPDATECP) {
        x = d->state.current.x;
        y = d->state.current.y;
    }
    DcPainter dp(dc);
    if (!dp.ok()) return TRUE;
    QPainter& p = dp.p();
    QRect box;
    if (rect) box = RectFromEdges(rect->left, rect->top, rect->right, rect->bottom);
    if ((options & ETO_OPAQUE) && rect) {
        p.fillRect(box, ToQColor(d->state.bkColor));
        dp.Touched(box);
    }
    QString s = ToQString(text, static_cast<int>(count));
    if (s.isEmpty()) return TRUE;
    QFont f = DcFont(dc);
    QFontMetrics fm(f);
    int width = 0;
    if (dx) {
        for (UINT i = 0; i < count; ++i) width += dx[i];
    } else {
        width = fm.horizontalAdvance(s);
    }
    UINT align = d->state.textAlign;
    int left = x;
    if ((align & TA_CENTER) == TA_CENTER)
        left = x - width / 2;
    else if (align & TA_RIGHT)
        left = x - width;
    int top = y;
    if ((align & TA_BASELINE) == TA_BASELINE)
        top = y - fm.ascent();
    else if (align & TA_BOTTOM)
        top = y - fm.height();
    QRect cell(left, top, width, fm.height());
    if ((options & ETO_CLIPPED) && rect) p.setClipRect(box, Qt::IntersectClip);
    if (d->state.bkMode == OPAQUE && !(options & ETO_OPAQUE)) p.fillRect(cell, ToQColor(d->state.bkColor));
    p.setFont(f);
    p.setPen(ToQColor(d->state.textColor));
    if (dx) {
        int cx = left;
        for (UINT i = 0; i < count; ++i) {
            p.drawText(QPoint(cx, top + fm.ascent()), QString::fromWCharArray(text + i, 1));
            cx += dx[i];
        }
    } else {
        p.drawText(QPoint(left, top + fm.ascent()), s);
    }
    dp.Touched(cell);
    if (align & TA_UPDATECP) d->state.current.x = left + width;
    return TRUE;
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int count)
{
    if (count < 0) return FALSE;
    return ExtTextOutW(dc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}
