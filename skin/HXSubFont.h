// A font of a skin, defined once and used by name: either a GDI font or an
// image font, a strip image whose equal-width cells hold the glyphs of a
// given character string. Controls draw and measure their texts through it
// without knowing which kind it is.
#pragma once

#include <unordered_map>

#include "platform/win32/CString.h"
#include "skin/HDib.h"

class SkinOwner;

class HXSubFont {
public:
    HXSubFont();
    virtual ~HXSubFont();
    HXSubFont(const HXSubFont&) = delete;
    HXSubFont& operator=(const HXSubFont&) = delete;

    // Takes the font (owned from then on); 0 when this font already holds one.
    int SetFont(HFONT font);
    void SetInfo(const CString& face, int size, int bold);
    // An image font over the window's image of that name.
    int Load(SkinOwner* window, const CString& imageName, const CString& characters);
    // Select the GDI font into the DC and back; an image font needs neither.
    int Begin(HDC dc);
    int End(HDC dc);
    // The text in the rectangle with DrawText flags. A GDI font draws on the
    // DC in the colour; an image font draws its cells into the target image
    // (clipped to the rectangle within the image's own clip) or, without
    // one, onto the DC. Drawing never leaves the target image's clip.
    int DrawText(HDC dc, HDib* target, const CString& text, const RECT& rect, UINT flags, COLORREF color);
    // Widest line and the sum of the line heights; empty lines do not count.
    int MeasureText(const CString& text, SIZE* size) const;

    bool IsLoaded() const { return m_bLoaded != 0; }
    bool IsImageFont() const { return m_pImage != nullptr; }
    HFONT GetFont() const { return m_hFont; }
    const CString& GetFace() const { return m_sFace; }
    int GetSize() const { return m_nSize; }
    int GetBold() const { return m_bBold; }
    int GetCellWidth() const { return m_nCellWidth; }
    int GetCellHeight() const { return m_nCellHeight; }

private:
    int m_bLoaded = 0;
    HDib* m_pImage = nullptr;  // the window's
    CString m_sChars;
    UINT m_nCharCount = 0;
    int m_nCellWidth = 0;
    int m_nCellHeight = 0;
    std::unordered_map<wchar_t, int> m_mapCells;  // a character that occurs twice maps to its later cell
    HFONT m_hFont = nullptr;
    HGDIOBJ m_hOldFont = nullptr;
    CString m_sFace;
    int m_nSize = 0;
    int m_bBold = 0;
};
