// How the skin reads the value kinds its elements share: rectangles,
// points, colours, hit-test names, text-format lists, cursor names and font
// elements. Name comparisons are exact and case-sensitive unless a parser
// says otherwise.
#pragma once

#include "foundation/XmlDocument.h"
#include "platform/win32/gui/UserTypes.h"

class HXSubFont;
class SkinOwner;

// "%d,%d,%d,%d" as left, top, right, bottom; the rectangle starts at 0 and
// fields that do not parse stay 0. Always succeeds.
int ParseRectAttribute(const wchar_t* text, RECT* rect);
// "%d,%d" into the two values; fields that do not parse keep their values.
int ParsePointAttribute(const wchar_t* text, int* first, int* second);
// Lower-cased; "#" and up to two hex digits per red, green, blue, or a name
// of the colour table ("transparent" is -1); anything else is black.
COLORREF ParseColorAttribute(const wchar_t* text);
// A window's background colour: as ParseColorAttribute, and six hex digits
// without "#" (RRGGBB) when the text is no colour name.
COLORREF ParseBackgroundColorAttribute(const wchar_t* text);
// The hit-test code of an HT name; -2 for any other text.
int ParseNcHitTest(const wchar_t* text);
// Every format name that occurs anywhere in the text adds its DrawText flag
// to flags, which start at 0. Always succeeds.
int ParseTextFormat(const wchar_t* text, UINT* flags);
// The system cursor id of an IDC name, 0 for any other text.
int ParseCursorAttribute(const wchar_t* text);
// The face of the stock DEFAULT_GUI_FONT (or SYSTEM_FONT), else "System".
CString GetDefaultFontFace();
// A "Font" element: a new GDI skin font made from FaceName (a "$" face
// resolved by the window; a non-empty override face replaces it,
// "DefaultGUIFont" stands for the default face), Size in points (9) and
// Bold (0); its FontName is returned. 0 when the element is no Font or the
// font cannot be made.
int ParseFontAttribute(SkinOwner* window, const CXmlNode* element, HXSubFont** font, CString* fontName,
                       const wchar_t* overrideFace);
// The font height of a point size, as the skin computes it.
int FontHeightFromPoints(int size);
