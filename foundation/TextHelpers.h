// Small text transformations: XML entity escaping, hex texts to bytes, sorting
// string lists and splitting quoted lists.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/Collections.h"

// Replaces & > < " ' by their entities ("&" first); with noQuotes 0 the
// result is enclosed in double quotes.
CString EscapeXmlText(const CString& text, int noQuotes);
// Left to right: "&&" and "&amp;" give "&", and the four other entities their
// characters; any other "&" is kept.
CString UnescapeXmlText(const CString& text);
// Removes blanks, upper-cases, sizes the array to half the length and fills
// it from digit pairs up to the first character that is not hex (the rest of
// the array stays zero). Returns the array size.
int HexStringToBytes(const CString& text, CByteArray& bytes);
// Mode 0: ordinal; mode 1: the user locale's case-insensitive order; any
// other mode leaves the list as it is.
void SortStringList(CStringList& list, int mode);
// Mode 0: comma list; mode 1: white-space list. Returns the item count, or
// -1 for a malformed text (the array then empty).
int SplitQuotedList(const CString& text, CStringArray& items, int mode, int noEscapes);
