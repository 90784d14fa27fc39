// The read-only log view of the progress window: a rich-edit control that
// appends text carrying a small inline mark-up for colour, bold and
// character height. The log code writes two-character codes after "@@"
// (ConvertMarkup turns them into the marker U+0007 and the code); the view
// applies each code to the text that follows it:
//   "A".."Z"  a text colour of the table below
//   "<" ">"   bold on, bold off
//   "-"       a height of 145 twips
//   "1".."9"  a height of n x 70 + 110 twips (180 to 740)
#pragma once

#include "encoder/ui/controls/HRichEditCtrlEx.h"
#include "platform/mfc/GdiClasses.h"

// The marker that starts a code in converted text.
constexpr wchar_t kMarkupMarker = L'\x07';

// The text colour of a code letter "A".."Z"; black for any other character.
COLORREF MarkupColor(wchar_t letter);

// Replaces each "@@" followed by a code character with the marker and the
// code: letters (in either case, written in upper case), "-", "<" and ">"
// when the letter flag is set, digits "1".."9" when the size flag is set.
// Any other "@@" keeps a single "@" and copying goes on at the second one,
// which may start a code itself. A text without "@@" comes back unchanged.
CString ConvertMarkup(const CString& text, BOOL letterCodes, BOOL sizeCodes);

class HRichEditCtrlFmt : public HRichEditCtrlEx {
public:
    // The selection's text colour (no effects).
    void SetSelectionColor(COLORREF color);
    // The selection's character height in twips.
    void SetSelectionHeight(LONG twips);
    // With the append flag the text goes at the end, else it replaces the
    // whole text; the selection is hidden after.
    void AppendText(const CString& text, BOOL append);
    // Appends converted text, applying its codes as it goes: the first piece
    // is written with the caller's flag, later ones are appended. A null
    // pointer does nothing.
    void AppendFormatted(const CString& text, BOOL append);
    void AppendFormatted(const wchar_t* text, BOOL append);

protected:
    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    int OnCreate(LPCREATESTRUCTW cs);
    DECLARE_MESSAGE_MAP()

private:
    void ApplyCode(wchar_t code);
    void SetSelectionBold(bool bold);

    CFont m_font;  // a copy of the default GUI font
};
