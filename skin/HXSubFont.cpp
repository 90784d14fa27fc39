#include "skin/HXSubFont.h"

#include <algorithm>

#include "platform/win32/gui/DrawText.h"
#include "platform/win32/gui/GdiText.h"
#include "skin/ClipScopes.h"
#include "skin/SkinOwner.h"

HXSubFont::HXSubFont() = default;

HXSubFont::~HXSubFont()
{
    if (m_hFont) DeleteObject(m_hFont);
}

int HXSubFont::SetFont(HFONT font)
{
    if (m_bLoaded) return 0;
    m_hFont = font;
    m_bLoaded = 1;
    return 1;
}

void HXSubFont::SetInfo(const CString& face, int size, int bold)
{
    m_sFace = face;
    m_nSize = size;
    m_bBold = bold;
}

int HXSubFont::Load(SkinOwner* window, const CString& imageName, const CString& characters)
{
    if (m_bLoaded || m_pImage || characters.IsEmpty() || !window) return 0;
    HDib* image = window->GetImage(imageName);
    if (!image || image->IsEmpty()) return 0;
    m_pImage = image;
    m_sChars = characters;
    m_nCharCount = static_cast<UINT>(characters.GetLength());
    m_nCellWidth = image->GetWidth() / static_cast<int>(m_nCharCount);
    m_nCellHeight = image->GetHeight();
    m_mapCells.clear();
    for (int i = 0; i < characters.GetLength(); ++i) m_mapCells[characters[i]] = i;
    m_bLoaded = 1;
    return 1;
}

int HXSubFont::Begin(HDC dc)
{
    if (!m_bLoaded) return 0;
    if (m_pImage) return 1;
    if (!m_hFont || m_hOldFont) return 0;
    m_hOldFont = SelectObject(dc, m_hFont);
    return m_hOldFont ? 1 : 0;
}

int HXSubFont::End(HDC dc)
{
    if (!m_bLoaded) return 0;
    if (m_pImage) return 1;
    if (!m_hOldFont) return 0;
    SelectObject(dc, m_hOldFont);
    m_hOldFont = nullptr;
    return 1;
}

int HXSubFont::DrawText(HDC dc, HDib* target, const CString& text, const RECT& rect, UINT flags, COLORREF color)
{
    if (!m_bLoaded) return 0;
    if (!m_pImage) {
        if (!m_hOldFont) return 0;
        DcClipScope clip(dc, target);
        SetTextColor(dc, color);
        RECT r = rect;
        DrawTextW(dc, text, -1, &r, flags);
        return 1;
    }
    const long long n = text.GetLength();
    const long long cw = m_nCellWidth, ch = m_nCellHeight;
    long long top = rect.top, left = rect.left;
    if (flags & DT_VCENTER) top = rect.top + (static_cast<long long>(rect.bottom) - rect.top - ch) / 2;
    if (flags & DT_BOTTOM) top = rect.bottom - ch;
    if (flags & DT_CENTER) left = rect.left + (static_cast<long long>(rect.right) - rect.left - cw * n) / 2;
    if (flags & DT_RIGHT) left = rect.right - cw * n;
    auto cellOf = [this](wchar_t c) {
        auto it = m_mapCells.find(c);
        return it == m_mapCells.end() ? -1 : it->second;
    };
    // Cells wholly outside the coordinate range are not drawn at all.
    auto fits = [](long long v) { return v > -(1LL << 30) && v < (1LL << 30); };
    if (target) {
        DibClipScope clip(target, rect);
        for (long long i = 0; i < n; ++i) {
            const int cell = cellOf(text[static_cast<int>(i)]);
            const long long x = left + cw * i;
            if (cell < 0 || !fits(x) || !fits(top)) continue;
            m_pImage->DrawGridCell(target, static_cast<int>(x), static_cast<int>(top), static_cast<int>(m_nCharCount),
                                   cell, 1, 0, 1, -1);
        }
    } else {
        for (long long i = 0; i < n; ++i) {
            const int cell = cellOf(text[static_cast<int>(i)]);
            const long long x = left + cw * i;
            if (cell < 0 || !fits(x) || !fits(top)) continue;
            m_pImage->DrawGridCellToDC(dc, static_cast<int>(x), static_cast<int>(top), static_cast<int>(m_nCharCount),
                                       cell, 1, 0);
        }
    }
    return 1;
}

int HXSubFont::MeasureText(const CString& text, SIZE* size) const
{
    if (!size) return 0;
    *size = SIZE{};
    if (!m_bLoaded) return 0;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
    if (!m_pImage) {
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, m_hFont);
    }
    const std::wstring& s = text.str();
    size_t start = 0;
    while (start <= s.size()) {
        size_t end = s.find(L'\n', start);
        if (end == std::wstring::npos) end = s.size();
        const int length = static_cast<int>(end - start);
        if (length > 0) {
            SIZE line{};
            if (m_pImage) {
                line.cx =
                    static_cast<LONG>(std::min<long long>(static_cast<long long>(length) * m_nCellWidth, INT32_MAX));
                line.cy = m_nCellHeight;
            } else {
                GetTextExtentPoint32W(dc, s.c_str() + start, length, &line);
            }
            size->cx = std::max(size->cx, line.cx);
            size->cy = static_cast<LONG>(std::min<long long>(static_cast<long long>(size->cy) + line.cy, INT32_MAX));
        }
        start = end + 1;
    }
    if (dc) {
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    return 1;
}
